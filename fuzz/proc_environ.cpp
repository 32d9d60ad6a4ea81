#include "FuzzSupport.h"

#include "platform/linux/ProcFsProcessTable.h"

// /proc/PID/environ of another copy of the program: the X display it shows on.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray environ = Fuzz::bytes(data, size);
    const QString display = ProcFsProcessTable::displayIn(environ);
    Fuzz::require(display.isEmpty() || environ.contains("DISPLAY="), "a display is named");
    (void)ProcFsProcessTable::cleanExecutablePath(QString::fromLocal8Bit(environ));
    return 0;
}
