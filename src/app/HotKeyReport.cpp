#include "app/HotKeyReport.h"

QStringList &HotKeyReport::failures()
{
    static QStringList list;
    return list;
}
