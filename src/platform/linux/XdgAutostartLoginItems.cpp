#include "platform/linux/XdgAutostartLoginItems.h"

#include "platform/AtomicFile.h"
#include "platform/linux/LinuxAppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

const QString kEntryName = QStringLiteral("kaidro.desktop");

// The keys of the [Desktop Entry] group, values still escaped as in the file.
QHash<QString, QString> mainGroup(const QByteArray &entry)
{
    QHash<QString, QString> keys;
    bool inMain = false;
    for (const QByteArray &raw : entry.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMain || equals < 1)
            continue;
        const QString key = line.left(equals).trimmed();
        // The first occurrence wins; localized keys (Name[de]) are distinct keys anyway.
        if (!keys.contains(key))
            keys.insert(key, line.mid(equals + 1).trimmed());
    }
    return keys;
}

// Undoes the escapes every string value may carry (\s \n \t \r \\).
QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        default:
            out += next;
            break;
        }
    }
    return out;
}

} // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems(QString autostartFolder, QString executablePath)
    : m_folder(std::move(autostartFolder))
    , m_executablePath(std::move(executablePath))
{ }

QString XdgAutostartLoginItems::defaultFolder()
{
    return LinuxAppPaths::configHome() + QStringLiteral("/autostart");
}

QString XdgAutostartLoginItems::entryPath() const
{
    return QDir(m_folder).filePath(kEntryName);
}

QString XdgAutostartLoginItems::quoteExecArgument(const QString &path)
{
    // Inside double quotes the format reserves ", `, $ and \; a literal % is written %%
    // anywhere, because % starts a field code.
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray XdgAutostartLoginItems::entry(const QString &executablePath)
{
    // The quoting above is applied first; the string escapes of the file format come on top, so
    // a backslash in the path ends up written four times.
    QString exec = quoteExecArgument(executablePath);
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    exec.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Kaidro\n"
                                        "Exec=%1\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(exec);
    return text.toUtf8();
}

QString XdgAutostartLoginItems::programOf(const QByteArray &entry)
{
    const QString exec = unescapeValue(mainGroup(entry).value(QStringLiteral("Exec")));
    QString program;
    qsizetype i = 0;
    while (i < exec.size() && exec.at(i).isSpace())
        ++i;
    if (i < exec.size() && exec.at(i) == QLatin1Char('"')) {
        for (++i; i < exec.size() && exec.at(i) != QLatin1Char('"'); ++i) {
            if (exec.at(i) == QLatin1Char('\\') && i + 1 < exec.size())
                ++i;
            program += exec.at(i);
        }
    } else {
        for (; i < exec.size() && !exec.at(i).isSpace(); ++i)
            program += exec.at(i);
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool XdgAutostartLoginItems::isHidden(const QByteArray &entry)
{
    return mainGroup(entry).value(QStringLiteral("Hidden")) == QLatin1String("true");
}

LoginItems::Status XdgAutostartLoginItems::status() const
{
    if (m_executablePath.isEmpty() || !QFileInfo::exists(m_executablePath))
        return Status::notFound;
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return Status::notRegistered;
    // An entry is a few lines; anything much larger is not ours.
    const QByteArray contents = file.read(64 * 1024);
    if (isHidden(contents))
        return Status::notRegistered;
    const QString program = programOf(contents);
    if (program.isEmpty())
        return Status::notRegistered;
    const bool ours = program == m_executablePath
        || QFileInfo(program).canonicalFilePath()
            == QFileInfo(m_executablePath).canonicalFilePath();
    return ours ? Status::enabled : Status::notRegistered;
}

bool XdgAutostartLoginItems::registerItem(QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_executablePath.isEmpty() || !QFileInfo::exists(m_executablePath))
        return fail(QStringLiteral("the program %1 does not exist").arg(m_executablePath));
    if (!QDir().mkpath(m_folder))
        return fail(QStringLiteral("cannot create the folder %1").arg(m_folder));
    if (!AtomicFile::write(entryPath(), entry(m_executablePath)))
        return fail(QStringLiteral("cannot write %1").arg(entryPath()));
    return true;
}

bool XdgAutostartLoginItems::unregisterItem(QString *error)
{
    QFile file(entryPath());
    if (!file.exists() || file.remove())
        return true;
    if (error)
        *error = QStringLiteral("cannot remove %1: %2").arg(entryPath(), file.errorString());
    return false;
}
