#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do by its arguments: start (no subcommand), send one command to
// the copy already running, print its help, or refuse arguments it does not know.
namespace CommandLine {

struct Command
{
    QString name;
    QString help;
    // Asks the running copy for a text and prints it, instead of having it act.
    bool query = false;
};

// The commands and queries a running copy takes, in the order the help lists them.
const QList<Command> &commands();
// The names of those that act (not the queries).
QStringList commandNames();
bool isQuery(const QString &name);

struct Invocation
{
    enum class Kind { start, send, help, misuse };
    Kind kind = Kind::start;
    // The command to send, or for `misuse` what was wrong.
    QString command;
    // How to meet the desktop, from "--platform x11|wayland"; empty for the default.
    QString platform;
};

// Reads the arguments after the program's name. Options meant for Qt itself ("-platform xcb",
// "-display :1", "-style=fusion"…) are left to Qt, with their values; "--platform" with two
// dashes is ours.
Invocation parse(const QStringList &arguments);

// The arguments without our own "--platform" option and its value, for Qt, which would take
// the option for its own.
QStringList withoutOwnOptions(const QStringList &arguments);

QString usage();

} // namespace CommandLine
