#pragma once

#include "platform/UserAccount.h"
#include "ui/widgets/CoreHPBar.h"
#include "ui/widgets/ReadoutScale.h"

#include <QPointer>
#include <QWidget>

class CoreStepGauge;
class SystemMetricsService;

namespace CoreWidgets {

// The player's HP bar: the battery, or memory pressure on a machine without one.
class PlayerStatus final : public QWidget, public ReadoutScale
{
    Q_OBJECT

public:
    static constexpr double paddingH = 8;
    static constexpr double paddingV = 6;

    PlayerStatus(SystemMetricsService &metrics, UserAccount account, QWidget *parent = nullptr);
    ~PlayerStatus() override;

    // The first word of the full name; the login name when the full name has none.
    static QString usernameFor(const UserAccount &account);
    // The bar the metrics call for, named `username`.
    static CoreHPBar hpBarFor(const SystemMetricsService &metrics, const QString &username);

    const CoreHPBar &hpBar() const { return m_bar; }
    const CoreStepGauge &gauge() const { return *m_gauge; }
    // The gauge in this widget's coordinates.
    QRectF gaugeRect() const;
    // What new labels repaint, in pixels: `capsule` (in the bar's coordinates) with its plate's
    // edge and the labels' shadows, clear of the strip above it.
    QRect labelsArea(const QRectF &capsule) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    QPointer<SystemMetricsService> m_metrics;
    QString m_username;
    CoreHPBar m_bar;
    CoreStepGauge *m_gauge;
};

} // namespace CoreWidgets
