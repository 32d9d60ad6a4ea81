#include "ui/widgets/PartyStrip.h"

#include "monitors/SystemMetricsService.h"
#include "platform/Rounding.h"
#include "ui/AccessiblePainted.h"
#include "ui/CoreShapes.h"
#include "ui/widgets/CoreStepGauge.h"
#include "ui/widgets/ReadoutText.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
// The plate's slant: its top edge runs this far right of the row's trailing end.
double plateSlant()
{
    return skewSlope(30) * MiniHP::rowHeight;
}

// BAT and PWR are the same member; the gauge keeps animating when the battery goes away.
QString gaugeKey(const MiniHP &line)
{
    return line.name == QLatin1String("BAT") || line.name == QLatin1String("PWR")
        ? QStringLiteral("power")
        : line.name;
}

MiniHP heatLine(ThermalState state)
{
    switch (state) {
    case ThermalState::fair:
        return {QStringLiteral("HEAT"), 0.5, QStringLiteral("Warm"), true};
    case ThermalState::serious:
        return {QStringLiteral("HEAT"), 0.78, QStringLiteral("Hot"), true};
    case ThermalState::critical:
        return {QStringLiteral("HEAT"), 1.0, QStringLiteral("Critical"), true};
    case ThermalState::nominal:
        break;
    }
    return {};
}
} // namespace

