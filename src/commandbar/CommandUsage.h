#pragma once

#include "commandbar/CommandItem.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

// What the command bar learned from the rows it ran: a use count per target that fades by half
// every two weeks, and the row each query last ran. A query is kept only as a hash and a clip
// only by its id, so nothing the user typed or copied is stored. Kept small: the least used
// targets and the oldest queries go first. A value; the search reads it, the bar's owner
// records into it and stores it.
class CommandUsage final
{
public:
    static constexpr double halfLifeDays = 14;
    static constexpr qsizetype maxTargets = 400;
    static constexpr qsizetype maxQueries = 200;

    // The key a row's target is counted under; empty for rows that are not learned (the
    // calculator's result and the web search carry typed text).
    static QString keyOf(const CommandItem::Target &target);
    // The hash a query is remembered under: the same for any case and spacing; empty for a
    // blank query.
    static QString queryKey(const QString &query);

    bool isEmpty() const { return m_uses.isEmpty() && m_picks.isEmpty(); }
    // The decayed count of `key` at `now`; 0 when never run.
    double weight(const QString &key, const QDateTime &now) const;
    // The key of the row last run from the query with hash `queryKey`; empty when none.
    QString lastPick(const QString &queryKey) const;
    // Every counted key with its decayed count at `now`.
    QHash<QString, double> weights(const QDateTime &now) const;
    // Orders keys as their decayed counts do at any one time, without the clock: the higher,
    // the more used. Minus infinity for a key never run.
    double rank(const QString &key) const;
    // The ranks of one kind's targets by their values ("app:/a.desktop" as "/a.desktop"), for
    // looking up many rows without building a key for each.
    QHash<QString, double> ranks(CommandItem::Target::Kind kind) const;

    // Counts one run of `target` from `query`; a target that is not learned changes nothing.
    void record(const QString &query, const CommandItem::Target &target, const QDateTime &now);
    // Drops the target's count and every query's memory of it; true when something went.
    bool forget(const CommandItem::Target &target);
    void clear();

    QByteArray encode() const;
    // None when the text is not a usage file; entries of the wrong shape are skipped.
    static std::optional<CommandUsage> decode(const QByteArray &json);

private:
    struct Use
    {
        double count = 0; // as of `at`
        QDateTime at;
        double rank = 0; // log2(count) + `at` in half-lives
    };
    static Use use(double count, const QDateTime &at);
    struct Pick
    {
        QString key;
        QDateTime at;
    };
    void trim(const QDateTime &now);

    QHash<QString, Use> m_uses;
    QHash<QString, Pick> m_picks;
};
