#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace OffThread {

// Runs `work` on `pool` and hands its result to `then` back on the main thread, unless `owner`
// is gone by then. The answer travels through the application object, which outlives every
// owner; the guard is read there, on the main thread.
template <typename Work, typename Then>
void run(QThreadPool &pool, QObject *owner, Work work, Then then)
{
    const QPointer<QObject> guard(owner);
    (void)QtConcurrent::run(
        &pool, [guard, work = std::move(work), then = std::move(then)]() mutable {
            auto result = work();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard, then = std::move(then), result = std::move(result)]() mutable {
                    if (guard)
                        then(std::move(result));
                },
                Qt::QueuedConnection);
        });
}

} // namespace OffThread
