#include "hud/HUDWidgetSettings.h"

#include "hud/HUDNotifications.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"

#include <QStringList>

using enum HUDWidgetID;

const QList<HUDWidgetSettings::Toggleable> &HUDWidgetSettings::toggleable()
{
    static const QList<Toggleable> list{
        {playerStatus, QStringLiteral("HP Bar")},  {partyStrip, QStringLiteral("Party Bars")},
        {fieldHeader, QStringLiteral("Clock")},    {targetCursor, QStringLiteral("Cursor")},
        {nowPlaying, QStringLiteral("Music")},     {summaryPanel, QStringLiteral("Summary")},
        {skillSlots, QStringLiteral("Quick Bar")},
    };
    return list;
}

HUDWidgetSettings::HUDWidgetSettings(UserDefaults &defaults, HUDNotifications &notifications,
                                     QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_notifications(notifications)
{
    if (const auto stored = m_defaults.stringList(key)) {
        for (const QString &raw : *stored)
            m_hidden.insert(raw);
    }
}

bool HUDWidgetSettings::isHidden(HUDWidgetID id) const
{
    return m_hidden.contains(HUDWidget::rawValue(id));
}

bool HUDWidgetSettings::toggle(HUDWidgetID id)
{
    const QString raw = HUDWidget::rawValue(id);
    const bool nowVisible = m_hidden.remove(raw);
    if (!nowVisible)
        m_hidden.insert(raw);
    save();
    return nowVisible;
}

void HUDWidgetSettings::hideAll()
{
    m_hidden.clear();
    for (const Toggleable &t : toggleable())
        m_hidden.insert(HUDWidget::rawValue(t.id));
    save();
}

void HUDWidgetSettings::showAll()
{
    m_hidden.clear();
    save();
}

bool HUDWidgetSettings::allHidden() const
{
    for (const Toggleable &t : toggleable()) {
        if (!isHidden(t.id))
            return false;
    }
    return true;
}

std::optional<HUDWidgetID> HUDWidgetSettings::widget(const QString &forTitle)
{
    for (const Toggleable &t : toggleable()) {
        if (t.title == forTitle)
            return t.id;
    }
    return std::nullopt;
}

void HUDWidgetSettings::save()
{
    QStringList list(m_hidden.begin(), m_hidden.end());
    list.sort();
    m_defaults.setValue(key, list);
    emit hiddenChanged();
    m_notifications.postWidgetsChanged();
}
