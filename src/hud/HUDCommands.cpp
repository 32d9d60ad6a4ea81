#include "hud/HUDCommands.h"

#include <QAction>

HUDCommands::HUDCommands(QObject *parent)
    : QObject(parent)
{ }

HUDCommands::~HUDCommands() = default;

QAction *HUDCommands::add(const Command &command)
{
    Q_ASSERT(!action(command.id));
    auto *created = new QAction(command.text.isEmpty() ? command.barTitle : command.text, this);
    created->setObjectName(command.id);
    const QString id = command.id;
    connect(created, &QAction::triggered, this, [this, id] { emit triggered(id); });
    m_commands.append(command);
    m_actions.append(created);
    return created;
}

QAction *HUDCommands::action(const QString &id) const
{
    for (qsizetype i = 0; i < m_commands.size(); ++i) {
        if (m_commands.at(i).id == id)
            return m_actions.at(i);
    }
    return nullptr;
}

const HUDCommands::Command *HUDCommands::command(const QString &id) const
{
    for (const Command &c : m_commands) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

bool HUDCommands::trigger(const QString &id) const
{
    QAction *found = action(id);
    if (!found || !found->isEnabled())
        return false;
    found->trigger();
    return true;
}
