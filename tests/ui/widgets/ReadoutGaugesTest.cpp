#include "WidgetTestSupport.h"

#include "ui/CoreTheme.h"
#include "ui/widgets/CoreStepGauge.h"
#include "ui/widgets/PartyStrip.h"
#include "ui/widgets/PlayerStatus.h"

#include <gtest/gtest.h>

using namespace WidgetTest;
using CoreWidgets::PartyStrip;
using CoreWidgets::PlayerStatus;

namespace {

// Which of the three HP colours the fill shows near its top, just inside its leading end.
QString hpColourAt(const QImage &image, const QRectF &gauge)
{
    const QColor colour
        = image.pixelColor(int(gauge.left() + 8), int(gauge.top() + gauge.height() * 0.25));
    const int red = distance(colour, CoreTheme::hpRed());
    const int amber = distance(colour, CoreTheme::hpAmber());
    const int green = distance(colour, CoreTheme::hpGreen());
    if (red <= amber && red <= green)
        return QStringLiteral("red");
    return amber <= green ? QStringLiteral("amber") : QStringLiteral("green");
}

// Each party line as "NAME detail".
QStringList party(const PartyStrip &view)
{
    QStringList out;
    for (const MiniHP &line : view.lines())
        out << line.name + ' ' + line.detail;
    return out;
}

class Readouts : public ::testing::Test
{
protected:
    void SetUp() override { registerThemeFonts(); }
    Metrics metrics;
};

} // namespace

TEST_F(Readouts, HPBarFillColourFollowsTheBatteryAcrossTheThresholds)
{
    const std::pair<double, const char *> cases[]
        = {{29, "red"}, {30, "amber"}, {50, "amber"}, {51, "green"}};
    for (const auto &[percent, colour] : cases) {
        metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(percent)};
        PlayerStatus view(metrics.start(), {QStringLiteral("Ada Lovelace"), QStringLiteral("ada")});
        view.resize(view.sizeHint());
        EXPECT_EQ(hpColourAt(render(view), view.gaugeRect()), colour) << percent << "%";
        EXPECT_DOUBLE_EQ(view.hpBar().fraction, percent / 100);
    }
}

TEST_F(Readouts, HPBarLabelsRoundTheBatteryTruncateTheCpuAndNameThePlayer)
{
    metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(19.6)};
    SystemMetricsService &service = metrics.start();
    metrics.publishCpu(377, 623); // 37.7 %
    PlayerStatus view(service, {QStringLiteral("Ada Lovelace"), QStringLiteral("ada")});
    EXPECT_EQ(view.hpBar().username, "Ada");
    EXPECT_EQ(view.hpBar().currentLabel, "20 / 100");
    EXPECT_EQ(view.hpBar().levelLabel, "CPU: 37%");
    // The player's name is the first word of the full name, else the login.
    EXPECT_EQ(PlayerStatus::usernameFor({QStringLiteral("  Grace  Brewster Hopper"), "gh"}),
              "Grace");
    EXPECT_EQ(PlayerStatus::usernameFor({QString(), QStringLiteral("gh")}), "gh");
    EXPECT_EQ(PlayerStatus::usernameFor({QStringLiteral("   "), QStringLiteral("gh")}), "gh");
}

TEST_F(Readouts, WithoutABatteryMemoryPressureWarningShowsAmberAtFiftyFivePercent)
{
    metrics.stats.mem = MemoryFigures{13 * gib, 16 * gib}; // 81 % used: elevated
    SystemMetricsService &service = metrics.start();
    ASSERT_EQ(service.memoryPressure(), MemoryPressure::warning);
    PlayerStatus view(service, {QString(), QStringLiteral("ada")});
    view.resize(view.sizeHint());
    EXPECT_DOUBLE_EQ(view.hpBar().fraction, 0.55);
    EXPECT_EQ(view.hpBar().currentLabel, "13000 / 16000");
    const QImage image = render(view);
    const QRectF gauge = view.gaugeRect();
    EXPECT_EQ(hpColourAt(image, gauge), "amber");
    // Past 55 % of the gauge only the dark plate shows.
    EXPECT_LT(
        image.pixelColor(int(gauge.left() + gauge.width() * 0.8), int(gauge.top() + 5)).value(),
        90);
}

TEST_F(Readouts, PartyListsEveryMemberInOrderAndLeavesOutWhatTheMachineLacks)
{
    metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(80, 100, true)};
    metrics.stats.thermal = ThermalState::serious;
    metrics.stats.volume = VolumeCapacity{123.4e9, 500e9};
    SystemMetricsService &service = metrics.start();
    metrics.publishCpu(42, 58);
    PartyStrip full(service, [] { return std::pair{0.5, QStringLiteral("Wi-Fi -60 dBm")}; });
    EXPECT_EQ(party(full),
              (QStringList{"CPU 42%", "MEM 4.0 / 16G", "BAT 80% CHG", "NET Wi-Fi -60 dBm",
                           "SSD 123 GB free", "HEAT Hot"}));
    EXPECT_DOUBLE_EQ(full.lines()[5].fraction, 0.78);

    // No battery, disk or network: full power on AC, and a nearly full memory in red. Heat
    // joins only when the machine runs warm.
    Metrics bare;
    bare.stats.volume = VolumeCapacity{0, 0};
    bare.stats.mem = MemoryFigures{15 * gib, 16 * gib};
    const std::pair<ThermalState, const char *> heat[]
        = {{ThermalState::nominal, ""},
           {ThermalState::fair, "HEAT Warm"},
           {ThermalState::critical, "HEAT Critical"}};
    for (const auto &[state, line] : heat) {
        bare.stats.thermal = state;
        PartyStrip view(bare.start());
        QStringList expected{"CPU 0%", "MEM 15.0 / 16G", "PWR AC"};
        if (*line)
            expected << line;
        EXPECT_EQ(party(view), expected);
        EXPECT_DOUBLE_EQ(view.lines()[2].fraction, 1.0);
        view.resize(view.sizeHint());
        const QImage image = render(view);
        EXPECT_EQ(hpColourAt(image, view.gaugeRect(1)), "red") << "MEM nearly full";
        EXPECT_EQ(hpColourAt(image, view.gaugeRect(2)), "green") << "PWR on AC";
    }
}

TEST(CoreStepGauge, EasesOnlyWhenAnimatedAndTheFillStopsAtItsFraction)
{
    CoreStepGauge gauge;
    gauge.setFraction(0.4, false);
    EXPECT_DOUBLE_EQ(gauge.displayedFraction(), 0.4);
    gauge.setFraction(0.9);
    EXPECT_TRUE(gauge.isAnimating());
    EXPECT_DOUBLE_EQ(gauge.fraction(), 0.9);
    EXPECT_LT(gauge.displayedFraction(), 0.5) << "the fill starts where it was";
    gauge.setFraction(1.7, false);
    EXPECT_FALSE(gauge.isAnimating());
    EXPECT_DOUBLE_EQ(gauge.displayedFraction(), 1.0) << "clamped";

    QImage image(200, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CoreStepGauge::paint(painter, QRectF(0, 0, 200, 30), 0.25, CoreTheme::hpGreen());
    }
    EXPECT_TRUE(near(image.pixelColor(25, 6), CoreTheme::hpGreen(), 40));
    EXPECT_FALSE(near(image.pixelColor(75, 6), CoreTheme::hpGreen(), 120));
    // Right of the step the gauge is only 55 % high: below that it is not drawn.
    EXPECT_EQ(image.pixelColor(150, 25), QColor(Qt::white));
}
