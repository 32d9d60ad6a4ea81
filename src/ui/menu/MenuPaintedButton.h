#pragma once

#include "ui/CorePressButton.h"

#include <functional>

// A press button of the menu whose face is drawn by the view that owns it. It knows whether the
// pointer is over it and tells its owner when that changes.
class MenuPaintedButton final : public CorePressButton
{
    Q_OBJECT

public:
    using Painter = std::function<void(QPainter &painter, const QRectF &bounds,
                                       const MenuPaintedButton &button)>;

    explicit MenuPaintedButton(Painter painter, QWidget *parent = nullptr);

    // Tooltip and accessible name in one go: every control of the menu carries both.
    void setHelp(const QString &help, const QString &accessibleName);

    bool hovered() const { return m_hovered; }
    void setPainter(Painter painter);

signals:
    void hoverChanged(bool hovered);

protected:
    void paintLabel(QPainter &painter, const QRectF &bounds) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Painter m_painter;
    bool m_hovered = false;
};
