#pragma once

#include <QString>
#include <QtGlobal>

// The toolkit's key for an XKB keysym: the named keys by table, printable ones by the upper case
// of the text they type (as Qt's own backends do); 0 for a key the toolkit has no name for.
namespace WaylandKeys {

int qtKey(quint32 keysym, const QString &text);

} // namespace WaylandKeys
