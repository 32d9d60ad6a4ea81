#include "ui/CorePressButton.h"

#include "ui/CorePressButtonStyle.h"
#include "ui/CoreSpringAnimation.h"

#include <QImage>
#include <QPainter>

CorePressButton::CorePressButton(QWidget *parent)
    : QAbstractButton(parent)
    , m_pressSpring(new CoreSpringAnimation(CorePressButtonStyle::springResponse,
                                            CorePressButtonStyle::springDamping, this))
{
    m_pressSpring->setValue(1.0);
    connect(m_pressSpring, &CoreSpringAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::pressed, this, [this] { pressedChanged(true); });
    connect(this, &QAbstractButton::released, this, [this] { pressedChanged(false); });
}

CorePressButton::~CorePressButton() = default;

double CorePressButton::pressScale() const
{
    return m_pressSpring->value();
}

void CorePressButton::paintLabel(QPainter &, const QRectF &)
{ }

QPointF CorePressButton::pressAnchor() const
{
    return QRectF(rect()).center();
}

void CorePressButton::pressedChanged(bool pressed)
{
    m_pressSpring->animateTo(CorePressButtonStyle::scaleFor(pressed));
    update();
}

void CorePressButton::paintEvent(QPaintEvent *)
{
    const QRectF bounds = rect();
    const double brightness = CorePressButtonStyle::brightnessFor(isDown());

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(CorePressButtonStyle::transform(pressAnchor(), pressScale()));
    if (brightness == 0) {
        paintLabel(painter, bounds);
        return;
    }

    // Brightening needs the label's own pixels, so a held button paints through a layer.
    const double ratio = devicePixelRatioF();
    QImage layer(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        paintLabel(layerPainter, bounds);
    }
    CorePressButtonStyle::brighten(layer, brightness);
    painter.drawImage(QPointF(0, 0), layer);
}
