#include "ui/widgets/QuestLog.h"

#include "monitors/SystemMetricsService.h"
#include "platform/Rounding.h"
#include "ui/AccessiblePainted.h"
#include "ui/CoreTheme.h"
#include "ui/CoreWhiteCard.h"
#include "ui/Symbols.h"
#include "ui/widgets/ReadoutText.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {
constexpr double kKindSize = 9;
constexpr double kTextSize = 12;
constexpr double kSubSize = 10;
constexpr double kCheckGlyph = 16;
constexpr double kHoverOpacity = 0.12;
constexpr double kKindTracking = 0.6;
constexpr double kScrollMarkWidth = 3;
constexpr double kScrollMarkInset = 5;
constexpr double kMinThumb = 18;

const ThemeType kKindType{kKindSize, ThemeWeight::bold, kKindTracking};
const ThemeType kTextType{kTextSize, ThemeWeight::semibold};
const ThemeType kSubType{kSubSize, ThemeWeight::semibold};

double rowHeight(const QuestRow &row)
{
    double height = 2 * CoreWidgets::QuestLog::rowPadding
        + ReadoutText::height(themeFont(kKindType)) + ReadoutText::height(themeFont(kTextType));
    if (!row.sub.isEmpty())
        height += ReadoutText::height(themeFont(kSubType));
    return Rounding::ceil(height);
}

// The height of all rows stacked with their gaps.
double stackedHeight(const QList<QuestRow> &rows)
{
    double height = 0;
    for (const QuestRow &row : rows)
        height += rowHeight(row);
    return rows.isEmpty() ? 0 : height + CoreWidgets::QuestLog::rowGap * double(rows.size() - 1);
}
} // namespace

