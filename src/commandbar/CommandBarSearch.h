#pragma once

#include "commandbar/CommandItem.h"

#include <QList>
#include <QString>

// What the command bar's model asks on every keystroke: the ranked rows for a query. The
// program's search reads live sources (`LiveCommandSearch`); tests answer rows of their own.
class CommandBarSearch
{
public:
    virtual ~CommandBarSearch() = default;
    virtual QList<CommandItem> results(const QString &query) = 0;
    // What the bar learns from: `row` was run from `query`. A search that learns nothing ignores
    // it.
    virtual void noteRun(const QString & /*query*/, const CommandItem & /*row*/) { }
    // Forgets what was learned of one row, or of every row.
    virtual void forget(const CommandItem & /*row*/) { }
    virtual void forgetAll() { }
};
