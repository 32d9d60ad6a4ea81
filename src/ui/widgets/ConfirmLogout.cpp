#include "ui/widgets/ConfirmLogout.h"

#include "platform/Rounding.h"
#include "ui/CoreShadow.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/widgets/ConfirmChoiceButton.h"
#include "ui/widgets/ReadoutText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {
constexpr double kTitleSize = 18;
constexpr double kMessageSize = 13;
constexpr double kTitleGap = 8;
constexpr double kMessageGap = 16;
constexpr double kCut = 18;

const ThemeType kTitleType{kTitleSize, ThemeWeight::bold};
const ThemeType kMessageType{kMessageSize, ThemeWeight::regular};
} // namespace

namespace CoreWidgets {

ConfirmLogout::ConfirmLogout(QWidget *parent)
    : QWidget(parent)
    , m_confirm(new ConfirmChoiceButton(ConfirmChoiceButton::Choice::confirm, this))
    , m_cancel(new ConfirmChoiceButton(ConfirmChoiceButton::Choice::cancel, this))
{
    setAccessibleName(title());
    connect(m_confirm, &QAbstractButton::clicked, this, &ConfirmLogout::confirmed);
    connect(m_cancel, &QAbstractButton::clicked, this, &ConfirmLogout::cancelled);
}

ConfirmLogout::~ConfirmLogout() = default;

QString ConfirmLogout::title()
{
    return QStringLiteral("Log Out");
}

QString ConfirmLogout::message()
{
    return QStringLiteral("Return to the real world?\nKaidro will quit.");
}

ConfirmLogout::Layout ConfirmLogout::layout() const
{
    Layout l;
    const double titleHeight = ReadoutText::height(themeFont(kTitleType));
    const QFontMetricsF metrics(themeFont(kMessageType));
    const double messageHeight = metrics.lineSpacing() * message().count(QLatin1Char('\n'))
        + metrics.ascent() + metrics.descent();
    const double cardHeight = Rounding::ceil(padding + titleHeight + kTitleGap + messageHeight
                                             + kMessageGap + ConfirmChoiceButton::frame + padding);
    l.card = QRectF(std::round((width() - cardWidth) / 2), std::round((height() - cardHeight) / 2),
                    cardWidth, cardHeight);
    const double inner = cardWidth - 2 * padding;
    double y = l.card.top() + padding;
    l.title = QRectF(l.card.left() + padding, y, inner, titleHeight);
    y += titleHeight + kTitleGap;
    l.message = QRectF(l.card.left() + padding, y, inner, messageHeight);
    y += messageHeight + kMessageGap;
    const double row = 2 * ConfirmChoiceButton::frame + buttonGap;
    l.buttonsTop = QPointF(l.card.center().x() - row / 2, y);
    return l;
}

QRectF ConfirmLogout::cardRect() const
{
    return layout().card;
}

QSize ConfirmLogout::sizeHint() const
{
    return {320, 220};
}

void ConfirmLogout::resizeEvent(QResizeEvent *)
{
    const Layout l = layout();
    const int frame = int(ConfirmChoiceButton::frame);
    m_confirm->setGeometry(int(l.buttonsTop.x()), int(l.buttonsTop.y()), frame, frame);
    m_cancel->setGeometry(int(l.buttonsTop.x() + frame + buttonGap), int(l.buttonsTop.y()), frame,
                          frame);
}

void ConfirmLogout::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout l = layout();
    const QPainterPath card = CoreCutPanel(l.card, kCut);
    CoreShadow::paint(painter, card, QColor::fromRgbF(0, 0, 0, 0.22f), 12, QPointF(0, 5));
    painter.fillPath(card, CoreTheme::frostSolid());
    painter.strokePath(card, QPen(CoreTheme::railGrey(), 2));

    ReadoutText::draw(painter, l.title, Qt::AlignHCenter, title(), themeFont(kTitleType),
                      CoreTheme::textSecondary());
    painter.setFont(themeFont(kMessageType));
    painter.setPen(CoreTheme::textMuted());
    painter.drawText(l.message, Qt::AlignHCenter | Qt::AlignTop, message());
}

} // namespace CoreWidgets
