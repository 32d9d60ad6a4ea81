#pragma once

#include "ui/CorePressButton.h"

namespace CoreWidgets {

// One transport control of the now-playing strip: a white symbol with the press style.
class TransportButton final : public CorePressButton
{
    Q_OBJECT

public:
    static constexpr double side = 30;
    static constexpr double glyphSize = 18;

    explicit TransportButton(const QString &symbol, QWidget *parent = nullptr);

    // "Previous track", "Next track", "Pause" or "Play", from the symbol's name.
    static QString labelFor(const QString &symbol);

    QString symbol() const { return m_symbol; }
    // Also renames the button after the new symbol.
    void setSymbol(const QString &symbol);

    QSize sizeHint() const override;
    // Drawn `factor` times its design size.
    void setScale(double factor);

protected:
    void paintLabel(QPainter &painter, const QRectF &bounds) override;

private:
    QString m_symbol;
    double m_scale = 1;
};

} // namespace CoreWidgets
