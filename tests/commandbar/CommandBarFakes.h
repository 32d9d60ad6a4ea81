#pragma once

#include "commandbar/CommandBarSearch.h"

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QStringList>

#include <functional>

// Rows answered by a function of the query.
class FakeSearch final : public CommandBarSearch
{
public:
    std::function<QList<CommandItem>(const QString &)> rows;
    QList<CommandItem> results(const QString &query) override { return rows(query); }
    void noteRun(const QString &query, const CommandItem &row) override
    {
        learned << query + " ran " + row.target.value;
    }
    void forget(const CommandItem &row) override { learned << "forget " + row.target.value; }
    QStringList learned;
};

// Records the region of every paint event a widget gets.
class PaintSpy final : public QObject
{
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};
