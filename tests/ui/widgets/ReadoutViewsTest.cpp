#include "WidgetTestSupport.h"

#include "hud/HUDVisibility.h"
#include "platform/WindowSprites.h"
#include "ui/CachedPaint.h"
#include "ui/CoreShadow.h"
#include "ui/CoreTheme.h"
#include "ui/widgets/ConfirmChoiceButton.h"
#include "ui/widgets/ConfirmLogout.h"
#include "ui/widgets/CoreStepGauge.h"
#include "ui/widgets/FieldHeader.h"
#include "ui/widgets/NowPlaying.h"
#include "ui/widgets/PartyStrip.h"
#include "ui/widgets/PlayerStatus.h"
#include "ui/widgets/QuestLog.h"
#include "ui/widgets/QuestRows.h"
#include "ui/widgets/ReadoutText.h"
#include "ui/widgets/ReadoutViews.h"
#include "ui/widgets/ScaledRoot.h"
#include "ui/widgets/SkillSlotTile.h"
#include "ui/widgets/SkillSlots.h"
#include "ui/widgets/TargetCursor.h"
#include "ui/widgets/TransportButton.h"

#include <QPainter>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

using namespace CoreWidgets;
using namespace WidgetTest;

namespace {

// A calm machine: plenty of battery, disk and memory, an idle CPU.
QuestInputs calm()
{
    return {.now = QDateTime(QDate(2026, 12, 7), QTime(10, 0)),
            .hasBattery = true,
            .batteryPercent = 80,
            .cpuPercent = 12,
            .memoryUsedGB = 6,
            .memoryTotalGB = 16,
            .diskFreeGB = 200,
            .diskTotalGB = 500};
}

// The ids of the rows `in` gives, and the "kind: text" of the first of them.
void expectRows(const char *name, const QuestInputs &in, const QStringList &ids,
                const QString &first = {})
{
    SCOPED_TRACE(name);
    const QList<QuestRow> rows = questRows(in);
    EXPECT_EQ(mapped(rows, &QuestRow::id), ids);
    if (!first.isEmpty()) {
        EXPECT_EQ(rows.value(0).kind + ": " + rows.value(0).text, first);
    }
}

// Everything asks at once: low battery, critical memory, a busy CPU, a full disk and focus.
QuestInputs everything()
{
    QuestInputs in = calm();
    in.batteryPercent = 10;
    in.memoryPressure = MemoryPressure::critical;
    in.cpuPercent = 99;
    in.diskFreeGB = 10;
    in.focus = QuestFocus{};
    return in;
}

void addReminders(QuestInputs &in, int count, const QDate &due)
{
    for (int i = 1; i <= count; ++i)
        in.reminders.append(
            {QString::number(i), QStringLiteral("Task %1").arg(i), QDateTime(due, QTime(9, 0))});
}

// Which of the three HP colours the fill shows near its top, just inside its leading end.
QString hpColourAt(const QImage &image, const QRectF &gauge)
{
    const QColor c = image.pixelColor(int(gauge.left() + 8), int(gauge.top() + gauge.height() / 4));
    const std::pair<QColor, QString> hp[] = {{CoreTheme::hpRed(), "red"},
                                             {CoreTheme::hpAmber(), "amber"},
                                             {CoreTheme::hpGreen(), "green"}};
    return std::ranges::min(hp, {}, [&](const auto &p) { return distance(c, p.first); }).second;
}

struct Views : ::testing::Test
{
    void SetUp() override { registerThemeFonts(); }
    Metrics metrics;
    int opened = 0;
};

void click(QWidget *target, std::optional<QPointF> at = {})
{
    QTest::mouseClick(target, Qt::LeftButton, {}, at ? at->toPoint() : target->rect().center());
}

} // namespace

