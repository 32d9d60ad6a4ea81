#include "ui/ToastView.h"

#include "platform/Rounding.h"
#include "ui/CoreShadow.h"
#include "ui/CoreTheme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTitleToRule = 4;
constexpr double kRuleHeight = 1;
constexpr double kRuleOpacity = 0.5;
constexpr double kRuleToMessage = 6;
constexpr double kShadowOpacity = 0.28;
// A radius of 5 reaches 9 points out (CoreShadow::reach); with the 1-point drop it stays inside
// the 10-point margin on every side.
constexpr double kShadowRadius = 5;
constexpr QPointF kShadowOffset(0, 1);

const ThemeType kTitleType{14, ThemeWeight::bold};
const ThemeType kMessageType{12, ThemeWeight::semibold};

// QTextLayout only breaks at Unicode line separators, so a message with line feeds keeps them.
QString layoutText(const QString &message)
{
    QString text = message;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

double textWidth(double width)
{
    return std::max(0.0, width - 2 * ToastView::outerMargin - 2 * ToastView::horizontalPadding);
}

} // namespace

ToastView::ToastView(QString title, QString message, std::function<void()> onTap, QWidget *parent)
    : QAbstractButton(parent)
    , m_title(std::move(title))
    , m_message(std::move(message))
    , m_onTap(std::move(onTap))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    // Screen readers get one element, a button, that reads the whole toast.
    setAccessibleName(m_message.isEmpty() ? m_title : m_title + QStringLiteral(", ") + m_message);
    setAccessibleDescription(QStringLiteral("Dismisses this message"));
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_onTap)
            m_onTap();
    });
}

double ToastView::titleLineHeight()
{
    return Rounding::ceil(QFontMetricsF(themeFont(kTitleType)).height());
}

double ToastView::layoutMessage(QTextLayout &layout, double width)
{
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return Rounding::ceil(y);
}

double ToastView::fittingHeight(const QString &title, const QString &message, double width)
{
    Q_UNUSED(title) // one line whatever its length: a long title is elided, not wrapped
    double height
        = 2 * outerMargin + 2 * verticalPadding + titleLineHeight() + kTitleToRule + kRuleHeight;
    if (!message.isEmpty()) {
        QTextLayout layout(layoutText(message), themeFont(kMessageType));
        height += kRuleToMessage + layoutMessage(layout, textWidth(width));
    }
    return height;
}

QRectF ToastView::cardRect(const QSizeF &size)
{
    return QRectF(QPointF(0, 0), size)
        .adjusted(outerMargin, outerMargin, -outerMargin, -outerMargin);
}

QSize ToastView::sizeHint() const
{
    const int w = width() > 0 ? width() : 340;
    return {w, heightForWidth(w)};
}

QSize ToastView::minimumSizeHint() const
{
    // The toast centre sets the panel's frame and may cut a long message short; the card must
    // not hold the panel open to its full fitting height.
    return {0, 0};
}

int ToastView::heightForWidth(int width) const
{
    return int(Rounding::ceil(fittingHeight(m_title, m_message, width)));
}

void ToastView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF card = cardRect(size());
    if (card.isEmpty())
        return;
    QPainterPath outline;
    outline.addRect(card);
    CoreShadow::paint(painter, outline, QColor::fromRgbF(0, 0, 0, float(kShadowOpacity)),
                      kShadowRadius, kShadowOffset);
    painter.fillRect(card, CoreTheme::cardWhite());
    painter.fillRect(QRectF(card.left(), card.top(), accentWidth, card.height()),
                     CoreTheme::gold());

    painter.setClipRect(card);
    painter.setPen(CoreTheme::textSecondary());
    const double left = card.left() + horizontalPadding;
    const double width = textWidth(this->width());
    double y = card.top() + verticalPadding;

    const QFont title = themeFont(kTitleType);
    const double titleHeight = titleLineHeight();
    painter.setFont(title);
    QString oneLine = m_title;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    painter.drawText(QRectF(left, y, width, titleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetricsF(title).elidedText(oneLine, Qt::ElideRight, width));
    y += titleHeight + kTitleToRule;

    QColor rule = CoreTheme::textSecondary();
    rule.setAlphaF(float(kRuleOpacity));
    painter.fillRect(QRectF(left, y, width, kRuleHeight), rule);
    y += kRuleHeight + kRuleToMessage;

    if (m_message.isEmpty())
        return;
    const QString text = layoutText(m_message);
    const QFont font = themeFont(kMessageType);
    QTextLayout layout(text, font);
    layoutMessage(layout, width);

    // A card cut to its largest height shows the lines that fit and ends the last one with an
    // ellipsis.
    const double limit = card.bottom() - verticalPadding;
    int visible = 0;
    while (visible < layout.lineCount()) {
        const QTextLine line = layout.lineAt(visible);
        if (y + line.y() + line.height() > limit)
            break;
        ++visible;
    }
    const bool cut = visible < layout.lineCount();
    const int whole = cut ? visible - 1 : visible;
    for (int i = 0; i < whole; ++i)
        layout.lineAt(i).draw(&painter, QPointF(left, y));
    if (cut && visible > 0) {
        const QTextLine last = layout.lineAt(visible - 1);
        const QString rest = text.mid(last.textStart()).simplified();
        painter.setFont(font);
        painter.drawText(
            QRectF(left, y + last.y(), width, last.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            QFontMetricsF(font).elidedText(rest + QChar(0x2026), Qt::ElideRight, width));
    }
}
