#include "hud/HUDLayoutStore.h"

#include "platform/Logging.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"

#include <QVariantList>
#include <QVariantMap>

#include <cmath>

HUDLayoutStore::HUDLayoutStore(UserDefaults &defaults)
    : m_defaults(defaults)
{
    const auto stored = m_defaults.dictionary(key);
    if (!stored)
        return;
    // One value that is not an array of numbers makes the whole stored dictionary unusable;
    // it stays in the defaults until the next write replaces it.
    QHash<QString, QList<double>> loaded;
    for (auto it = stored->begin(); it != stored->end(); ++it) {
        if (it.value().typeId() != QMetaType::QVariantList)
            return;
        QList<double> numbers;
        for (const QVariant &v : it.value().toList()) {
            const auto n = UserDefaults::toNumber(v);
            if (!n)
                return;
            numbers << *n;
        }
        loaded.insert(it.key(), numbers);
    }
    m_offsets = std::move(loaded);
    qCDebug(lcHud) << "read the offsets of" << m_offsets.size() << "panels";
}

QPointF HUDLayoutStore::offset(HUDWidgetID id) const
{
    const auto it = m_offsets.constFind(HUDWidget::rawValue(id));
    if (it == m_offsets.constEnd() || it->size() != 2)
        return {0, 0};
    return {it->at(0), it->at(1)};
}

void HUDLayoutStore::setOffset(HUDWidgetID id, double dx, double dy)
{
    // A non-finite offset cannot be written as JSON; storing it would make the whole stored
    // dictionary unreadable on the next start and lose every other widget's place.
    if (!std::isfinite(dx) || !std::isfinite(dy))
        return;
    const QString raw = HUDWidget::rawValue(id);
    if (std::abs(dx) < 0.5 && std::abs(dy) < 0.5)
        m_offsets.remove(raw);
    else
        m_offsets.insert(raw, {dx, dy});
    write();
}

void HUDLayoutStore::resetAll()
{
    m_offsets.clear();
    m_defaults.remove(key);
}

void HUDLayoutStore::write()
{
    QVariantMap map;
    for (auto it = m_offsets.begin(); it != m_offsets.end(); ++it) {
        QVariantList pair;
        for (double v : it.value())
            pair << v;
        map.insert(it.key(), pair);
    }
    m_defaults.setValue(key, map);
    qCDebug(lcHud) << "wrote the offsets of" << map.size() << "panels";
}
