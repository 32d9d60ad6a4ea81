#pragma once

#include "ui/widgets/MiniHP.h"
#include "ui/widgets/ReadoutScale.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class CoreStepGauge;
class SystemMetricsService;

namespace CoreWidgets {

// The party: one MiniHP line each for CPU, memory, power, network, disk and heat.
class PartyStrip final : public QWidget, public ReadoutScale
{
    Q_OBJECT

public:
    // The network's signal strength (0…1) and its label, read on every refresh.
    using NetworkReading = std::function<std::pair<double, QString>()>;

    static constexpr double padding = 28;
    static constexpr double lineSpacing = 4;

    // Without a network reading the NET line is left out: the network monitor is not connected
    // yet, and a line with made-up figures would be worse than none.
    explicit PartyStrip(SystemMetricsService &metrics, NetworkReading network = {},
                        QWidget *parent = nullptr);
    ~PartyStrip() override;

    static QList<MiniHP> linesFor(const SystemMetricsService &metrics,
                                  const NetworkReading &network);

    const QList<MiniHP> &lines() const { return m_lines; }
    // The gauge of line `index` in this widget's coordinates.
    QRectF gaugeRect(int index) const;
    // What a frame of line `index`'s sliding gauge repaints, in pixels: the gauge and its
    // outline, clear of the line's words and their shadows.
    QRect gaugeArea(int index) const;
    // The displayed fraction of line `index`'s gauge.
    double displayedFraction(int index) const;

    QSize sizeHint() const override;

    // Reads the metrics and the network again; the owner calls it when the network changes.
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Columns
    {
        double nameWidth = 0;
        double detailWidth = 0;
        double top = 0;
    };
    // Worked out once per set of words and size: every line's box asks for them.
    Columns columns() const;
    Columns layOutColumns() const;
    // Everything line `index` draws over, in points.
    QRectF lineRect(int index) const;
    // Where row `index` is drawn from, in points.
    QPointF rowOrigin(int index) const;
    CoreStepGauge *gaugeFor(const MiniHP &line);

    QPointer<SystemMetricsService> m_metrics;
    NetworkReading m_network;
    QList<MiniHP> m_lines;
    mutable std::optional<Columns> m_columns;
    mutable QSize m_columnsSize;
    mutable double m_columnsScale = 0;
    // One animated gauge per party member, kept while its line comes and goes.
    QHash<QString, CoreStepGauge *> m_gauges;
};

} // namespace CoreWidgets