TEST_F(Views, QuestRowsAlertPastThresholdsComeInOrderTenAtMostAndTheLogRunsThemOnClick)
{
    expectRows("calm", calm(), {"clear"}, "Status: All clear: CPU 12%, 200 GB free");
    // The battery compares the unrounded percent.
    QuestInputs in = calm();
    in.batteryPercent = 19.6;
    expectRows("19.6 %", in, {"battery"}, "Alert: Low HP: battery at 20%, plug in");
    in.batteryPercent = 5;
    in.isCharging = true;
    expectRows("charging", in, {"clear"});

    in = calm();
    in.memoryPressure = MemoryPressure::warning;
    in.memoryUsedGB = 13.04;
    in.cpuPercent = 85;
    in.diskFreeGB = 60; // 12 % of 500
    expectRows("memory", in, {"memory"}, "Alert: Memory pressure elevated: 13.0 of 16 GB");
    in.memoryPressure = MemoryPressure::normal;
    in.cpuPercent = 85.1;
    expectRows("CPU", in, {"cpuAll"}, "Alert: CPU at 85%, check what is running");
    in.cpuPercent = 12;
    in.diskFreeGB = 59.5;
    expectRows("disk", in, {"disk"}, "Alert: Disk nearly full: 60 GB free");
    in.diskTotalGB = in.diskFreeGB = 0;
    expectRows("unknown disk", in, {"clear"});

    // A strong target is named instead of the machine; an active one is not enough.
    in.cpuPercent = 95;
    in.target = TargetReadout{"Blender", ThreatTier::strong, "Strong", 250, 3.1};
    expectRows("strong target", in, {"cpu"}, "Alert: Blender is using 2.5 cores");
    in.target->tier = ThreatTier::active;
    expectRows("active target", in, {"cpuAll"});

    // An event under way, after the alerts; the log below runs an alert's action.
    in = calm();
    in.batteryPercent = 5;
    in.events.append({"x", "Review", in.now.addSecs(-600), in.now.addSecs(1200), "Room 4"});
    expectRows("event under way", in, {"battery", "e-x"});
    EXPECT_EQ(questRows(in).value(1).tone, QuestTone::urgent);

    expectRows("everything", everything(), {"battery", "memory", "cpuAll", "disk", "focus"});

    in = calm();
    addReminders(in, 5, QDate(2026, 12, 5));
    expectRows("five overdue", in, {"r-1", "r-2", "r-3", "r-more"}, "Overdue: Task 1");
    EXPECT_EQ(questRows(in).last().text, "2 more overdue");
    EXPECT_EQ(questRows(in).last().action, QuestAction::calendarSettings);
    EXPECT_FALSE(questRows(in).last().completes.has_value());
    EXPECT_EQ(questRows(in).first().completes, std::optional<QString>("1"));

    // The reminders due today; the count of the rest, a third event and focus fall off.
    in = everything();
    in.access.needsAccess = true;
    addReminders(in, 5, in.now.date());
    for (int i = 1; i <= 3; ++i)
        in.events.append({QString::number(i), "Standup", in.now.addSecs(3600 * i),
                          in.now.addSecs(3600 * i + 900)});
    expectRows(
        "ten at most", in,
        {"battery", "memory", "cpuAll", "disk", "connect", "e-1", "e-2", "r-1", "r-2", "r-3"});
    EXPECT_EQ(questRows(in)[7].kind, "Quest");

    metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(12)};
    QuestLog view(metrics.start(), [&](QuestInputs &inputs) { inputs.focus = QuestFocus{}; });
    QObject::connect(&view, &QuestLog::actionRequested, [&](QuestAction action) {
        opened += action == QuestAction::batterySettings ? 2 : 100;
    });
    view.resize(view.sizeHint());
    const QList<QuestRow> logged = view.rows();
    EXPECT_EQ(mapped(logged, &QuestRow::id), QStringList({"battery", "focus"}));

    const QList<QRectF> rects = view.rowRects(logged);
    ASSERT_EQ(rects.size(), 2);
    EXPECT_LT(rects[0].bottom(), rects[1].top()) << "rows in order, top down";
    click(&view, rects[0].center());
    EXPECT_EQ(opened, 2);
}