namespace CoreWidgets {

QuestLog::QuestLog(SystemMetricsService &metrics, InputSource source, QWidget *parent)
    : QWidget(parent)
    , m_metrics(&metrics)
    , m_source(std::move(source))
{
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Quest"));
    connect(&metrics, &SystemMetricsService::changed, this, &QuestLog::refresh);
    exposeRows();
}

QuestLog::~QuestLog() = default;

QColor QuestLog::toneColour(QuestTone tone)
{
    switch (tone) {
    case QuestTone::alert:
        return CoreTheme::hpRed();
    case QuestTone::urgent:
        return CoreTheme::accentBlue();
    case QuestTone::quest:
    case QuestTone::setup:
        return CoreTheme::gold();
    }
    return CoreTheme::gold();
}

QuestInputs QuestLog::inputs() const
{
    QuestInputs in = m_metrics ? QuestInputs::fromMetrics(*m_metrics) : QuestInputs{};
    if (m_source)
        m_source(in);
    return in;
}

QList<QuestRow> QuestLog::rows() const
{
    return questRows(inputs());
}

QRectF QuestLog::cardRect() const
{
    return QRectF(rect()).marginsRemoved(CoreWhiteCard::shadowOutsets());
}

QRectF QuestLog::contentRect() const
{
    const QRectF card = cardRect();
    const QRectF inner = card.marginsRemoved(CoreWhiteCard::padding);
    const double top = inner.top() + CoreWhiteCard::headerHeight() + CoreWhiteCard::spacing;
    return {inner.left(), top, inner.width(), std::max(0.0, inner.bottom() - top)};
}

double QuestLog::maxScroll(const QList<QuestRow> &rows) const
{
    return std::max(0.0, stackedHeight(rows) - contentRect().height());
}

void QuestLog::scrollBy(double delta)
{
    // Clamped against the rows of now; fewer rows later pull the offset back when drawn.
    const double scroll = std::clamp(m_scroll + delta, 0.0, maxScroll(rows()));
    if (scroll == m_scroll)
        return;
    m_scroll = scroll;
    update();
}

QList<QRectF> QuestLog::rowRects(const QList<QuestRow> &rows) const
{
    const QRectF content = contentRect();
    QList<QRectF> rects;
    double y = content.top() - std::clamp(m_scroll, 0.0, maxScroll(rows));
    for (const QuestRow &row : rows) {
        const double height = rowHeight(row);
        rects.append(QRectF(content.left(), y, content.width(), height));
        y += height + rowGap;
    }
    return rects;
}

QRectF QuestLog::checkRect(const QRectF &row) const
{
    return {row.right() - checkSide, row.center().y() - checkSide / 2, checkSide, checkSide};
}

std::pair<int, bool> QuestLog::hit(const QPointF &pos, const QList<QuestRow> &rows) const
{
    if (!contentRect().contains(pos))
        return {-1, false};
    const QList<QRectF> rects = rowRects(rows);
    for (int i = 0; i < rects.size(); ++i) {
        if (rects[i].contains(pos))
            return {i, rows[i].completes && checkRect(rects[i]).contains(pos)};
    }
    return {-1, false};
}

QSize QuestLog::sizeHint() const
{
    return {360, 336};
}

void QuestLog::refresh()
{
    update();
}

void QuestLog::mousePressEvent(QMouseEvent *event)
{
    std::tie(m_pressed, m_pressedCheck) = hit(event->position(), rows());
    event->accept();
}

void QuestLog::mouseReleaseEvent(QMouseEvent *event)
{
    const QList<QuestRow> current = rows();
    const auto [index, onCheck] = hit(event->position(), current);
    const bool same = index >= 0 && index == m_pressed && onCheck == m_pressedCheck;
    m_pressed = -1;
    if (!same || event->button() != Qt::LeftButton)
        return;
    const QuestRow &row = current[index];
    if (onCheck)
        emit reminderCompleted(*row.completes);
    else if (row.action != QuestAction::none)
        emit actionRequested(row.action);
}

void QuestLog::mouseMoveEvent(QMouseEvent *event)
{
    const int hovered = hit(event->position(), rows()).first;
    if (hovered != m_hovered) {
        m_hovered = hovered;
        update();
    }
}

void QuestLog::leaveEvent(QEvent *)
{
    m_hovered = -1;
    update();
}

void QuestLog::wheelEvent(QWheelEvent *event)
{
    const QList<QuestRow> current = rows();
    const double max = maxScroll(current);
    if (max <= 0) {
        event->ignore();
        return;
    }
    // A touchpad reports pixels; a wheel reports eighths of a degree, 120 to a notch.
    const double delta = !event->pixelDelta().isNull()
        ? -event->pixelDelta().y()
        : -event->angleDelta().y() / 120.0 * wheelStep;
    scrollBy(delta);
    m_hovered = hit(event->position(), current).first;
    event->accept();
}

bool QuestLog::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QList<QuestRow> current = rows();
    const auto [index, onCheck] = hit(help->pos(), current);
    if (onCheck)
        QToolTip::showText(help->globalPos(), QString::fromLatin1(checkHelp), this,
                           checkRect(rowRects(current)[index]).toAlignedRect());
    else
        QToolTip::hideText();
    return true;
}

void QuestLog::paintScrollMark(QPainter &painter, const QList<QuestRow> &rows)
{
    const double max = maxScroll(rows);
    if (max <= 0)
        return;
    // A thin track in the card's right margin; its thumb says how much lies above and below.
    const QRectF content = contentRect();
    const QRectF track(content.right() + kScrollMarkInset, content.top(), kScrollMarkWidth,
                       content.height());
    const double thumbHeight
        = std::max(kMinThumb, track.height() * content.height() / (content.height() + max));
    const double scroll = std::clamp(m_scroll, 0.0, max);
    const double top = track.top() + (track.height() - thumbHeight) * scroll / max;
    QColor trackColour = CoreTheme::textMuted();
    trackColour.setAlphaF(0.25f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColour);
    painter.drawRoundedRect(track, kScrollMarkWidth / 2, kScrollMarkWidth / 2);
    painter.setBrush(CoreTheme::gold());
    painter.drawRoundedRect(QRectF(track.left(), top, kScrollMarkWidth, thumbHeight),
                            kScrollMarkWidth / 2, kScrollMarkWidth / 2);
}

