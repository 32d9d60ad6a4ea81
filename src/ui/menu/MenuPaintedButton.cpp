#include "ui/menu/MenuPaintedButton.h"

#include <QEnterEvent>

MenuPaintedButton::MenuPaintedButton(Painter painter, QWidget *parent)
    : CorePressButton(parent)
    , m_painter(std::move(painter))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void MenuPaintedButton::setHelp(const QString &help, const QString &accessibleName)
{
    setToolTip(help);
    setAccessibleName(accessibleName);
    setAccessibleDescription(help);
}

void MenuPaintedButton::setPainter(Painter painter)
{
    m_painter = std::move(painter);
    update();
}

void MenuPaintedButton::paintLabel(QPainter &painter, const QRectF &bounds)
{
    if (m_painter)
        m_painter(painter, bounds, *this);
}

void MenuPaintedButton::enterEvent(QEnterEvent *event)
{
    CorePressButton::enterEvent(event);
    m_hovered = true;
    update();
    emit hoverChanged(true);
}

void MenuPaintedButton::leaveEvent(QEvent *event)
{
    CorePressButton::leaveEvent(event);
    m_hovered = false;
    update();
    emit hoverChanged(false);
}
