#pragma once

#include "hud/HUDHotKeys.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QAction;

// The shell's commands, each one `QAction` under a fixed id. The program defines them once
// (`app/ShellActions`); its hot keys, the tray menu, the command line, the game menu's rows and
// the command bar's command rows all trigger these same actions, so adding a command is one
// entry there. Main thread only.
class HUDCommands final : public QObject
{
    Q_OBJECT
public:
    struct Command
    {
        // The name the command line and the remote control use ("menu", "edit-layout").
        QString id;
        // The tray menu's line; empty when the tray does not list it.
        QString text;
        // The command bar's row; an empty title keeps the command out of the bar.
        QString barTitle;
        QString barSymbol;
        QString barSubtitle;
        // The global key combination that triggers it, if any.
        std::optional<HotKeyBinding> hotKey;
        // What `Vantle <id> ` does, for its help; empty when the command line does not take it.
        QString remoteHelp;
    };

    explicit HUDCommands(QObject *parent = nullptr);
    ~HUDCommands() override;

    // Adds a command (its id must be new) and answers its action, owned here; the caller
    // connects what it does to the action's `triggered`.
    QAction *add(const Command &command);

    // The action and the definition of `id`, or nullptr.
    QAction *action(const QString &id) const;
    const Command *command(const QString &id) const;
    // Triggers `id`'s action; false when there is none or it is disabled.
    bool trigger(const QString &id) const;

    // Every command in the order added.
    const QList<Command> &commands() const { return m_commands; }

signals:
    // A command ran, by whichever way it was reached.
    void triggered(const QString &id);

private:
    QList<Command> m_commands;
    QList<QAction *> m_actions;
};
