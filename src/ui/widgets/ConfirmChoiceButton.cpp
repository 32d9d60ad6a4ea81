#include "ui/widgets/ConfirmChoiceButton.h"

#include "ui/CoreShadow.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"

#include <QPainter>
#include <QPainterPath>

namespace CoreWidgets {

ConfirmChoiceButton::ConfirmChoiceButton(Choice choice, QWidget *parent)
    : CorePressButton(parent)
    , m_choice(choice)
{
    const QString help
        = choice == Choice::confirm ? QStringLiteral("Log Out") : QStringLiteral("Cancel");
    setToolTip(help);
    setAccessibleName(help);
    setCursor(Qt::PointingHandCursor);
}

QSize ConfirmChoiceButton::sizeHint() const
{
    return {int(frame), int(frame)};
}

bool ConfirmChoiceButton::hitButton(const QPoint &pos) const
{
    const QPointF d = QPointF(pos) - QRectF(rect()).center();
    return d.x() * d.x() + d.y() * d.y() <= (disc / 2) * (disc / 2);
}

void ConfirmChoiceButton::paintLabel(QPainter &painter, const QRectF &bounds)
{
    const QPointF centre = bounds.center();
    const QRectF discRect(centre.x() - disc / 2, centre.y() - disc / 2, disc, disc);
    QPainterPath face;
    face.addEllipse(discRect);
    CoreShadow::paint(painter, face, QColor::fromRgbF(0, 0, 0, 0.2f), 3);
    const bool confirm = m_choice == Choice::confirm;
    painter.fillPath(face, confirm ? CoreTheme::accentBlue() : CoreTheme::accentPink());
    if (confirm) {
        // The stroke is centred on the 36-point circle.
        const double r = ring / 2 - ringLine / 2;
        painter.setPen(QPen(Qt::white, ringLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, r, r);
    } else {
        Symbols::draw(painter, discRect, QStringLiteral("xmark"), Qt::white, glyphSize);
    }
}

} // namespace CoreWidgets
