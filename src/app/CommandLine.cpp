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

} // namespace

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
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
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
        return {};
    if (!commandNames().contains(found) && !isQuery(found))
        return {Invocation::Kind::misuse, QStringLiteral("unknown command \"%1\"").arg(found)};
    return {Invocation::Kind::send, found};
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
    text += QStringLiteral("\n  --help       show this text\n");
    return text;
}

} // namespace CommandLine
