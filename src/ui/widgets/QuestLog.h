#pragma once

#include "ui/widgets/QuestRows.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class SystemMetricsService;

namespace CoreWidgets {

// The quest log: alerts, calendar quests and the focus session on a white card under "Quest".
// Rows are rebuilt from the models on every redraw; clicking a row announces what it asks for.
class QuestLog final : public QWidget
{
    Q_OBJECT

public:
    // Adds what the other services know (target, calendar, focus) to the machine figures
    // before the rows are built.
    using InputSource = std::function<void(QuestInputs &inputs)>;

    static constexpr double rowPadding = 6;
    static constexpr double rowGap = 4;
    static constexpr double stripeWidth = 3;
    static constexpr double textIndent = 12;
    static constexpr double checkSide = 22;
    // How far one notch of the wheel moves the rows.
    static constexpr double wheelStep = 40;
    static constexpr const char *checkHelp = "Mark this reminder complete";

    explicit QuestLog(SystemMetricsService &metrics, InputSource source = {},
                      QWidget *parent = nullptr);
    ~QuestLog() override;

    static QColor toneColour(QuestTone tone);

    QuestInputs inputs() const;
    QList<QuestRow> rows() const;
    // Where each row is drawn, in this widget's coordinates, moved up by the scroll offset.
    // Every row has one; only what lies inside contentRect() is drawn and takes clicks.
    QList<QRectF> rowRects(const QList<QuestRow> &rows) const;
    QRectF checkRect(const QRectF &row) const;
    // The area under the header that shows the rows.
    QRectF contentRect() const;

    // Ten rows are taller than the card: the wheel scrolls them, from 0 (the first row at the
    // top) to maxScroll() (the last row at the bottom).
    double scrollOffset() const { return m_scroll; }
    double maxScroll(const QList<QuestRow> &rows) const;
    void scrollBy(double delta);

    QSize sizeHint() const override;

    void refresh();

signals:
    // A row was clicked: what it asks for.
    void actionRequested(QuestAction action);
    // A reminder's completion check was clicked.
    void reminderCompleted(const QString &reminderId);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool event(QEvent *event) override;

private:
    // Gives the painted rows and checks to assistive technology.
    void exposeRows();
    QRectF cardRect() const;
    void paintScrollMark(QPainter &painter, const QList<QuestRow> &rows);
    // The row under `pos` and whether `pos` is on its completion check; -1 for none.
    std::pair<int, bool> hit(const QPointF &pos, const QList<QuestRow> &rows) const;

    QPointer<SystemMetricsService> m_metrics;
    InputSource m_source;
    int m_pressed = -1;
    bool m_pressedCheck = false;
    int m_hovered = -1;
    double m_scroll = 0;
};

} // namespace CoreWidgets
