#pragma once

#include "platform/HotKeys.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QSet>

// Grabs held in memory; combinations in `taken` belong to another program. `press` is delivered
// from the event loop, as every backend delivers it.
class FakeHotKeys final : public HotKeys
{
public:
    using Combination = QPair<quint32, quint32>; // key, modifiers

    QSet<Combination> taken;
    QHash<int, Combination> held;
    QList<int> releases;

    bool grab(int id, quint32 key, quint32 modifiers) override
    {
        held.remove(id);
        if (taken.contains({key, modifiers}))
            return false;
        held.insert(id, {key, modifiers});
        return true;
    }
    void release(int id) override
    {
        releases << id;
        held.remove(id);
    }
    void press(int id)
    {
        QMetaObject::invokeMethod(
            this, [this, id] { emit pressed(id); }, Qt::QueuedConnection);
    }
};