TEST_F(Views, HPBarFollowsTheBatteryOrTheMemoryPressureNamesThePlayerAndItsGaugeEases)
{
    for (const auto &[percent, colour] :
         {std::pair{29.0, "red"}, {30.0, "amber"}, {50.0, "amber"}, {51.0, "green"}}) {
        metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(percent)};
        PlayerStatus view(metrics.start(), {"Ada Lovelace", "ada"});
        view.resize(view.sizeHint());
        EXPECT_EQ(hpColourAt(render(view), view.gaugeRect()), colour) << percent << "%";
        EXPECT_DOUBLE_EQ(view.hpBar().fraction, percent / 100);
    }

    Metrics pressed;
    pressed.stats.mem = MemoryFigures{13 * gib, 16 * gib}; // 81 % used: elevated
    ASSERT_EQ(pressed.start().memoryPressure(), MemoryPressure::warning);
    PlayerStatus view(*pressed.service, {QString(), "ada"});
    view.resize(view.sizeHint());
    EXPECT_EQ(std::tuple(view.hpBar().fraction, view.hpBar().currentLabel),
              std::tuple(0.55, "13000 / 16000"));
    EXPECT_EQ(hpColourAt(render(view), view.gaugeRect()), "amber");

    metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(19.6)};
    SystemMetricsService &service = metrics.start();
    metrics.publishCpu(377, 623); // 37.7 %
    // The battery rounded, the CPU truncated.
    const auto ada = PlayerStatus(service, {"Ada Lovelace", "ada"}).hpBar();
    EXPECT_EQ(std::tuple(ada.username, ada.currentLabel, ada.levelLabel),
              std::tuple("Ada", "20 / 100", "CPU: 37%"));
    // A blank full name falls back to the login.
    EXPECT_EQ(PlayerStatus::usernameFor({"   ", "gh"}), "gh");

    // New labels repaint their capsule alone, and there paint what the whole bar paints.
    PlayerStatus hp(service, {"Ada Lovelace", "ada"});
    hp.setReadoutScale(0.72);
    hp.resize(hp.sizeHint());
    const QImage whole = render(hp);
    const QRect labels = hp.labelsArea(hp.hpBar().capsuleRect());
    QImage again = whole;
    again.fill(backdrop);
    hp.render(&again, labels.topLeft(), QRegion(labels), QWidget::DrawChildren);
    EXPECT_EQ(again.copy(labels), whole.copy(labels));

    CoreStepGauge steps;
    steps.setFraction(0.4, false);
    EXPECT_DOUBLE_EQ(steps.displayedFraction(), 0.4);
    steps.setFraction(0.9);
    EXPECT_TRUE(steps.isAnimating());
    EXPECT_LT(steps.displayedFraction(), 0.5) << "the fill starts where it was";
    steps.setFraction(1.7, false);
    EXPECT_EQ(std::pair(steps.isAnimating(), steps.displayedFraction()), std::pair(false, 1.0));
    // 100 pixels wide, a 4 % slide is 4 pixels: at most one frame each, and one landing exactly.
    QList<double> frames;
    QObject::connect(&steps, &CoreStepGauge::displayedFractionChanged,
                     [&] { frames << steps.displayedFraction(); });
    steps.setDrawnWidth(100);
    steps.setFraction(0.96);
    QTRY_VERIFY_WITH_TIMEOUT(!steps.isAnimating(), 2000);
    ASSERT_FALSE(frames.isEmpty());
    EXPECT_LE(frames.size(), 5);
    EXPECT_DOUBLE_EQ(frames.last(), 0.96);
    // It wakes for those frames and the landing only; unsized, for every frame.
    QList<qint64> wakes;
    for (qint64 at = 0, edge = 40; at < 350; wakes << at) {
        at = CoreStepGauge::nextFrame(at, 0.40, 0.44, 100, edge);
        edge = std::llround(CoreStepGauge::slideAt(at, 0.40, 0.44) * 100);
    }
    EXPECT_LE(wakes.size(), 5);
    EXPECT_EQ(wakes.last(), 350);
    EXPECT_EQ(CoreStepGauge::nextFrame(100, 0.40, 0.44, 0, 40), 150);
    // Unsized, every frame is reported.
    frames.clear();
    steps.setDrawnWidth(0);
    steps.setFraction(0.92);
    QTRY_VERIFY_WITH_TIMEOUT(!steps.isAnimating(), 2000);
    EXPECT_GE(frames.size(), 6);
}

