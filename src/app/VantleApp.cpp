#include "app/VantleApp.h"

#include "app/AppDelegate.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/UnixSignals.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int VantleApp::run(int argc, char **argv)
{
    // Kaidro reads and moves windows through X11; under a Wayland session it runs through
    // XWayland. Qt would abort without a display, so say what is missing instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            std::fprintf(stderr, "Vantle: no X11 display to run on (DISPLAY is not set)\n");
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // The panels are small and repaint a few small areas a second. Through shared memory every
    // repaint waits for the X server to finish the last one (a round trip each time); sent
    // over the socket, the pixels cost less than that wait. Left alone when the user chose.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantle"));
    QApplication::setDesktopFileName(QStringLiteral("kaidro"));

    // Lives to the end of the process, past the application object: a probe or scan still on a
    // thread pool at exit may be using a service.
    static Platform platform = makeLinuxPlatform(QCoreApplication::applicationDirPath());
    quitOnTerminationSignals(&app);

    AppDelegate delegate(platform);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     &AppDelegate::applicationWillTerminate);
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
