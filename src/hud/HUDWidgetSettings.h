#pragma once

#include "hud/HUDWidgetID.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class HUDNotifications;
class UserDefaults;

// Which readouts the user has hidden, kept under "Vantle.hiddenWidgets".
class HUDWidgetSettings final : public QObject
{
    Q_OBJECT
public:
    struct Toggleable
    {
        HUDWidgetID id;
        QString title;
    };

    static inline const QString key = QStringLiteral("Vantle.hiddenWidgets");
    static const QList<Toggleable> &toggleable();

    HUDWidgetSettings(UserDefaults &defaults, HUDNotifications &notifications,
                      QObject *parent = nullptr);

    // Raw values of the hidden widgets; may hold names of no widget, which are ignored.
    const QSet<QString> &hidden() const { return m_hidden; }

    bool isHidden(HUDWidgetID id) const;
    bool toggle(HUDWidgetID id);
    void hideAll();
    void showAll();
    bool allHidden() const;
    static std::optional<HUDWidgetID> widget(const QString &forTitle);
    void save();

signals:
    void hiddenChanged();

private:
    UserDefaults &m_defaults;
    HUDNotifications &m_notifications;
    QSet<QString> m_hidden;
};