TEST_F(Views, PartyListsEveryMemberInOrderAndLeavesOutWhatTheMachineLacks)
{
    metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(80, 100, true)};
    metrics.stats.thermal = ThermalState::serious;
    metrics.stats.volume = VolumeCapacity{123.4e9, 500e9};
    SystemMetricsService &service = metrics.start();
    metrics.publishCpu(42, 58);
    const auto party = [](const PartyStrip &view) {
        return mapped(view.lines(),
                      [](const MiniHP &line) { return line.name + ' ' + line.detail; });
    };
    PartyStrip full(service, [] { return std::pair{0.5, QStringLiteral("Wi-Fi -60 dBm")}; });
    EXPECT_EQ(party(full),
              (QStringList{"CPU 42%", "MEM 4.0 / 16G", "BAT 80% CHG", "NET Wi-Fi -60 dBm",
                           "SSD 123 GB free", "HEAT Hot"}));
    EXPECT_DOUBLE_EQ(full.lines()[5].fraction, 0.78);

    // A repaint of part of a line (what a sliding gauge's frame repaints, or an edge of its
    // words) paints the same pixels there as the whole strip does.
    full.setReadoutScale(0.72);
    full.resize(full.sizeHint());
    const QImage whole = render(full);
    const QRect gauge = QRectF(full.gaugeRect(0).topLeft() * 0.72, full.gaugeRect(0).size() * 0.72)
                            .toAlignedRect();
    QList<QRect> parts{gauge.adjusted(-12, -2, 2 - gauge.width(), 2),
                       gauge.adjusted(gauge.width() - 2, -2, 12, 2)};
    for (int i = 0; i < full.lines().size(); ++i)
        parts << full.gaugeArea(i);
    for (const QRect &part : parts) {
        QImage again = whole;
        again.fill(backdrop);
        full.render(&again, part.topLeft(), QRegion(part), QWidget::DrawChildren);
        EXPECT_EQ(again.copy(part), whole.copy(part)) << part.x() << "," << part.width();
    }

    // No battery, disk or network: full power on AC. Heat joins only when the machine is warm.
    Metrics bare;
    bare.stats.volume = VolumeCapacity{0, 0};
    bare.stats.mem = MemoryFigures{15 * gib, 16 * gib};
    for (const auto &[state, line] : {std::pair{ThermalState::nominal, ""},
                                      {ThermalState::fair, "HEAT Warm"},
                                      {ThermalState::critical, "HEAT Critical"}}) {
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

TEST_F(Views, ClockShowsTheShortTimeAndDateOnItsPlateAndTakesClicksWhereItIsDrawnScaled)
{
    metrics.clock.setStart(QDateTime(QDate(2026, 12, 7), QTime(21, 5), Qt::LocalTime));
    QList<SoundCue> cues;
    const auto owner = std::make_unique<FieldHeader>(metrics.start());
    FieldHeader *clock = owner.get();
    QObject::connect(clock, &FieldHeader::cue, [&](SoundCue cue) { cues << cue; });
    QObject::connect(clock, &FieldHeader::calendarRequested, [&] { ++opened; });
    EXPECT_FALSE(clock->timeLabel().contains("00")) << "no seconds";
    clock->setReadoutScale(0.72);
    clock->resize(clock->sizeHint());
    EXPECT_EQ(clock->size(), QSize(216, 46));
    clock->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock));
    // Text on the plate at the bottom of the panel, drawn at its scaled place.
    const QRectF drawn = clock->plateRect();
    const QRect scaled = QRectF(drawn.topLeft() * 0.72, drawn.size() * 0.72).toRect();
    EXPECT_GT(countNear(render(*clock), scaled, Qt::white, 30), 20);

    // A point on the unscaled plate but right of the scaled one: nothing is drawn there.
    const QPoint unscaledOnly(int(drawn.right() - 20), int(drawn.center().y()));
    ASSERT_LT(unscaledOnly.x(), clock->width());
    click(clock, unscaledOnly);
    EXPECT_EQ(opened, 0);
    click(clock, (drawn.center() * 0.72).toPoint());
    EXPECT_EQ(std::pair(opened, cues), std::pair(1, QList{SoundCue::select}));
}

