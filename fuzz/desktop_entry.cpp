#include "FuzzSupport.h"

#include "platform/linux/DesktopEntryMatcher.h"
#include "platform/linux/XdgApplications.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::application();
    return 0;
}

// A desktop entry in an application folder, as the app catalogue and the target's app lookup
// read it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString folder = Fuzz::scratch() + QStringLiteral("/applications");
    const QString path = folder + QStringLiteral("/org.example.Fuzz.desktop");
    Fuzz::write(path, Fuzz::bytes(data, size));

    const QList<InstalledApp> apps = XdgApplications::scan({folder});
    Fuzz::require(apps.size() <= 1, "one file is at most one app");
    (void)XdgApplications::iconName(path);
    const DesktopEntryMatcher matcher({folder});
    (void)matcher.entry(path);
    (void)matcher.entry(QStringLiteral("org.example.Fuzz"));
    (void)matcher.match("org.example.Fuzz", "fuzz", "Fuzz", QStringLiteral("fuzz"));
    return 0;
}
