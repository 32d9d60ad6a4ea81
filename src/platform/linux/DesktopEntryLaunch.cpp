#include "platform/linux/DesktopEntryLaunch.h"

#include "platform/Logging.h"
#include "platform/linux/DesktopEntryFile.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <glib.h>

namespace {

// One word of the Exec line with its field codes expanded; nothing when the word was only
// field codes that stand for nothing here.
std::optional<QString> expandWord(const QString &word, const DesktopEntryFile &entry)
{
    QString out;
    bool expanded = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i] != QLatin1Char('%') || i + 1 == word.size()) {
            out += word[i];
            continue;
        }
        const QChar code = word[++i];
        if (code == QLatin1Char('%')) {
            out += code;
            continue;
        }
        expanded = true;
        if (code == QLatin1Char('c'))
            out += entry.name;
        else if (code == QLatin1Char('k'))
            out += entry.filePath;
        // The file and URL codes have no files to stand for; the deprecated ones, %i inside a
        // longer word and unknown codes stand for nothing.
    }
    if (expanded && out.isEmpty())
        return std::nullopt;
    return out;
}

} // namespace

std::optional<QStringList> DesktopEntryLaunch::arguments(const DesktopEntryFile &entry,
                                                         QString *error)
{
    const auto fail = [error](const QString &reason) -> std::optional<QStringList> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (entry.exec.trimmed().isEmpty())
        return fail(QStringLiteral("the entry has no Exec line"));
    gchar **argv = nullptr;
    GError *parseError = nullptr;
    if (!g_shell_parse_argv(entry.exec.toUtf8().constData(), nullptr, &argv, &parseError)) {
        const QString reason = QString::fromUtf8(parseError->message);
        g_error_free(parseError);
        return fail(QStringLiteral("malformed Exec line: ") + reason);
    }
    QStringList out;
    for (gchar **word = argv; *word; ++word) {
        const QString text = QString::fromUtf8(*word);
        if (text == QLatin1String("%i")) {
            if (!entry.iconName.isEmpty())
                out << QStringLiteral("--icon") << entry.iconName;
        } else if (std::optional<QString> expanded = expandWord(text, entry)) {
            out << *expanded;
        }
    }
    g_strfreev(argv);
    if (out.isEmpty())
        return fail(QStringLiteral("the Exec line names no program"));
    return out;
}

QStringList DesktopEntryLaunch::terminal()
{
    const std::pair<const char *, const char *> known[] = {
        {"gnome-terminal", "--"}, {"mate-terminal", "-x"}, {"xfce4-terminal", "-x"},
        {"tilix", "-e"},          {"konsole", "-e"},       {"nxterm", "-e"},
        {"color-xterm", "-e"},    {"rxvt", "-e"},          {"dtterm", "-e"},
        {"xterm", "-e"},
    };
    for (const auto &[name, option] : known) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty())
            return {found, QLatin1String(option)};
    }
    return {};
}

bool DesktopEntryLaunch::start(const DesktopEntryFile &entry)
{
    const auto fail = [&entry](const QString &reason) {
        qCWarning(lcTools) << "cannot start" << entry.filePath << ":" << reason;
        return false;
    };
    QString error;
    std::optional<QStringList> words = arguments(entry, &error);
    if (!words)
        return fail(error);
    if (entry.terminal) {
        const QStringList terminalWords = terminal();
        if (terminalWords.isEmpty())
            return fail(QStringLiteral("it runs in a terminal and no terminal is installed"));
        *words = terminalWords + *words;
    }
    if (!entry.workingFolder.isEmpty() && !QFileInfo(entry.workingFolder).isDir())
        return fail(QStringLiteral("its Path %1 is no folder").arg(entry.workingFolder));
    QString program = words->takeFirst();
    // A bare name is looked up on PATH here, so that a missing program is told as such.
    if (!program.contains(QLatin1Char('/'))) {
        const QString found = QStandardPaths::findExecutable(program);
        if (found.isEmpty())
            return fail(QStringLiteral("no program %1 is installed").arg(program));
        program = found;
    }
    // QProcess detaches the program into a session of its own; its output goes where ours does.
    if (!QProcess::startDetached(program, *words, entry.workingFolder))
        return fail(QStringLiteral("%1 did not start").arg(program));
    qCDebug(lcTools) << "started" << entry.filePath << "as" << program << *words;
    return true;
}
