#pragma once

#include "commandbar/CommandItem.h"
#include "platform/Feedback.h"

#include <QList>
#include <QObject>
#include <QString>

class CommandBarSearch;

// What the command bar shows: the query, the ranked rows and the highlighted one. Every change
// of the query ranks afresh and moves the highlight back to the first row. Main thread only.
class CommandBarModel final : public QObject
{
    Q_OBJECT
public:
    // `search` outlives the model.
    explicit CommandBarModel(CommandBarSearch &search, QObject *parent = nullptr);

    const QString &query() const { return m_query; }
    void setQuery(const QString &query);
    const QList<CommandItem> &results() const { return m_results; }
    int selection() const { return m_selection; }
    void setSelection(int row);
    int focusPulse() const { return m_focusPulse; }
    void pulseFocus();

    // Wraps around at both ends; does nothing (not even a sound) without rows.
    void moveSelection(int delta);
    // Chooses the highlighted row (its alternative when `alternate` and it has one): asks to
    // close the bar, then announces the choice.
    void runSelected(bool alternate);
    // Forgets what the bar learned of the highlighted row (Alt+Delete) and ranks again, the
    // highlight staying on the same place.
    void forgetSelected();
    // Forgets everything the bar learned.
    void forgetUsage();
    // Asks whoever shows the bar to close it.
    void requestClose();

signals:
    void queryChanged();
    void resultsChanged();
    void selectionChanged();
    void focusPulseChanged();
    void soundCue(SoundCue cue, float volume);
    void closeRequested();
    // A row was chosen, after the bar was asked to close; `alternate` when its alternative was
    // asked for and it has one.
    void chosen(const CommandItem &row, bool alternate);

private:
    CommandBarSearch &m_search;
    QString m_query;
    QList<CommandItem> m_results;
    int m_selection = 0;
    int m_focusPulse = 0;
};
