#include "app/MenuBarController.h"

#include "hud/HUDCommands.h"
#include "hud/HUDHotKeys.h"
#include "platform/SystemLog.h"
#include "platform/linux/TrayHost.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"

#include <QAction>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>

MenuBarController::MenuBarController(HUDCommands &commands, Status status, QString resourcesFolder,
                                     SystemLog &log, QObject *parent)
    : QObject(parent)
    , m_commands(commands)
    , m_status(std::move(status))
    , m_resourcesFolder(std::move(resourcesFolder))
    , m_log(log)
{ }

MenuBarController::~MenuBarController()
{
    delete m_about;
}

QString MenuBarController::toolTip()
{
    return QStringLiteral("Kaidro: click for the menu, ") + HUDHotKey.displayText
        + QStringLiteral(" shows or hides the readouts");
}

QIcon MenuBarController::icon(const QString &resourcesFolder)
{
    const QString file = resourcesFolder + QStringLiteral("/icons/MenuBarIcon.svg");
    if (!resourcesFolder.isEmpty() && QFileInfo::exists(file)) {
        // Through Qt's SVG image plugin, loaded with the SVG library only when a tray or the
        // about box asks for the emblem (linked, the library's pages were resident in every run).
        QIcon icon;
        // Tray hosts ask for anything from 16 to 48 pixels; rendered sizes stay crisp.
        for (int size : {16, 22, 24, 32, 48, 64}) {
            QImageReader reader(file, "svg");
            reader.setScaledSize(QSize(size, size));
            const QImage image = reader.read();
            if (!image.isNull())
                icon.addPixmap(QPixmap::fromImage(image));
        }
        if (!icon.isNull())
            return icon;
    }
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    Symbols::draw(painter, QRectF(pixmap.rect()), QStringLiteral("circle.hexagongrid.fill"),
                  CoreTheme::gold(), 44);
    painter.end();
    return QIcon(pixmap);
}

QList<MenuBarController::Entry> MenuBarController::entries(const HUDCommands &commands,
                                                           bool allHidden, int setupAttention,
                                                           bool loginItemEnabled)
{
    // The line of a command: its tray text (or `title`) and its key.
    auto line = [&commands](const QString &id, const QString &title = {}) {
        Entry entry{title, {}, false, id};
        if (const HUDCommands::Command *command = commands.command(id)) {
            if (entry.title.isEmpty())
                entry.title = command->text;
            if (command->hotKey)
                entry.shortcut = command->hotKey->displayText;
        }
        return entry;
    };
    const Entry separator{{}, {}, true, {}};
    const QString setupTitle = setupAttention < 1
        ? QStringLiteral("Setup Check...")
        : QStringLiteral("Setup Check (%1 need attention)...").arg(setupAttention);
    Entry quit = line(QStringLiteral("quit"));
    quit.shortcut = QStringLiteral("Ctrl+Q");
    return {
        line(QStringLiteral("hide-all"),
             allHidden ? QStringLiteral("Show All Widgets") : QStringLiteral("Hide All Widgets")),
        separator,
        line(QStringLiteral("menu")),
        line(QStringLiteral("hud")),
        line(QStringLiteral("command-bar")),
        separator,
        line(QStringLiteral("setup-check"), setupTitle),
        line(QStringLiteral("login-item"),
             loginItemEnabled ? QStringLiteral("Open at Login ✓")
                              : QStringLiteral("Open at Login")),
        line(QStringLiteral("about")),
        separator,
        quit,
    };
}

QList<MenuBarController::Entry> MenuBarController::currentEntries() const
{
    return entries(m_commands, m_status.allHidden && m_status.allHidden(),
                   m_status.setupAttention ? m_status.setupAttention() : 0,
                   m_status.loginItemEnabled && m_status.loginItemEnabled());
}

QMenu *MenuBarController::menu()
{
    if (!m_menu) {
        m_menu = std::make_unique<QMenu>();
        // Rebuilt on every opening, so the titles always say the current state.
        connect(m_menu.get(), &QMenu::aboutToShow, this, &MenuBarController::rebuildMenu);
        rebuildMenu();
    }
    return m_menu.get();
}

void MenuBarController::rebuildMenu()
{
    QMenu *target = menu();
    target->clear();
    for (const Entry &entry : currentEntries()) {
        if (entry.separator) {
            target->addSeparator();
            continue;
        }
        // The key hints are the global hot keys, which work anywhere; the menu only shows them.
        // The text after the tab is drawn in the shortcut column. Quit is the exception: its
        // Ctrl+Q acts while the menu is open.
        QAction *action = nullptr;
        if (entry.command == QLatin1String("quit")) {
            action = target->addAction(entry.title);
            action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        } else if (entry.shortcut.isEmpty()) {
            action = target->addAction(entry.title);
        } else {
            action = target->addAction(entry.title + QLatin1Char('\t') + entry.shortcut);
        }
        const QString command = entry.command;
        connect(action, &QAction::triggered, this,
                [this, command] { m_commands.trigger(command); });
    }
}

void MenuBarController::install()
{
    if (m_installed)
        return;
    m_installed = true;
    // Qt asks the tray's watcher on the bus and waits for it; asked first without waiting, a
    // desktop without a tray costs the start nothing and a watcher that hangs cannot hold it.
    TrayHost::ask(QDBusConnection::sessionBus(), this, [this](bool present) {
        if (!present || !QSystemTrayIcon::isSystemTrayAvailable()) {
            m_log.log(QStringLiteral("no system tray; use the hot keys"));
            return;
        }
        m_item = new QSystemTrayIcon(icon(m_resourcesFolder), this);
        m_item->setToolTip(toolTip());
        // The tray shows the context menu itself on a right click (an XEmbed tray through Qt,
        // a StatusNotifierItem host through the exported menu); a left click arrives as
        // Trigger.
        m_item->setContextMenu(menu());
        connect(m_item, &QSystemTrayIcon::activated, this, &MenuBarController::activated);
        m_item->show();
    });
}

void MenuBarController::activated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        m_commands.trigger(QStringLiteral("menu"));
        break;
    case QSystemTrayIcon::Context:
        // WORKAROUND(XEmbed trays): Qt pops the menu up first and reports the right click after;
        // rebuilding here would empty the menu on screen. aboutToShow has rebuilt it already,
        // under an XEmbed tray and a StatusNotifierItem host alike.
        break;
    case QSystemTrayIcon::Unknown:
        // An activation without a mouse event (a host's keyboard navigation): the HUD toggle.
        m_commands.trigger(QStringLiteral("hud"));
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::MiddleClick:
        break;
    }
}

void MenuBarController::showAbout()
{
    if (!m_about) {
        m_about = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Kaidro"),
                                  QStringLiteral("Kaidro"), QMessageBox::Ok);
        m_about->setWindowFlag(Qt::Tool);
        m_about->setIconPixmap(icon(m_resourcesFolder).pixmap(64, 64));
        m_about->setInformativeText(QStringLiteral(
            "Kaidro is a free, unofficial, non-commercial fan project, made for fun and not tied "
            "to any game or its makers. All of its art, code and sounds were made from scratch."));
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}
