#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class HUDCommands;
class QMenu;
class QMessageBox;
class SystemLog;

// The tray icon, the program's one always-present handle: a left click toggles the game menu, a
// right click opens a small menu of the shell's main commands, the setup check, the login-item
// switch, the About box and quit.
class MenuBarController final : public QObject
{
    Q_OBJECT
public:
    // What the titles say; asked each time the menu opens.
    struct Status
    {
        std::function<bool()> allHidden;
        std::function<int()> setupAttention;
        std::function<bool()> loginItemEnabled;
    };

    // One line of the tray menu: a separator, or a title with its key hint and the id of the
    // shell command it triggers.
    struct Entry
    {
        QString title;
        QString shortcut;
        bool separator = false;
        QString command;
    };

    // Lines trigger `commands`; `resourcesFolder` holds icons/MenuBarIcon.svg (may be empty).
    MenuBarController(HUDCommands &commands, Status status, QString resourcesFolder, SystemLog &log,
                      QObject *parent = nullptr);
    ~MenuBarController() override;

    // Creates the tray icon and shows it, once, as soon as a tray is known to be there; without
    // a tray host it logs one line and does nothing. Returns without waiting for the answer.
    void install();

    // The tray menu for the given state, in order.
    static QList<Entry> entries(const HUDCommands &commands, bool allHidden, int setupAttention,
                                bool loginItemEnabled);
    // The entries for the state the queries report now.
    QList<Entry> currentEntries() const;

    // The menu, rebuilt from currentEntries(); the tray shows it on a right click.
    QMenu *menu();
    void rebuildMenu();

    // The About box, made on first use and raised when it is already open.
    void showAbout();

    // Our own emblem from `resourcesFolder`, or the hexagon-grid symbol when the file is missing.
    static QIcon icon(const QString &resourcesFolder);
    static QString toolTip();

    QSystemTrayIcon *item() const { return m_item; }

private:
    void activated(QSystemTrayIcon::ActivationReason reason);

    HUDCommands &m_commands;
    Status m_status;
    QString m_resourcesFolder;
    SystemLog &m_log;
    bool m_installed = false;
    QSystemTrayIcon *m_item = nullptr;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QMessageBox> m_about;
};
