#pragma once

#include <cstdint>

// floor and ceil for the figures the interface places (pixels, points, frame counts), inline. On
// the x86-64 baseline the compiler calls out to the maths library's, which sit in a stretch of
// it (64 KB mapped at the first call) that nothing else the HUD draws needs.
namespace Rounding {

// Beyond 2^52 every double is whole already; infinities and NaN come back as they are.
inline constexpr double kWholeFrom = 4503599627370496.0;

constexpr double floor(double x)
{
    if (!(x > -kWholeFrom && x < kWholeFrom))
        return x;
    const double truncated = double(std::int64_t(x));
    return truncated > x ? truncated - 1 : truncated;
}

constexpr double ceil(double x)
{
    if (!(x > -kWholeFrom && x < kWholeFrom))
        return x;
    const double truncated = double(std::int64_t(x));
    return truncated < x ? truncated + 1 : truncated;
}

} // namespace Rounding
