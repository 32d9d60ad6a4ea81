#include "ui/widgets/TransportButton.h"

#include "ui/Symbols.h"

#include <QPainter>

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
    return {int(side), int(side)};
}

void TransportButton::paintLabel(QPainter &painter, const QRectF &bounds)
{
    Symbols::draw(painter, bounds, m_symbol, Qt::white, glyphSize);
}

} // namespace CoreWidgets
