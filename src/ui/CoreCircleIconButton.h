#pragma once

#include "ui/CorePressButton.h"

class CoreSpringAnimation;

// A clickable round icon face: CoreCircleIcon with the press style, springing to its larger
// scale when it becomes selected. The widget leaves room around the face for the shadow and the
// selection pointer, so the face's centre is faceCentre(), not the widget's centre.
class CoreCircleIconButton final : public CorePressButton
{
    Q_OBJECT

public:
    explicit CoreCircleIconButton(const QString &systemImage, double size = 54,
                                  QWidget *parent = nullptr);
    ~CoreCircleIconButton() override;

    QString systemImage() const { return m_systemImage; }
    void setSystemImage(const QString &systemImage);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    bool lightIdle() const { return m_lightIdle; }
    void setLightIdle(bool lightIdle);

    double iconSize() const { return m_size; }
    // The current selection scale (1 idle, springing to 1.08 when selected).
    double selectionScale() const;
    QPointF faceCentre() const;

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter &painter, const QRectF &bounds) override;
    QPointF pressAnchor() const override;
    bool hitButton(const QPoint &pos) const override;

private:
    QString m_systemImage;
    double m_size;
    bool m_selected = false;
    bool m_lightIdle = false;
    CoreSpringAnimation *m_selectionSpring;
};
