#include "ui/CoreCircleIconButton.h"

#include "ui/CoreCircleIcon.h"
#include "ui/CoreSpringAnimation.h"

#include <QLineF>

CoreCircleIconButton::CoreCircleIconButton(const QString &systemImage, double size, QWidget *parent)
    : CorePressButton(parent)
    , m_systemImage(systemImage)
    , m_size(size)
    , m_selectionSpring(new CoreSpringAnimation(CoreCircleIcon::springResponse,
                                                CoreCircleIcon::springDamping, this))
{
    m_selectionSpring->setValue(1.0);
    connect(m_selectionSpring, &CoreSpringAnimation::valueChanged, this,
            qOverload<>(&QWidget::update));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(sizeHint());
}

CoreCircleIconButton::~CoreCircleIconButton() = default;

void CoreCircleIconButton::setSystemImage(const QString &systemImage)
{
    if (systemImage == m_systemImage)
        return;
    m_systemImage = systemImage;
    update();
}

void CoreCircleIconButton::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    m_selectionSpring->animateTo(selected ? CoreCircleIcon::selectedScale : 1.0);
    update();
}

void CoreCircleIconButton::setLightIdle(bool lightIdle)
{
    if (lightIdle == m_lightIdle)
        return;
    m_lightIdle = lightIdle;
    update();
}

double CoreCircleIconButton::selectionScale() const
{
    return m_selectionSpring->value();
}

QPointF CoreCircleIconButton::faceCentre() const
{
    const QMarginsF out = CoreCircleIcon::outsets(m_size);
    return {out.left() + m_size / 2, out.top() + m_size / 2};
}

QSize CoreCircleIconButton::sizeHint() const
{
    const QMarginsF out = CoreCircleIcon::outsets(m_size);
    return QSizeF(m_size + out.left() + out.right(), m_size + out.top() + out.bottom()).toSize();
}

void CoreCircleIconButton::paintLabel(QPainter &painter, const QRectF &)
{
    CoreCircleIcon(m_systemImage, m_selected, m_size, m_lightIdle)
        .paint(painter, faceCentre(), selectionScale());
}

QPointF CoreCircleIconButton::pressAnchor() const
{
    return faceCentre();
}

bool CoreCircleIconButton::hitButton(const QPoint &pos) const
{
    // Only the round face takes clicks, not the room kept for its shadow.
    return QLineF(faceCentre(), QPointF(pos)).length() <= m_size / 2 * selectionScale();
}