TEST_F(Views, TargetBobsWhileTheHUDIsVisibleIsDarkWhenLethalGreenWhenCalmBareWhenCramped)
{
    HUDVisibility visibility;
    std::unique_ptr<TargetCursor> made(ReadoutViews::targetCursor(nullptr, &visibility, {}));
    TargetCursor *cursor = made.get();
    cursor->resize(cursor->sizeHint());
    EXPECT_FALSE(cursor->bob());
    visibility.setVisible(true);
    EXPECT_TRUE(cursor->bob());
    // Hidden, the diamond stays put and no timer runs for it.
    QTest::qWait(250);
    EXPECT_DOUBLE_EQ(cursor->bobOffset(), 0);
    cursor->resize(cursor->sizeHint());
    cursor->show();
    QList<double> offsets{cursor->bobOffset()};
    QTRY_VERIFY_WITH_TIMEOUT((offsets << cursor->bobOffset(), offsets.last() != offsets.first()),
                             1500);
    EXPECT_EQ(offsets.first(), -TargetCursor::bobAmplitude) << "down and back up from the top";
    cursor->hide();
    visibility.setVisible(false);
    EXPECT_EQ(std::pair(cursor->bob(), cursor->bobOffset()), std::pair(false, 0.0));

    // A loop in whole pixels: -3 to 3 and back, one at a time, redrawn 12 times.
    const std::vector<TargetCursor::BobStep> &steps = TargetCursor::bobSteps();
    ASSERT_EQ(steps.size(), 12u);
    EXPECT_EQ(steps.front().atMs, 0);
    QSet<int> distinct;
    for (size_t i = 0; i < steps.size(); ++i) {
        distinct << steps[i].offset;
        EXPECT_EQ(std::abs(steps[i].offset - steps[(i + 1) % steps.size()].offset), 1) << i;
    }
    EXPECT_EQ(distinct.size(), 7);
    // Drawn at 0.72 the same loop moves whole pixels: -2 to 2, eight redraws.
    const std::vector<TargetCursor::BobStep> &scaled = TargetCursor::bobSteps(0.72);
    EXPECT_EQ(std::pair(scaled.size(), scaled.front().offset), std::pair(size_t(8), -2));

    cursor->setTarget({"ffmpeg", ThreatTier::lethal, "Lethal", 640, 1.26});
    cursor->resize(cursor->sizeHint());
    const QImage image = render(*cursor);
    const QRectF diamond = cursor->diamondRect();
    EXPECT_LT(
        image.pixelColor(int(diamond.center().x() - 4), int(diamond.center().y() + 4)).value(), 70);
    const QRect tier = cursor->tierLabelRect().toAlignedRect();
    EXPECT_GT(countNear(image, tier, CoreTheme::tierActive(), 60), 10);
    EXPECT_EQ(countNear(image, tier, CoreTheme::tierLethal(), 20), 0);

    TargetReadout calm{"Files", ThreatTier::friendly, "Friendly", 4, 0.2, true};
    cursor->setTarget(calm);
    EXPECT_TRUE(near(render(*cursor).pixelColor(int(diamond.center().x() - 3),
                                                int(diamond.top() + diamond.height() * 0.45)),
                     CoreTheme::tierCalm(), 90));
    calm.cramped = true;
    cursor->setTarget(calm);
    EXPECT_TRUE(cursor->labelRect().isEmpty());
    EXPECT_EQ(render(*cursor).pixelColor(cursor->width() / 2, int(diamond.bottom() + 30)),
              backdrop);
}

