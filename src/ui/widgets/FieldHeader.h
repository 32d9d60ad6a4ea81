#pragma once

#include "platform/Feedback.h"

#include <QAbstractButton>

#include "ui/widgets/ReadoutScale.h"
#include <QPointer>

class SystemMetricsService;

namespace CoreWidgets {

// The clock: time and date on a slanted plate in the bottom-left corner of its panel. A click
// plays the select cue and opens the calendar.
class FieldHeader final : public QAbstractButton, public ReadoutScale
{
    Q_OBJECT

public:
    static constexpr double rowHeight = 48;
    static constexpr double paddingH = 26;
    static constexpr double leadingInset = 10;
    static constexpr double timeDateGap = 8;

    explicit FieldHeader(SystemMetricsService &metrics, QWidget *parent = nullptr);
    ~FieldHeader() override;

    // The time of `now` without the date, short, in the user's locale.
    static QString timeText(const QDateTime &now);
    // Abbreviated weekday, abbreviated month and day, in the user's locale.
    static QString dateText(const QDateTime &now);

    QString timeLabel() const { return m_time; }
    QString dateLabel() const { return m_date; }
    // The plate under the label row, in this widget's coordinates.
    QRectF plateRect() const;

    QSize sizeHint() const override;

signals:
    // A click: the select cue, then the calendar.
    void cue(SoundCue cue);
    void calendarRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void refresh();
    void openCalendar();

    QPointer<SystemMetricsService> m_metrics;
    QString m_time;
    QString m_date;
};

} // namespace CoreWidgets
