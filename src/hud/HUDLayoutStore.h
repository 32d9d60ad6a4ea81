#pragma once

#include "hud/HUDWidgetID.h"

#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>

class UserDefaults;

// Where the user dragged widgets: raw value → [dx, dy] in points (y up), the displacement from
// the default frame. Kept under "Vantle.layoutOffsets".
class HUDLayoutStore final
{
public:
    static inline const QString key = QStringLiteral("Vantle.layoutOffsets");

    explicit HUDLayoutStore(UserDefaults &defaults);

    const QHash<QString, QList<double>> &offsets() const { return m_offsets; }

    QPointF offset(HUDWidgetID id) const;
    void setOffset(HUDWidgetID id, double dx, double dy);
    void resetAll();

private:
    void write();

    UserDefaults &m_defaults;
    QHash<QString, QList<double>> m_offsets;
};
