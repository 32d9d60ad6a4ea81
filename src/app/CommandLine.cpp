#include "app/CommandLine.h"

#include "app/ShellActions.h"

#include <algorithm>

namespace CommandLine {

namespace {

// Qt's own options that take their value as the next argument ("-style=fusion" carries its own).
bool takesValue(QString option)
{
    static const QStringList withValue{
        QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"),
        QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("geometry"),      QStringLiteral("qwindowtitle"),
        QStringLiteral("title"),         QStringLiteral("qwindowicon"),
        QStringLiteral("icon"),          QStringLiteral("display"),
        QStringLiteral("style"),         QStringLiteral("stylesheet"),
        QStringLiteral("session"),       QStringLiteral("name"),
    };
    while (option.startsWith(QLatin1Char('-')))
        option.remove(0, 1);
    return withValue.contains(option);
}

const QLatin1String kPlatform("--platform");

// Our "--platform VALUE" or "--platform=VALUE" at `i`: the value (empty when missing) and
// how many arguments it spans; 0 when the argument is something else.
int ownPlatformOption(const QStringList &arguments, qsizetype i, QString *value)
{
    const QString &argument = arguments.at(i);
    if (argument == kPlatform) {
        *value = arguments.value(i + 1);
        return i + 1 < arguments.size() ? 2 : 1;
    }
    if (argument.startsWith(kPlatform + QLatin1Char('='))) {
        *value = argument.mid(kPlatform.size() + 1);
        return 1;
    }
    return 0;
}

} // namespace

QStringList withoutOwnOptions(const QStringList &arguments)
{
    QStringList out;
    for (qsizetype i = 0; i < arguments.size();) {
        QString value;
        const int span = ownPlatformOption(arguments, i, &value);
        if (span == 0)
            out << arguments.at(i);
        i += std::max(span, 1);
    }
    return out;
}

const QList<Command> &commands()
{
    // The shell's commands that say what they do from the command line.
    static const QList<Command> all = [] {
        QList<Command> out;
        for (const HUDCommands::Command &command : ShellActions::table()) {
            if (!command.remoteHelp.isEmpty())
                out.append({command.id, command.remoteHelp});
        }
        out.append({QStringLiteral("stats"),
                    QStringLiteral("print what Kaidro itself costs: its share of a core, "
                                   "wake-ups and memory over the last minute"),
                    true});
        return out;
    }();
    return all;
}

QStringList commandNames()
{
    QStringList names;
    for (const Command &command : commands()) {
        if (!command.query)
            names << command.name;
    }
    return names;
}

bool isQuery(const QString &name)
{
    return std::any_of(commands().cbegin(), commands().cend(),
                       [&](const Command &c) { return c.query && c.name == name; });
}

Invocation parse(const QStringList &arguments)
{
    QString found;
    QString platform;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (const int span = ownPlatformOption(arguments, i, &platform)) {
            if (platform != QLatin1String("x11") && platform != QLatin1String("wayland"))
                return {
                    Invocation::Kind::misuse,
                    QStringLiteral("--platform takes x11 or wayland (not \"%1\")").arg(platform),
                    {}};
            i += span - 1;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")
            || argument == QLatin1String("help"))
            return {Invocation::Kind::help, {}};
        if (argument.startsWith(QLatin1Char('-'))) {
            if (takesValue(argument))
                ++i;
            continue;
        }
        if (!found.isEmpty())
            return {
                Invocation::Kind::misuse,
                QStringLiteral("one command at a time (\"%1\", then \"%2\")").arg(found, argument)};
        found = argument;
    }
    if (found.isEmpty())
        return {Invocation::Kind::start, {}, platform};
    if (!commandNames().contains(found) && !isQuery(found))
        return {Invocation::Kind::misuse, QStringLiteral("unknown command \"%1\"").arg(found), {}};
    return {Invocation::Kind::send, found, platform};
}

QString usage()
{
    QString text = QStringLiteral(
        "Usage: Vantle [COMMAND]\n"
        "\n"
        "Without a command, starts Kaidro on this display (ending a copy already running "
        "there).\n"
        "With a command, asks the running copy over the session D-Bus and returns at once:\n"
        "\n");
    for (const Command &command : commands())
        text += QStringLiteral("  %1%2\n").arg(command.name.leftJustified(13), command.help);
    text += QStringLiteral(
        "\n  --platform x11|wayland\n"
        "               how to meet the desktop: X11 (also through XWayland), or the Wayland\n"
        "               compositor itself, with the panels on its overlay layer; by default\n"
        "               the compositor where it offers the layer shell, else X11\n"
        "  --help       show this text\n");
    return text;
}

} // namespace CommandLine