// Records the bob's frames; each one shown is checked against the widget's own paint then.
class RecordingSprites final : public WindowSprites
{
public:
    std::function<void(const QImage &, QPoint)> onShow;
    int keeps = 0;
    int clears = 0;
    int shows = 0;

    bool keep(int index, const QImage &image) override
    {
        m_kept[index] = image;
        ++keeps;
        return true;
    }
    bool show(int index, QPoint at) override
    {
        if (!m_kept.contains(index))
            return false;
        ++shows;
        onShow(m_kept[index], at);
        return true;
    }
    void clear() override
    {
        m_kept.clear();
        ++clears;
    }

private:
    QHash<int, QImage> m_kept;
};

TEST_F(Views, BobFramesAreDrawnOnceEachAsTheWidgetPaintsThemAndRedrawnWhenTheTargetChanges)
{
    HUDVisibility visibility;
    visibility.setVisible(true);
    RecordingSprites *sprites = nullptr;
    TargetCursor *cursor = nullptr;
    int made = 0;
    int mismatched = 0;
    auto makeSprites = [&](quintptr) {
        ++made;
        auto fresh = std::make_unique<RecordingSprites>();
        fresh->onShow = [&](const QImage &frame, QPoint at) {
            QImage painted(frame.size(), QImage::Format_ARGB32_Premultiplied);
            painted.fill(Qt::transparent);
            cursor->render(&painted, QPoint(), QRegion(QRect(at, frame.size())), {});
            mismatched += painted != frame.convertToFormat(painted.format());
        };
        sprites = fresh.get();
        return fresh;
    };
    std::unique_ptr<TargetCursor> view(
        ReadoutViews::targetCursor(nullptr, &visibility, makeSprites));
    cursor = view.get();
    cursor->setTarget({"xterm", ThreatTier::friendly, "Friendly", 3, 0.1});
    cursor->resize(cursor->sizeHint());
    cursor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(cursor));
    QTRY_VERIFY_WITH_TIMEOUT(sprites != nullptr, 5000);
    // Over a loop and a half: seven offsets, each drawn once.
    QTRY_VERIFY_WITH_TIMEOUT(sprites->shows >= 18, 6000);
    EXPECT_EQ(sprites->keeps, 7);
    EXPECT_EQ(mismatched, 0);

    // A new detail line keeps the frames; a new tier eases the diamond, then they are redrawn.
    cursor->setTarget({"xterm", ThreatTier::friendly, "Friendly", 41, 0.1});
    const int shows = sprites->shows;
    QTRY_VERIFY_WITH_TIMEOUT(sprites->shows >= shows + 3, 3000);
    EXPECT_EQ(sprites->keeps, 7);
    cursor->setTarget({"xterm", ThreatTier::active, "Active", 41, 0.1});
    QTRY_VERIFY_WITH_TIMEOUT(sprites->keeps >= 10, 3000);
    EXPECT_GE(sprites->clears, 1);
    EXPECT_EQ(mismatched, 0);
    EXPECT_EQ(made, 1);
}