void QuestLog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    CoreWhiteCard::paint(painter, cardRect(), QStringLiteral("Quest"));

    const QList<QuestRow> current = rows();
    const QList<QRectF> rects = rowRects(current);
    const QFont kind = themeFont(kKindType);
    const QFont text = themeFont(kTextType);
    const QFont sub = themeFont(kSubType);
    const QRectF content = contentRect();
    paintScrollMark(painter, current);
    // A row half scrolled out is cut at the content's edge, which shows that more lies there.
    painter.setClipRect(content);
    for (int i = 0; i < rects.size(); ++i) {
        const QuestRow &row = current[i];
        const QRectF r = rects[i];
        if (!r.intersects(content))
            continue;
        const QColor tone = toneColour(row.tone);
        if (i == m_hovered && (row.action != QuestAction::none || row.completes)) {
            QColor tint = CoreTheme::gold();
            tint.setAlphaF(float(kHoverOpacity));
            painter.fillRect(r, tint);
        }
        painter.fillRect(QRectF(r.left(), r.top() + 2, stripeWidth, r.height() - 4), tone);

        const double left = r.left() + textIndent;
        const double right = row.completes ? checkRect(r).left() - 4 : r.right();
        const double width = std::max(0.0, right - left);
        double y = r.top() + rowPadding;
        const double kindHeight = ReadoutText::height(kind);
        ReadoutText::draw(painter, QRectF(left, y, width, kindHeight), Qt::AlignLeft,
                          row.kind.toUpper(), kind, tone);
        y += kindHeight;
        const double textHeight = ReadoutText::height(text);
        ReadoutText::draw(painter, QRectF(left, y, width, textHeight), Qt::AlignLeft,
                          ReadoutText::elided(row.text, text, width), text,
                          CoreTheme::textSecondary());
        y += textHeight;
        if (!row.sub.isEmpty())
            ReadoutText::draw(painter, QRectF(left, y, width, ReadoutText::height(sub)),
                              Qt::AlignLeft, ReadoutText::elided(row.sub, sub, width), sub,
                              CoreTheme::textMuted());
        if (row.completes)
            Symbols::draw(painter, checkRect(r), QStringLiteral("checkmark.circle"),
                          CoreTheme::textMuted(), kCheckGlyph);
    }
}

void QuestLog::exposeRows()
{
    // Every row, the ones below the card's edge too, then its completion check: a row that
    // runs something is a button, one that does not is text.
    struct Entry
    {
        AccessibleItem item;
        QuestAction action = QuestAction::none;
        QString reminder; // set on a completion check
    };
    auto entries = [this] {
        const QList<QuestRow> current = rows();
        const QList<QRectF> rects = rowRects(current);
        QList<Entry> list;
        for (int i = 0; i < current.size(); ++i) {
            const QuestRow &row = current[i];
            const QRectF rect = i < rects.size() ? rects[i] : QRectF();
            const bool runs = row.action != QuestAction::none;
            const QString help
                = row.sub.isEmpty() ? row.kind : row.kind + QStringLiteral(". ") + row.sub;
            list.append(
                {{runs ? QAccessible::Button : QAccessible::StaticText, row.text, help, rect, runs},
                 row.action,
                 {}});
            if (row.completes)
                list.append({{QAccessible::Button, QStringLiteral("Mark complete: ") + row.text,
                              QStringLiteral("Mark this reminder complete"),
                              rect.isEmpty() ? QRectF() : checkRect(rect), true},
                             QuestAction::none,
                             *row.completes});
        }
        return list;
    };
    AccessiblePainted::attach(
        this,
        [entries] {
            QList<AccessibleItem> items;
            for (const Entry &entry : entries())
                items.append(entry.item);
            return items;
        },
        [this, entries](int index) {
            const Entry entry = entries().at(index);
            if (!entry.reminder.isEmpty())
                emit reminderCompleted(entry.reminder);
            else
                emit actionRequested(entry.action);
        });
}

} // namespace CoreWidgets
