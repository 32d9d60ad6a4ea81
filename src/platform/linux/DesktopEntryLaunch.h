#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class DesktopEntryFile;

// Starts the program of a desktop entry as the desktop's own launchers do, without a shell: the
// Exec line's quoting is undone into words first, then its field codes are expanded word by
// word, so nothing an entry's name or path holds can split or join words.
class DesktopEntryLaunch final
{
public:
    // The words of the entry's Exec line for a launch without files: %f %F %u %U and the
    // deprecated %d %D %n %N %v %m expand to nothing (a word of nothing else is dropped), a word
    // "%i" to "--icon" and the Icon, %c to the Name, %k to the entry's file, %% to %. Nothing,
    // with the reason in `error`, when the line is missing, empty or its quoting is malformed.
    static std::optional<QStringList> arguments(const DesktopEntryFile &entry,
                                                QString *error = nullptr);

    // The first terminal emulator installed, with the option after which it runs a command;
    // empty when there is none.
    static QStringList terminal();

    // Starts the entry's program in its own session, in the entry's Path when it names one, in
    // a terminal when the entry asks for one. False, with the reason logged, when the program
    // is not installed, the line is malformed, no terminal is installed or nothing started.
    static bool start(const DesktopEntryFile &entry);
};
