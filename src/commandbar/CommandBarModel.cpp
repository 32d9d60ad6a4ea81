#include "commandbar/CommandBarModel.h"

CommandBarModel::CommandBarModel(Search search, Play play, QObject *parent)
    : QObject(parent)
    , m_search(std::move(search))
    , m_play(std::move(play))
{ }

void CommandBarModel::setQuery(const QString &query)
{
    // The same text ranks again: the sources may have changed since (a new clip, a scan).
    m_query = query;
    m_results = m_search ? m_search(m_query, m_commands) : QList<CommandItem>();
    m_selection = 0;
    emit queryChanged();
    emit resultsChanged();
    emit selectionChanged();
}

void CommandBarModel::setSelection(int row)
{
    if (row == m_selection)
        return;
    m_selection = row;
    emit selectionChanged();
}

void CommandBarModel::pulseFocus()
{
    ++m_focusPulse;
    emit focusPulseChanged();
}

void CommandBarModel::moveSelection(int delta)
{
    const int count = int(m_results.size());
    if (count == 0)
        return;
    m_selection = ((m_selection + delta) % count + count) % count;
    emit selectionChanged();
    if (m_play)
        m_play(Cue::hover, 0.3f);
}

void CommandBarModel::runSelected(bool alternate)
{
    if (m_selection < 0 || m_selection >= m_results.size())
        return;
    // Copy what runs: closing the bar may rebuild the rows.
    const CommandItem &row = m_results.at(m_selection);
    const std::function<void()> action = alternate && row.runAlt ? row.runAlt : row.run;
    if (m_play)
        m_play(Cue::select, 1.0f);
    if (onClose)
        onClose();
    if (action)
        action();
}