TEST_F(Views, CachedTextLandsOnThePixelsDirectTextCovers)
{
    const QFont font = themeFont(ThemeType{13, ThemeWeight::bold});
    auto paint = [&](double scale, QPointF at, bool cached) {
        const auto draw = [&](QPainter &p) {
            p.scale(scale, scale);
            const QRectF box(at, QSizeF(120, 30));
            if (cached)
                return ReadoutText::draw(p, box, Qt::AlignLeft, "HP 42%", font, Qt::white);
            ReadoutText::drawPlain(p, box, Qt::AlignLeft, "HP 42%", font, Qt::white);
        };
        return painted({160, 60}, draw, Qt::transparent);
    };
    for (const double scale : {1.0, 0.72}) {
        for (const QPointF at : {QPointF(10, 10), QPointF(10.3, 9.5), QPointF(11.8, 10.6)}) {
            const QImage direct = paint(scale, at, false);
            const QImage cached = paint(scale, at, true);
            EXPECT_EQ(paint(scale, at, true), cached) << "a cache hit draws the same";
            int worst = 0;
            for (int y = 0; y < direct.height(); ++y) {
                for (int x = 0; x < direct.width(); ++x) {
                    worst = std::max(
                        worst, std::abs(qAlpha(direct.pixel(x, y)) - qAlpha(cached.pixel(x, y))));
                }
            }
            // Placed to 1/8 pixel: a glyph a pixel off would differ by most of its alpha.
            EXPECT_LE(worst, 80) << scale << " at " << at.x() << "," << at.y();
        }
    }
}

TEST_F(Views, TextPutTogetherFromGlyphsMatchesTheLineBlurredWhole)
{
    // A line and its shadow from glyphs rendered once each, against the whole line drawn and
    // blurred at once: tabular digits and proportional text, at the screen's scale and 2x.
    const QFont font = themeFont(ThemeType{13, ThemeWeight::semibold});
    QFont unhinted = font;
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    struct Case
    {
        QString text;
        bool tabular;
        double scale;
        QPointF at;
    };
    const Case cases[] = {{"1126 / 23540", false, 0.72, {10.3, 9.5}},
                          {"CPU: 14%", false, 2.0, {8, 6.25}},
                          {"09:41", true, 0.72, {11.8, 10.6}},
                          {"Wave AV 7", false, 1.0, {10, 10}}};
    for (const Case &c : cases) {
        const auto draw = [&](QPainter &p, bool whole) {
            p.scale(c.scale, c.scale);
            const QRectF box(c.at, QSizeF(150, 30));
            if (!whole)
                return ReadoutText::draw(p, box, Qt::AlignLeft, c.text, font, Qt::white, 0.5, 2,
                                         c.tabular);
            // What a fresh line used to cost: the whole line drawn, blurred and drawn again,
            // into the same cached rendering.
            const QRectF line(
                box.left(), box.top() + (box.height() - ReadoutText::height(font)) / 2,
                ReadoutText::width(c.text, font, c.tabular), ReadoutText::height(font));
            const double margin = CoreShadow::reach(2) + 1 + 0.25 * line.height();
            CachedPaint::draw(p, "whole|" + c.text, line.adjusted(-margin, -margin, margin, margin),
                              [&](QPainter &q) {
                                  CoreShadow::paintDrawn(q, line, QColor::fromRgbF(0, 0, 0, 0.5f),
                                                         2, QPointF(0, 1), [&](QPainter &r) {
                                                             ReadoutText::drawPlain(
                                                                 r, line, Qt::AlignLeft, c.text,
                                                                 font, r.pen().color(), c.tabular);
                                                         });
                                  ReadoutText::drawPlain(q, line, Qt::AlignLeft, c.text, font,
                                                         Qt::white, c.tabular);
                              });
        };
        const QImage whole = painted(
            {340, 100}, [&](QPainter &p) { draw(p, true); }, Qt::transparent);
        const QImage glyphs = painted(
            {340, 100}, [&](QPainter &p) { draw(p, false); }, Qt::transparent);
        int worst = 0;
        double total = 0, ink = 0;
        for (int y = 0; y < whole.height(); ++y) {
            for (int x = 0; x < whole.width(); ++x) {
                const QRgb a = whole.pixel(x, y), b = glyphs.pixel(x, y);
                const int d
                    = std::max(std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)));
                worst = std::max(worst, d);
                total += d;
                ink += qAlpha(a);
            }
        }
        ASSERT_GT(ink, 0) << c.text.toStdString();
        // The same pixels but for rounding, or a glyph placed a quarter pixel apart where the
        // toolkit rounds its position the other way (an edge moved by a quarter of its ink); a
        // glyph or its shadow a pixel off, missing, or laid over its neighbours moves far more.
        EXPECT_LE(worst, 96) << c.text.toStdString() << " at " << c.scale;
        EXPECT_LT(total / ink, 0.05) << c.text.toStdString() << " at " << c.scale;
    }
}

