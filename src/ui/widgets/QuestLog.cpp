#include "ui/widgets/QuestLog.h"

#include "monitors/SystemMetricsService.h"
#include "ui/AccessiblePainted.h"
#include "ui/CoreTheme.h"
#include "ui/CoreWhiteCard.h"
#include "ui/Symbols.h"
#include "ui/widgets/ReadoutText.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <tuple>

namespace {
constexpr double kKindSize = 9;
constexpr double kTextSize = 12;
constexpr double kSubSize = 10;
constexpr double kCheckGlyph = 16;
constexpr double kHoverOpacity = 0.12;
constexpr double kKindTracking = 0.6;

const ThemeType kKindType{kKindSize, ThemeWeight::bold, kKindTracking};
const ThemeType kTextType{kTextSize, ThemeWeight::semibold};
const ThemeType kSubType{kSubSize, ThemeWeight::semibold};

double rowHeight(const QuestRow &row)
{
    double height = 2 * CoreWidgets::QuestLog::rowPadding
        + ReadoutText::height(themeFont(kKindType)) + ReadoutText::height(themeFont(kTextType));
    if (!row.sub.isEmpty())
        height += ReadoutText::height(themeFont(kSubType));
    return std::ceil(height);
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

QList<QRectF> QuestLog::rowRects(const QList<QuestRow> &rows) const
{
    const QRectF content = contentRect();
    QList<QRectF> rects;
    double y = content.top();
    for (const QuestRow &row : rows) {
        const double height = rowHeight(row);
        if (y + height > content.bottom())
            break;
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
    for (int i = 0; i < rects.size(); ++i) {
        const QuestRow &row = current[i];
        const QRectF r = rects[i];
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
