#pragma once

#include "platform/LoginItems.h"

#include <QByteArray>

// The login item as an XDG autostart entry, `kaidro.desktop` in the user's autostart folder,
// which every freedesktop session starts at log-in. Nothing asks the user to approve it.
class XdgAutostartLoginItems final : public LoginItems
{
public:
    // `autostartFolder` is normally defaultFolder(); `executablePath` the running program.
    XdgAutostartLoginItems(QString autostartFolder, QString executablePath);

    Status status() const override;
    bool registerItem(QString *error = nullptr) override;
    bool unregisterItem(QString *error = nullptr) override;
    QString executablePath() const override { return m_executablePath; }

    QString entryPath() const;

    // $XDG_CONFIG_HOME/autostart.
    static QString defaultFolder();

    // The entry that starts `executablePath`.
    static QByteArray entry(const QString &executablePath);
    // `path` as one argument of an Exec key: quoted, with the characters the desktop-entry
    // format reserves escaped.
    static QString quoteExecArgument(const QString &path);
    // The program an entry's Exec key starts, or empty when the entry has none.
    static QString programOf(const QByteArray &entry);
    // Whether the entry says Hidden=true (the user deleted it in a settings tool).
    static bool isHidden(const QByteArray &entry);

private:
    QString m_folder;
    QString m_executablePath;
};
