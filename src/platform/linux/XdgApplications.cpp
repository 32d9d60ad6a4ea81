#include "platform/linux/XdgApplications.h"

#include "platform/linux/DesktopEntryFile.h"

#include <QDir>
#include <QSet>

#include <optional>

namespace {

const QString kSuffix = QStringLiteral(".desktop");

struct Candidate
{
    QString id;
    QString path;
};

QStringList desktopFiles(const QDir &dir)
{
    // Kept by their ending here: a name filter would compile a wildcard pattern for the scan.
    QStringList files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    files.removeIf([](const QString &file) { return !file.endsWith(kSuffix); });
    return files;
}

// The files of one application folder with their ids: the top level first, then each
// subfolder's, both by name. Deeper folders are not read.
QList<Candidate> candidates(const QString &folder)
{
    QList<Candidate> out;
    const QDir root(folder);
    if (!root.exists())
        return out;
    for (const QString &file : desktopFiles(root))
        out.append({file.chopped(kSuffix.size()), root.filePath(file)});
    const QStringList subfolders
        = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString &sub : subfolders) {
        const QDir dir(root.filePath(sub));
        for (const QString &file : desktopFiles(dir))
            out.append({sub + QLatin1Char('-') + file.chopped(kSuffix.size()), dir.filePath(file)});
    }
    return out;
}

std::optional<InstalledApp> read(const Candidate &candidate)
{
    const std::optional<DesktopEntryFile> file = DesktopEntryFile::read(candidate.path);
    if (!file || file->hidden || file->noDisplay || !file->shownIn())
        return std::nullopt;
    InstalledApp app;
    app.id = candidate.id;
    app.name = file->name;
    app.desktopFile = file->filePath;
    app.iconName = file->iconName;
    return app;
}

} // namespace

namespace XdgApplications {

QList<InstalledApp> scan(const QStringList &folders)
{
    QList<InstalledApp> out;
    QSet<QString> taken;
    for (const QString &folder : folders) {
        for (const Candidate &candidate : candidates(folder)) {
            if (taken.contains(candidate.id))
                continue;
            taken.insert(candidate.id);
            if (std::optional<InstalledApp> app = read(candidate))
                out.append(std::move(*app));
        }
    }
    return out;
}

QString iconName(const QString &desktopFile)
{
    const std::optional<DesktopEntryFile> file = DesktopEntryFile::read(desktopFile);
    return file ? file->iconName : QString();
}

} // namespace XdgApplications
