#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QPushButton;
class QScrollArea;
class SetupCheckList;
class SetupChecker;

// The setup check's page: the heading, the summary with its symbol, the caption, the lines in a
// scroll area and the buttons "Copy report", "Check again" and "Done".
class SetupCheckView final : public QWidget
{
    Q_OBJECT
public:
    // `onDone` closes whatever hosts the view.
    SetupCheckView(SetupChecker &checker, std::function<void()> onDone, QWidget *parent = nullptr);

    // The summary for a checker's state.
    static QString summaryText(bool checking, int itemCount, int attentionCount);
    static QString summarySymbol(int attentionCount);

    // The theme's look for a push button: gold when `primary`, a white plate otherwise.
    static void styleButton(QPushButton &button, bool primary);

    SetupCheckList *list() const { return m_list; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SetupChecker &m_checker;
    std::function<void()> m_onDone;
    QScrollArea *m_scroll;
    SetupCheckList *m_list;
};
