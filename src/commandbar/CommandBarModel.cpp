#include "commandbar/CommandBarModel.h"

#include "commandbar/CommandBarSearch.h"

#include <algorithm>

CommandBarModel::CommandBarModel(CommandBarSearch &search, QObject *parent)
    : QObject(parent)
    , m_search(search)
{ }

void CommandBarModel::setQuery(const QString &query)
{
    // The same text ranks again: the sources may have changed since (a new clip, a scan).
    m_query = query;
    m_results = m_search.results(m_query);
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
    emit soundCue(SoundCue::hover, 0.3f);
}

void CommandBarModel::runSelected(bool alternate)
{
    if (m_selection < 0 || m_selection >= m_results.size())
        return;
    // A copy: closing the bar may rebuild the rows.
    const CommandItem row = m_results.at(m_selection);
    m_search.noteRun(m_query, row);
    emit soundCue(SoundCue::select, 1.0f);
    emit closeRequested();
    emit chosen(row, alternate && row.hasAlternative());
}

void CommandBarModel::forgetSelected()
{
    if (m_selection < 0 || m_selection >= m_results.size())
        return;
    m_search.forget(m_results.at(m_selection));
    m_results = m_search.results(m_query);
    m_selection = std::clamp(m_selection, 0, std::max(0, int(m_results.size()) - 1));
    emit resultsChanged();
    emit selectionChanged();
    emit soundCue(SoundCue::cancel, 0.6f);
}

void CommandBarModel::forgetUsage()
{
    m_search.forgetAll();
}

void CommandBarModel::requestClose()
{
    emit closeRequested();
}