namespace CoreWidgets {

PartyStrip::PartyStrip(SystemMetricsService &metrics, NetworkReading network, QWidget *parent)
    : QWidget(parent)
    , m_metrics(&metrics)
    , m_network(std::move(network))
{
    connect(&metrics, &SystemMetricsService::changed, this, &PartyStrip::refresh);
    m_lines = linesFor(metrics, m_network);
    for (const MiniHP &line : std::as_const(m_lines))
        gaugeFor(line)->setFraction(line.fraction, false);
    // Each member is read out as its name and detail ("CPU 9%", "MEM 3.1 of 16G"), with its
    // gauge's fill in percent as the value.
    AccessiblePainted::attach(this, [this] {
        QList<AccessibleItem> items;
        for (int i = 0; i < m_lines.size(); ++i) {
            const MiniHP &line = m_lines[i];
            QString detail = line.detail;
            detail.replace(QStringLiteral(" / "), QStringLiteral(" of "));
            AccessibleItem item{QAccessible::ProgressBar,
                                detail.isEmpty() ? line.name : line.name + u' ' + detail,
                                {},
                                toPixels(lineRect(i))};
            item.value = std::pair(std::round(line.fraction * 100), 100.0);
            items.append(item);
        }
        return items;
    });
}

PartyStrip::~PartyStrip() = default;

QList<MiniHP> PartyStrip::linesFor(const SystemMetricsService &m, const NetworkReading &network)
{
    QList<MiniHP> lines;
    lines.append({QStringLiteral("CPU"), std::min(m.cpuPercent() / 100, 1.0),
                  QString::asprintf("%.0f%%", m.cpuPercent()), true});

    const double total = m.memoryTotalGB();
    lines.append({QStringLiteral("MEM"), total > 0 ? std::min(m.memoryUsedGB() / total, 1.0) : 0.0,
                  QString::asprintf("%.1f / %.0fG", m.memoryUsedGB(), total), true});

    if (m.hasBattery()) {
        const std::optional<double> percent = m.batteryPercent();
        lines.append({QStringLiteral("BAT"), percent ? *percent / 100 : 1.0,
                      QString::asprintf("%.0f%%", percent.value_or(100))
                          + (m.isCharging() ? QStringLiteral(" CHG") : QString()),
                      false});
    } else {
        lines.append({QStringLiteral("PWR"), 1.0, QStringLiteral("AC"), false});
    }

    if (network) {
        const auto [strength, label] = network();
        lines.append({QStringLiteral("NET"), strength, label, false});
    }

    if (m.diskTotalGB() > 0)
        lines.append({QStringLiteral("SSD"), 1 - m.diskFreeGB() / m.diskTotalGB(),
                      QString::asprintf("%.0f GB free", m.diskFreeGB()), true});

    if (m.thermal() != ThermalState::nominal)
        lines.append(heatLine(m.thermal()));
    return lines;
}

CoreStepGauge *PartyStrip::gaugeFor(const MiniHP &line)
{
    const QString key = gaugeKey(line);
    CoreStepGauge *gauge = m_gauges.value(key);
    if (!gauge) {
        gauge = new CoreStepGauge(this);
        // A sliding bar redraws itself only, not its line's words.
        connect(gauge, &CoreStepGauge::displayedFractionChanged, this, [this, key] {
            for (int i = 0; i < m_lines.size(); ++i) {
                if (gaugeKey(m_lines[i]) == key)
                    update(gaugeArea(i));
            }
        });
        m_gauges.insert(key, gauge);
        gauge->setFraction(line.fraction, false);
    }
    return gauge;
}

void PartyStrip::refresh()
{
    if (!m_metrics)
        return;
    QList<MiniHP> lines = linesFor(*m_metrics, m_network);
    const Columns before = columns();
    // The metrics publish every second; only lines whose words changed are redrawn (the bars
    // redraw themselves as they slide).
    const bool sameLines = lines.size() == m_lines.size()
        && std::equal(lines.begin(), lines.end(), m_lines.begin(),
                      [](const MiniHP &a, const MiniHP &b) { return a.name == b.name; });
    QList<int> changed;
    for (int i = 0; sameLines && i < lines.size(); ++i) {
        if (lines[i].detail != m_lines[i].detail || lines[i].inverted != m_lines[i].inverted)
            changed << i;
    }
    m_lines = std::move(lines);
    m_columns.reset();
    for (const MiniHP &line : std::as_const(m_lines))
        gaugeFor(line)->setFraction(line.fraction, isVisible());
    const Columns after = columns();
    if (!sameLines || after.nameWidth != before.nameWidth
        || after.detailWidth != before.detailWidth) {
        update();
        return;
    }
    for (int i : std::as_const(changed))
        update(toPixels(lineRect(i)));
}

QRectF PartyStrip::lineRect(int index) const
{
    return {0, rowOrigin(index).y() - lineSpacing / 2, points(*this).width(),
            MiniHP::rowHeight + lineSpacing};
}

QPointF PartyStrip::rowOrigin(int index) const
{
    // Each row starts on a whole device pixel: at a scale that puts rows a fraction of a pixel
    // apart, every row would otherwise land differently inside its pixels and need renderings
    // of its plate and gauge of its own. The row moves as one, by less than half a pixel.
    const double y = columns().top + index * (MiniHP::rowHeight + lineSpacing);
    const double pixels = readoutScale() * devicePixelRatioF();
    return {padding, pixels > 0 ? std::round(y * pixels) / pixels : y};
}

PartyStrip::Columns PartyStrip::columns() const
{
    if (!m_columns || m_columnsSize != size() || m_columnsScale != readoutScale()) {
        m_columns = layOutColumns();
        m_columnsSize = size();
        m_columnsScale = readoutScale();
    }
    return *m_columns;
}

PartyStrip::Columns PartyStrip::layOutColumns() const
{
    Columns c;
    double widestDetail = 0;
    for (const MiniHP &line : m_lines) {
        c.nameWidth = std::max(c.nameWidth, ReadoutText::width(line.name, MiniHP::nameFont()));
        widestDetail = std::max(widestDetail, line.naturalDetailWidth());
    }
    c.nameWidth = Rounding::ceil(c.nameWidth);
    // Every line shares the detail column; a detail wider than the panel allows shrinks.
    const double room = points(*this).width() - padding - plateSlant() - MiniHP::plateOverhang
        - MiniHP::rowWidth(c.nameWidth, 0);
    c.detailWidth = Rounding::ceil(std::max(0.0, std::min(widestDetail, room)));

    const qsizetype count = m_lines.size();
    const double stack
        = count * MiniHP::rowHeight + std::max<qsizetype>(count - 1, 0) * lineSpacing;
    const double height = points(*this).height();
    c.top = stack + 2 * padding <= height ? padding : std::max(0.0, (height - stack) / 2);
    return c;
}

QRectF PartyStrip::gaugeRect(int index) const
{
    return MiniHP::gaugeRect(rowOrigin(index), columns().nameWidth);
}

QRect PartyStrip::gaugeArea(int index) const
{
    // The outline is stroked on the gauge's edge, half of it outside, antialiased.
    constexpr double kOutline = 2;
    return toPixels(gaugeRect(index).adjusted(-kOutline, -kOutline, kOutline, kOutline));
}

double PartyStrip::displayedFraction(int index) const
{
    if (index < 0 || index >= m_lines.size())
        return 0;
    const CoreStepGauge *gauge = m_gauges.value(gaugeKey(m_lines[index]));
    return gauge ? gauge->displayedFraction() : 0;
}

QSize PartyStrip::sizeHint() const
{
    return scaledHint({350, 192});
}

void PartyStrip::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    beginPoints(painter);
    const Columns c = columns();
    const QRectF only = event->rect() == rect() ? QRectF() : repaintedPoints(event->rect());
    for (int i = 0; i < m_lines.size(); ++i) {
        if (!event->region().intersects(toPixels(lineRect(i))))
            continue;
        const QPointF origin = rowOrigin(i);
        m_lines[i].paint(painter, origin, displayedFraction(i), c.nameWidth, c.detailWidth, only);
        if (CoreStepGauge *gauge = m_gauges.value(gaugeKey(m_lines[i])))
            gauge->setDrawnWidth(MiniHP::gaugeRect(origin, c.nameWidth).width() * readoutScale()
                                 * devicePixelRatioF());
    }
}

} // namespace CoreWidgets