TEST_F(Views, NowPlayingSubtitlesWithTheAppAloneWithoutArtistAndSendsTransport)
{
    QStringList sent;
    NowPlaying view;
    QObject::connect(&view, &NowPlaying::transport, [&](const QString &c) { sent << c; });
    view.resize(view.sizeHint());
    view.setTrack(TrackReadout{"Lollipop", "Field Recording", {}, true});
    EXPECT_EQ(view.title() + " | " + view.subtitle(), "Field Recording | Lollipop");
    view.setTrack(TrackReadout{"Lollipop", "Song", "Band", true});
    EXPECT_EQ(view.subtitle(), "Band · Lollipop");
    EXPECT_EQ(view.buttons()[1]->accessibleName(), "Pause");
    view.setTrack(std::nullopt);
    EXPECT_EQ(view.buttons()[1]->accessibleName(), "Play");

    for (TransportButton *button : view.buttons())
        click(button);
    EXPECT_EQ(sent, (QStringList{"previous track", "playpause", "next track"}));

    // Drawn smaller, the buttons shrink with the strip and still take clicks; so does the region.
    NowPlaying small;
    QObject::connect(&small, &NowPlaying::transport, [&](const QString &c) { sent << c; });
    small.setReadoutScale(0.72);
    small.resize(small.sizeHint());
    small.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&small));
    EXPECT_EQ(small.size(), QSize(288, 46));
    const QRect next = small.buttons()[2]->geometry();
    EXPECT_EQ(next.size(), QSize(22, 22));
    EXPECT_LT(next.right(), small.width() - 10);
    EXPECT_EQ(small.controlsRect().right(), next.right() + 1);
    click(small.buttons()[2]);
    EXPECT_EQ(sent.last(), "next track");
}

TEST_F(Views, QuickBarTilesOpenSkillsWhenEmptyOrRunTheirSkillAndQuitCardButtonsTheirActions)
{
    QStringList ran;
    SkillSlots view;
    QObject::connect(&view, &SkillSlots::skillsPanelRequested, [&] { ++opened; });
    view.resize(view.sizeHint());
    ASSERT_EQ(view.tiles().size(), 4);
    for (SkillSlotTile *tile : view.tiles()) {
        EXPECT_TRUE(tile->isEmpty());
        click(tile);
    }
    EXPECT_EQ(opened, 4);

    // Starred skills fill the first slots.
    SkillSlots filled({{"builtin:focus", "Focus", "timer"}});
    QObject::connect(&filled, &SkillSlots::skillsPanelRequested, [&] { ++opened; });
    QObject::connect(&filled, &SkillSlots::skillChosen, [&](const QString &id) { ran << id; });
    filled.resize(filled.sizeHint());
    filled.setFocusRunning(true);
    EXPECT_TRUE(filled.tiles()[0]->isHighlighted());
    EXPECT_TRUE(filled.tiles()[1]->isEmpty());
    click(filled.tiles()[0]);
    EXPECT_EQ(ran, QStringList{"builtin:focus"});
    EXPECT_EQ(opened, 4);

    int confirmed = 0, cancelled = 0;
    ConfirmLogout card;
    QObject::connect(&card, &ConfirmLogout::confirmed, [&] { ++confirmed; });
    QObject::connect(&card, &ConfirmLogout::cancelled, [&] { ++cancelled; });
    card.resize(card.sizeHint());
    click(card.cancelButton());
    click(card.confirmButton());
    EXPECT_EQ(std::pair(cancelled, confirmed), std::pair(1, 1));
}
