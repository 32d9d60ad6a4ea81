#pragma once

// The build flavour. A restricted build runs no command-line tools and automates no other apps;
// the delivered build is not restricted.
namespace Edition {
inline constexpr bool isRestricted = false;
}
