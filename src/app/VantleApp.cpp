#include "app/VantleApp.h"

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "platform/Platform.h"
#include "platform/RemoteControl.h"
#include "platform/linux/DBusRemoteControl.h"
#include "platform/linux/FontFiles.h"
#include "platform/linux/LinuxAppPaths.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/NativeWayland.h"
#include "platform/linux/UnixSignals.h"
#include "ui/Symbols.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPixmapCache>
#include <QTimer>

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

QtMessageHandler g_qtMessages = nullptr;

// Qt's sound backend reports a missing sound server on the terminal when the first cue is
// prepared; the sound output check logs that once in its own words.
void quietSoundServerMessages(QtMsgType type, const QMessageLogContext &context,
                              const QString &message)
{
    if (message.startsWith(QLatin1String("PulseAudioService: pa_context_connect() failed")))
        return;
    // On the native Wayland path the panels' stacking, opacity and size are the layer
    // surfaces'; Qt's offscreen plugin says at each use that it has none of them.
    if (message.startsWith(QLatin1String("This plugin does not support ")))
        return;
    if (g_qtMessages)
        g_qtMessages(type, context, message);
}

// The user's values of the variables Kaidro tunes the toolkit through. The toolkit reads them as
// the application object is made; put back afterwards, the programs the HUD starts (apps,
// Shortcuts, tools) get the user's environment, not Kaidro's.
class UserEnvironment
{
public:
    explicit UserEnvironment(std::initializer_list<const char *> names)
    {
        for (const char *name : names)
            m_values.emplace_back(name,
                                  qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
    }

    void restore() const
    {
        for (const auto &[name, value] : m_values) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_values;
};

// Hands one command to the copy running on this session bus; needs no display.
int sendToRunningCopy(int argc, char **argv, const QString &command)
{
    QCoreApplication app(argc, argv);
    QString error, answer;
    switch (DBusRemoteControl::send(command, &error, QDBusConnection::sessionBus(), &answer)) {
    case DBusRemoteControl::Sent::delivered:
        if (CommandLine::isQuery(command))
            std::fprintf(stdout, "%s\n", qPrintable(answer));
        return 0;
    case DBusRemoteControl::Sent::noRunningCopy:
        if (CommandLine::isQuery(command))
            std::fprintf(stderr, "Vantle: Kaidro is not running, so it has no %s to tell\n",
                         qPrintable(command));
        else
            std::fprintf(stderr, "Vantle: Kaidro is not running, so there is nothing to %s\n",
                         qPrintable(command));
        return 1;
    case DBusRemoteControl::Sent::failed:
        break;
    }
    std::fprintf(stderr, "Vantle: %s\n", qPrintable(error));
    return 1;
}

} // namespace

int VantleApp::run(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Invocation invocation = CommandLine::parse(arguments);
    switch (invocation.kind) {
    case CommandLine::Invocation::Kind::help:
        std::fputs(qPrintable(CommandLine::usage()), stdout);
        return 0;
    case CommandLine::Invocation::Kind::misuse:
        std::fprintf(stderr, "Vantle: %s\n\n%s", qPrintable(invocation.command),
                     qPrintable(CommandLine::usage()));
        return 2;
    case CommandLine::Invocation::Kind::send:
        return sendToRunningCopy(argc, argv, invocation.command);
    case CommandLine::Invocation::Kind::start:
        break;
    }

    // Where the compositor offers the layer shell Kaidro talks to it itself and Qt draws
    // offscreen; elsewhere it reads and moves windows through X11, under a Wayland session
    // through XWayland. Qt would abort without a display, so say what is missing instead.
    // A Wayland session may ask Qt for its Wayland plugin; Kaidro's windows need X11's.
    const UserEnvironment user{"QT_QPA_PLATFORM", "QT_XCB_NO_MITSHM"};
    if (qEnvironmentVariable("QT_QPA_PLATFORM").contains(QLatin1String("wayland")))
        qunsetenv("QT_QPA_PLATFORM");
    bool nativeWayland = false;
    // A plugin the user (or a test) chose is kept, on the X11 path, unless asked otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !invocation.platform.isEmpty()) {
        const DisplayChoice choice = NativeWayland::choose(invocation.platform);
        if (!choice.path) {
            std::fprintf(stderr, "Vantle: %s\n", qPrintable(choice.refusal));
            return 1;
        }
        nativeWayland = *choice.path == DisplayPath::wayland;
        qputenv("QT_QPA_PLATFORM", nativeWayland ? "offscreen" : "xcb");
    }
    // The panels are small and repaint a few small areas a second. Through shared memory every
    // repaint waits for the X server to finish the last one (a round trip each time); sent
    // over the socket, the pixels cost less than that wait. Left alone when the user chose.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    g_qtMessages = qInstallMessageHandler(quietSoundServerMessages);
    // Qt would take our "--platform" for its own.
    QList<QByteArray> kept{QByteArray(argv[0])};
    for (const QString &argument : CommandLine::withoutOwnOptions(arguments))
        kept << argument.toLocal8Bit();
    std::vector<char *> qtArgv;
    for (QByteArray &argument : kept)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = int(kept.size());
    // The symbol font from its TrueType file (mapped) rather than its WOFF2 (unpacked into the
    // heap, some 0.7 MB), where both are installed; before Qt reads the font list. The files
    // left out are remembered, so the next start lists the fonts once rather than twice.
    // Reading fontconfig's files takes a good part of the start; nothing asks fontconfig before
    // the delegate's panels do, so it runs beside the toolkit's and the platform's set-up.
    std::jthread fonts(
        [remembered = LinuxAppPaths::cacheHome() + QStringLiteral("/Vantle/plain-fonts")] {
            preferPlainFontFiles({Symbols::family()}, remembered);
        });
    QApplication app(qtArgc, qtArgv.data());
    user.restore();
    QApplication::setApplicationName(QStringLiteral("Vantle"));
    QApplication::setDesktopFileName(QStringLiteral("kaidro"));
    // Rendered labels, shapes and shadows are kept in the pixmap cache. The readouts' figures
    // change every second and each new one is kept until the cache is full, so Qt's 10 MB
    // would be filled within the hour: 3 MB holds every panel's shapes and the words shown.
    QPixmapCache::setCacheLimit(3 * 1024);

    // Lives to the end of the process, past the application object: a probe or scan still on a
    // thread pool at exit may be using a service.
    static Platform platform;
    if (nativeWayland) {
        QString error;
        std::optional<Platform> native
            = makeNativeWaylandPlatform(QCoreApplication::applicationDirPath(), &error);
        if (!native) {
            std::fprintf(stderr, "Vantle: %s\n", qPrintable(error));
            return 1;
        }
        platform = std::move(*native);
    } else {
        platform = makeLinuxPlatform(QCoreApplication::applicationDirPath());
    }
    quitOnTerminationSignals(&app);
    fonts.join();

    AppDelegate delegate(platform);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     &AppDelegate::applicationWillTerminate);
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    const int status = QApplication::exec();
    // Off the bus while the application still runs; the rest of the platform outlives it.
    platform.remote.reset();
    return status;
}
