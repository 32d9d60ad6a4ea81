#pragma once

#include "setup/SetupItem.h"

#include <QList>
#include <QRectF>
#include <QWidget>

class QPushButton;
class SetupChecker;

// The lines of the setup check, one card each: the state symbol, the title with its
// "required" or "optional" tag, the detail and, when the line has one, its action button. Its
// height follows its width, so it sits in a scroll area.
class SetupCheckList final : public QWidget
{
    Q_OBJECT
public:
    explicit SetupCheckList(SetupChecker &checker, QWidget *parent = nullptr);

    // The height the lines need at `width`.
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    QSize sizeHint() const override;

    // The symbol name drawn for a state.
    static QString symbolFor(SetupItem::State state);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Row
    {
        QRectF card;
        QRectF detail;
    };

    void itemsChanged();
    void relayout();
    QList<Row> rowsFor(int width) const;

    SetupChecker &m_checker;
    // A copy, so a button always runs the action of the line it was placed on.
    QList<SetupItem> m_items;
    QList<Row> m_rows;
    // Reused across refreshes, so a refresh never takes a button from under the pointer.
    QList<QPushButton *> m_buttons;
};
