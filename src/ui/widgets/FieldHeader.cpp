#include "ui/widgets/FieldHeader.h"

#include "monitors/SystemMetricsService.h"
#include "platform/Rounding.h"
#include "ui/CachedPaint.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/widgets/ReadoutText.h"

#include <QLocale>
#include <QPainter>

#include <cmath>

namespace {
constexpr double kTimeSize = 24;
constexpr double kDateSize = 13;
constexpr double kTextShadow = 0.35;
constexpr double kSkewDegrees = -30;

const ThemeType kTimeType{kTimeSize, ThemeWeight::bold};
const ThemeType kDateType{kDateSize, ThemeWeight::semibold};
} // namespace

namespace CoreWidgets {

FieldHeader::FieldHeader(SystemMetricsService &metrics, QWidget *parent)
    : QAbstractButton(parent)
    , m_metrics(&metrics)
{
    setToolTip(QStringLiteral("Open Calendar"));
    setAccessibleName(QStringLiteral("Clock. Opens Calendar."));
    setCursor(Qt::PointingHandCursor);
    connect(&metrics, &SystemMetricsService::changed, this, &FieldHeader::refresh);
    connect(this, &QAbstractButton::clicked, this, &FieldHeader::openCalendar);
    refresh();
}

FieldHeader::~FieldHeader() = default;

QString FieldHeader::timeText(const QDateTime &now)
{
    // A HUD clock that ticks every second only draws the eye: hours and minutes.
    return ReadoutText::shortTime(now.time());
}

QString FieldHeader::dateText(const QDateTime &now)
{
    return QLocale().toString(now.date(), QStringLiteral("ddd MMM d"));
}

void FieldHeader::refresh()
{
    if (!m_metrics)
        return;
    const QDateTime now = m_metrics->now();
    const QString time = timeText(now);
    const QString date = dateText(now);
    // The metrics publish every second; the label only changes once a minute.
    if (time == m_time && date == m_date)
        return;
    m_time = time;
    m_date = date;
    update();
}

void FieldHeader::openCalendar()
{
    emit cue(SoundCue::select);
    emit calendarRequested();
}

QRectF FieldHeader::plateRect() const
{
    const double textWidth = ReadoutText::width(m_time, themeFont(kTimeType), true) + timeDateGap
        + ReadoutText::width(m_date, themeFont(kDateType));
    return {leadingInset, points(*this).height() - rowHeight,
            Rounding::ceil(textWidth + 2 * paddingH), rowHeight};
}

QSize FieldHeader::sizeHint() const
{
    return scaledHint({300, 64});
}

bool FieldHeader::hitButton(const QPoint &pos) const
{
    return CoreSkewedRect(plateRect(), kSkewDegrees)
        .contains(toPoints(QPointF(pos) + QPointF(0.5, 0.5)));
}

void FieldHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    beginPoints(painter);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = plateRect();
    CachedPaint::fillPath(painter, CachedPaint::measures(u"skewed", plate.size(), kSkewDegrees),
                          CoreSkewedRect(plate, kSkewDegrees), CoreTheme::panelShade());

    // Time and date share a baseline, as one line of text would.
    const QFont time = themeFont(kTimeType);
    const QFont date = themeFont(kDateType);
    const QFontMetricsF timeMetrics(time);
    const QFontMetricsF dateMetrics(date);
    const double baseline = plate.top()
        + (plate.height() - timeMetrics.ascent() - timeMetrics.descent()) / 2
        + timeMetrics.ascent();
    const double timeWidth = ReadoutText::width(m_time, time, true);
    const QRectF timeBox(plate.left() + paddingH, baseline - timeMetrics.ascent(), timeWidth,
                         timeMetrics.ascent() + timeMetrics.descent());
    ReadoutText::draw(painter, timeBox, Qt::AlignLeft, m_time, time, Qt::white, kTextShadow, 2,
                      true);
    const QRectF dateBox(timeBox.right() + timeDateGap, baseline - dateMetrics.ascent(),
                         ReadoutText::width(m_date, date),
                         dateMetrics.ascent() + dateMetrics.descent());
    ReadoutText::draw(painter, dateBox, Qt::AlignLeft, m_date, date, Qt::white, kTextShadow);
}

} // namespace CoreWidgets
