#include "ui/widgets/TransportButton.h"

#include "ui/Symbols.h"

#include <QPainter>

#include <cmath>

namespace CoreWidgets {

TransportButton::TransportButton(const QString &symbol, QWidget *parent)
    : CorePressButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setSymbol(symbol);
}

QString TransportButton::labelFor(const QString &symbol)
{
    if (symbol.startsWith(QLatin1String("backward")))
        return QStringLiteral("Previous track");
    if (symbol.startsWith(QLatin1String("forward")))
        return QStringLiteral("Next track");
    if (symbol.startsWith(QLatin1String("pause")))
        return QStringLiteral("Pause");
    return QStringLiteral("Play");
}

void TransportButton::setSymbol(const QString &symbol)
{
    m_symbol = symbol;
    setAccessibleName(labelFor(symbol));
    setToolTip(labelFor(symbol));
    update();
}

QSize TransportButton::sizeHint() const
{
    return {int(std::lround(side * m_scale)), int(std::lround(side * m_scale))};
}

void TransportButton::setScale(double factor)
{
    m_scale = factor;
    updateGeometry();
    update();
}

void TransportButton::paintLabel(QPainter &painter, const QRectF &bounds)
{
    Symbols::draw(painter, bounds, m_symbol, Qt::white, glyphSize * m_scale);
}

} // namespace CoreWidgets
