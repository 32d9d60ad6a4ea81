#pragma once

#include "commandbar/CommandItem.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// What the command bar shows: the query, the ranked rows and the highlighted one. Every change
// of the query ranks afresh and moves the highlight back to the first row. Main thread only.
class CommandBarModel final : public QObject
{
    Q_OBJECT
public:
    enum class Cue { hover, select };
    using Search = std::function<QList<CommandItem>(const QString &query, const CommandBarCommands &)>;
    using Play = std::function<void(Cue cue, float volume)>;

    CommandBarModel(Search search, Play play, QObject *parent = nullptr);

    const QString &query() const { return m_query; }
    void setQuery(const QString &query);
    const QList<CommandItem> &results() const { return m_results; }
    int selection() const { return m_selection; }
    void setSelection(int row);
    int focusPulse() const { return m_focusPulse; }
    void pulseFocus();

    const CommandBarCommands &commands() const { return m_commands; }
    void setCommands(CommandBarCommands commands) { m_commands = std::move(commands); }
    // Asks whoever shows the bar to close it.
    std::function<void()> onClose = [] {};

    // Wraps around at both ends; does nothing (not even a sound) without rows.
    void moveSelection(int delta);
    // Runs the highlighted row (its alternative when `alternate` and it has one), after the
    // bar has closed.
    void runSelected(bool alternate);

signals:
    void queryChanged();
    void resultsChanged();
    void selectionChanged();
    void focusPulseChanged();

private:
    Search m_search;
    Play m_play;
    QString m_query;
    QList<CommandItem> m_results;
    int m_selection = 0;
    int m_focusPulse = 0;
    CommandBarCommands m_commands;
};
