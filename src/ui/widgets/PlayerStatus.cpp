#include "ui/widgets/PlayerStatus.h"

#include "monitors/SystemMetricsService.h"
#include "ui/AccessiblePainted.h"
#include "ui/widgets/CoreStepGauge.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {
// Without a battery the bar stands for memory, one fixed level per pressure, so it changes
// only when the pressure does.
double fractionFor(MemoryPressure pressure)
{
    switch (pressure) {
    case MemoryPressure::normal:
        return 0.92;
    case MemoryPressure::warning:
        return 0.55;
    case MemoryPressure::critical:
        return 0.28;
    }
    return 0.92;
}

// Each pressure level keeps the colour of its meaning: green, amber, red. The elevated level
// sits at 0.55, just above the half where the HP rule would still say green, so it is named
// here rather than derived from the fraction.
QColor colourFor(MemoryPressure pressure)
{
    return pressure == MemoryPressure::warning ? CoreTheme::hpAmber()
                                               : hpColor(fractionFor(pressure));
}
} // namespace

namespace CoreWidgets {

PlayerStatus::PlayerStatus(SystemMetricsService &metrics, UserAccount account, QWidget *parent)
    : QWidget(parent)
    , m_metrics(&metrics)
    , m_username(usernameFor(account))
    , m_gauge(new CoreStepGauge(this))
{
    connect(m_gauge, &CoreStepGauge::displayedFractionChanged, this, qOverload<>(&QWidget::update));
    connect(&metrics, &SystemMetricsService::changed, this, &PlayerStatus::refresh);
    m_bar = hpBarFor(metrics, m_username);
    m_gauge->setFraction(m_bar.fraction, false);
    // Read out as the player's name, "HP 524 of 23540" with its figures as the gauge's value,
    // and the level label.
    AccessiblePainted::attach(this, [this] {
        const QStringList figures = m_bar.currentLabel.split(QStringLiteral(" / "));
        AccessibleItem hp{QAccessible::ProgressBar,
                          QStringLiteral("HP ") + figures.join(QStringLiteral(" of ")),
                          {},
                          toPixels(m_bar.gaugeRect().translated(paddingH, paddingV))};
        if (figures.size() == 2)
            hp.value = std::pair(figures[0].toDouble(), figures[1].toDouble());
        const QRectF capsule = toPixels(m_bar.capsuleRect().translated(paddingH, paddingV));
        return QList<AccessibleItem>{
            {QAccessible::StaticText, m_bar.username, {}, QRectF(QPointF(), size())},
            hp,
            {QAccessible::StaticText, m_bar.levelLabel, {}, capsule},
        };
    });
}

PlayerStatus::~PlayerStatus() = default;

QString PlayerStatus::usernameFor(const UserAccount &account)
{
    const QStringList words = account.fullName.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.isEmpty() ? account.loginName : words.first();
}

CoreHPBar PlayerStatus::hpBarFor(const SystemMetricsService &metrics, const QString &username)
{
    CoreHPBar bar;
    bar.username = username;
    const std::optional<double> percent = metrics.batteryPercent();
    if (metrics.hasBattery() && percent) {
        bar.fraction = *percent / 100;
        bar.fill = hpColor(bar.fraction);
        bar.currentLabel = QString::asprintf("%.0f", *percent) + QStringLiteral(" / 100");
    } else {
        bar.fraction = fractionFor(metrics.memoryPressure());
        bar.fill = colourFor(metrics.memoryPressure());
        bar.currentLabel = QString::number(qint64(metrics.memoryUsedGB() * 1000))
            + QStringLiteral(" / ")
            + QString::number(qint64(std::max(metrics.memoryTotalGB() * 1000, 1.0)));
    }
    bar.levelLabel = QStringLiteral("CPU: ") + QString::number(qint64(metrics.cpuPercent()))
        + QStringLiteral("%");
    return bar;
}

QRectF PlayerStatus::gaugeRect() const
{
    return m_bar.gaugeRect().translated(paddingH, paddingV);
}

QSize PlayerStatus::sizeHint() const
{
    return scaledHint({500, 100});
}

void PlayerStatus::refresh()
{
    if (!m_metrics)
        return;
    CoreHPBar bar = hpBarFor(*m_metrics, m_username);
    // The metrics publish every second; the bar redraws itself while it slides, and the rest
    // only when its words or colour change.
    const bool sameStrip = bar.fill == m_bar.fill && bar.username == m_bar.username;
    const bool sameLabels
        = bar.currentLabel == m_bar.currentLabel && bar.levelLabel == m_bar.levelLabel;
    const QRectF oldCapsule = m_bar.capsuleRect();
    m_bar = std::move(bar);
    m_gauge->setFraction(m_bar.fraction, isVisible());
    if (!sameStrip)
        update();
    else if (!sameLabels)
        update(labelsArea(oldCapsule.united(m_bar.capsuleRect())));
}

QRect PlayerStatus::labelsArea(const QRectF &capsule) const
{
    // The labels' shadows stay inside the plate above (it is padded) and drop below it; the
    // plate's antialiased top edge falls in the first row of pixels the capsule covers.
    return toPixels(capsule.translated(paddingH, paddingV).adjusted(-4, 0, 4, 6));
}

void PlayerStatus::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    beginPoints(painter);
    // Most repaints are the capsule's labels; the strip above them is left alone then.
    const QRectF only = repaintedPoints(event->rect()).translated(-paddingH, -paddingV);
    m_bar.paint(painter, QPointF(paddingH, paddingV), m_gauge->displayedFraction(),
                event->rect() == rect() ? QRectF() : only);
    m_gauge->setDrawnWidth(gaugeRect().width() * readoutScale() * devicePixelRatioF());
}

} // namespace CoreWidgets
