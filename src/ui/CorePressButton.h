#pragma once

#include <QAbstractButton>

class CoreSpringAnimation;

// Base of the interface's tappable tiles and icons: the label that paintLabel() draws shrinks
// and brightens while the button is held, in the press style of the theme.
class CorePressButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CorePressButton(QWidget *parent = nullptr);
    ~CorePressButton() override;

    // The current press scale (1 at rest, springing to 0.88 while held).
    double pressScale() const;

protected:
    // Draws the label into `bounds` (the widget's rect) before the press effect is applied.
    virtual void paintLabel(QPainter &painter, const QRectF &bounds);
    // The point the press scales about; the widget's centre unless the label sits elsewhere.
    virtual QPointF pressAnchor() const;

    void paintEvent(QPaintEvent *event) override;

private:
    void pressedChanged(bool pressed);

    CoreSpringAnimation *m_pressSpring;
};
