#include "WidgetTestSupport.h"

#include "hud/HUDVisibility.h"
#include "ui/CoreTheme.h"
#include "ui/widgets/ConfirmChoiceButton.h"
#include "ui/widgets/ConfirmLogout.h"
#include "ui/widgets/FieldHeader.h"
#include "ui/widgets/NowPlaying.h"
#include "ui/widgets/QuestLog.h"
#include "ui/widgets/ReadoutViews.h"
#include "ui/widgets/ScaledRoot.h"
#include "ui/widgets/SkillSlotTile.h"
#include "ui/widgets/SkillSlots.h"
#include "ui/widgets/TargetCursor.h"
#include "ui/widgets/TransportButton.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace WidgetTest;
using namespace CoreWidgets;

namespace {

class Views : public ::testing::Test
{
protected:
    void SetUp() override { registerThemeFonts(); }
    Metrics metrics;
    int opened = 0;
};

// Clicks `target` at `at`, or in its middle.
void click(QWidget *target, std::optional<QPointF> at = {})
{
    const QPoint point = at ? at->toPoint() : target->rect().center();
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
}

} // namespace

TEST_F(Views, ClockShowsTheShortTimeAndDateOnItsPlateAndTakesClicksWhereItIsDrawnScaled)
{
    metrics.clock.setStart(QDateTime(QDate(2026, 12, 7), QTime(21, 5), Qt::LocalTime));
    QList<CoreSoundEngine::Cue> cues;
    auto *clock = new FieldHeader(
        metrics.start(), [&] { ++opened; }, [&](CoreSoundEngine::Cue cue) { cues << cue; });
    const QDateTime shown = metrics.clock.now();
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression("[.:]?s+"));
    EXPECT_EQ(clock->timeLabel(), QLocale().toString(shown.time(), format));
    EXPECT_FALSE(clock->timeLabel().contains(QString::number(shown.time().second())));
    EXPECT_EQ(clock->dateLabel(), QLocale().toString(shown.date(), "ddd MMM d"));

    ScaledRoot root(clock, QSizeF(300, 64), 0.72);
    EXPECT_EQ(root.size(), QSize(216, 46));
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    // White text on the dark plate at the bottom of the panel, drawn at its scaled place.
    const QRectF drawn = clock->plateRect();
    EXPECT_EQ(drawn.toAlignedRect().bottom(), clock->height() - 1);
    const QImage image = render(root);
    const QRect scaled = QRectF(drawn.topLeft() * 0.72, drawn.size() * 0.72).toRect();
    EXPECT_GT(countNear(image, scaled, Qt::white, 30), 20);
    EXPECT_EQ(countNear(image, QRect(0, 0, root.width(), 8), Qt::white, 30), 0);

    const QPointF scaledCentre = drawn.center() * 0.72;
    QWidget *surface = root.childAt(scaledCentre.toPoint());
    ASSERT_NE(surface, nullptr);
    // A point on the unscaled plate but right of the scaled one: nothing is drawn there.
    const QPoint unscaledOnly(int(drawn.right() - 20), int(drawn.center().y()));
    ASSERT_LT(unscaledOnly.x(), root.width());
    click(surface, surface->mapFrom(&root, unscaledOnly));
    EXPECT_EQ(opened, 0);
    click(surface, surface->mapFrom(&root, scaledCentre.toPoint()));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(cues, QList{CoreSoundEngine::Cue::select});
}

TEST_F(Views, TargetBobsWhileTheHUDIsVisibleIsDarkWhenLethalGreenWhenCalmBareWhenCramped)
{
    HUDVisibility visibility;
    std::unique_ptr<QWidget> made(
        makeReadoutView(HUDWidgetID::targetCursor, ReadoutModels{.visibility = &visibility}));
    auto *cursor = qobject_cast<TargetCursor *>(made.get());
    ASSERT_NE(cursor, nullptr);
    EXPECT_FALSE(cursor->bob());
    visibility.setVisible(true);
    EXPECT_TRUE(cursor->bob());
    visibility.setVisible(false);
    EXPECT_FALSE(cursor->bob());
    EXPECT_DOUBLE_EQ(cursor->bobOffset(), 0);

    TargetCursor &view = *cursor;
    const TargetReadout lethal{"ffmpeg", ThreatTier::lethal, "Lethal", 640, 1.26};
    view.setTarget(lethal);
    view.resize(view.sizeHint());
    const QImage image = render(view);
    const QRectF diamond = view.diamondRect();
    EXPECT_LT(
        image.pixelColor(int(diamond.center().x() - 4), int(diamond.center().y() + 4)).value(), 70);
    const QRect tier = view.tierLabelRect().toAlignedRect();
    EXPECT_GT(countNear(image, tier, CoreTheme::tierActive(), 60), 10);
    EXPECT_EQ(countNear(image, tier, CoreTheme::tierLethal(), 20), 0);
    EXPECT_EQ(TargetCursor::detailText(lethal), "640% of a core  ·  1.3 GB");

    TargetReadout calm{"Files", ThreatTier::friendly, "Friendly", 4, 0.2, true};
    view.setTarget(calm);
    EXPECT_TRUE(near(render(view).pixelColor(int(diamond.center().x() - 3),
                                             int(diamond.top() + diamond.height() * 0.45)),
                     CoreTheme::tierCalm(), 90));
    calm.cramped = true;
    view.setTarget(calm);
    EXPECT_TRUE(view.labelRect().isEmpty());
    EXPECT_EQ(render(view).pixelColor(view.width() / 2, int(diamond.bottom() + 30)), backdrop);
}

TEST_F(Views, NowPlayingSubtitlesWithTheAppAloneWithoutArtistAndSendsTransport)
{
    QStringList sent;
    NowPlaying view([&](const QString &command) { sent << command; });
    view.resize(view.sizeHint());
    view.setTrack(TrackReadout{QStringLiteral("Lollipop"), QStringLiteral("Field Recording"),
                               QString(), true});
    EXPECT_EQ(view.title(), "Field Recording");
    EXPECT_EQ(view.subtitle(), "Lollipop");
    view.setTrack(TrackReadout{QStringLiteral("Lollipop"), QStringLiteral("Song"),
                               QStringLiteral("Band"), true});
    EXPECT_EQ(view.subtitle(), "Band · Lollipop");
    EXPECT_GT(countNear(render(view), QRect(NowPlaying::textLeading, 0, 150, view.height()),
                        Qt::white, 30),
              40)
        << "white text on the plate";

    EXPECT_EQ(view.buttons()[1]->accessibleName(), "Pause");
    view.setTrack(std::nullopt);
    EXPECT_EQ(view.buttons()[1]->accessibleName(), "Play");
    EXPECT_EQ(view.title(), "");

    for (TransportButton *button : view.buttons())
        click(button);
    EXPECT_EQ(sent, (QStringList{"previous track", "playpause", "next track"}));
}

TEST_F(Views, QuickBarTilesOpenSkillsWhenEmptyAndRunTheirStarredSkill)
{
    SkillSlots view([&] { ++opened; });
    view.resize(view.sizeHint());
    ASSERT_EQ(view.tiles().size(), 4);
    const QImage image = render(view);
    for (SkillSlotTile *tile : view.tiles()) {
        EXPECT_TRUE(tile->isEmpty());
        // "EMPTY" and "ADD SKILL" in the muted grey on the pale tile.
        EXPECT_GT(countNear(image, tile->geometry(), CoreTheme::textMuted(), 24), 30);
        click(tile);
    }
    EXPECT_EQ(opened, 4);

    // Starred skills fill the first slots.
    int ran = 0;
    SkillSlots filled([&] { ++opened; },
                      {{QStringLiteral("builtin:focus"), QStringLiteral("Focus"),
                        QStringLiteral("timer"), [&] { ++ran; }}});
    filled.resize(filled.sizeHint());
    filled.setFocusRunning(true);
    EXPECT_FALSE(filled.tiles()[0]->isEmpty());
    EXPECT_TRUE(filled.tiles()[0]->isHighlighted());
    EXPECT_TRUE(filled.tiles()[1]->isEmpty());
    click(filled.tiles()[0]);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(opened, 4);
}

TEST_F(Views, QuestLogListsTheLowBatteryAlertFirstAndRunsItOnClick)
{
    metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(12)};
    QuestLog view(metrics.start(), [&](QuestInputs &in) {
        in.openBatterySettings = [&] { ++opened; };
        in.focus = QuestFocus{};
    });
    view.resize(view.sizeHint());
    const QList<QuestRow> rows = view.rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].id + " " + rows[1].id, "battery focus");

    const QList<QRectF> rects = view.rowRects(rows);
    ASSERT_EQ(rects.size(), 2);
    EXPECT_LT(rects[0].bottom(), rects[1].top()) << "rows in order, top down";
    const QImage image = render(view);
    // Each row's stripe carries its tone.
    EXPECT_TRUE(near(image.pixelColor(int(rects[0].left() + 1), int(rects[0].center().y())),
                     CoreTheme::hpRed()));
    EXPECT_TRUE(near(image.pixelColor(int(rects[1].left() + 1), int(rects[1].center().y())),
                     CoreTheme::gold()));

    click(&view, rects[0].center());
    EXPECT_EQ(opened, 1);
}

TEST_F(Views, QuitCardConfirmsInBlueAndCancelsInPink)
{
    int confirmed = 0, cancelled = 0;
    ConfirmLogout view([&] { ++confirmed; }, [&] { ++cancelled; });
    view.resize(view.sizeHint());

    const QImage image = render(view);
    const QPoint confirmCentre = view.confirmButton()->geometry().center();
    const QPoint cancelCentre = view.cancelButton()->geometry().center();
    EXPECT_TRUE(near(image.pixelColor(confirmCentre), CoreTheme::accentBlue()));
    // The white ring, 36 across with a 3-point line, 16.5 from the centre.
    EXPECT_GT(image.pixelColor(confirmCentre + QPoint(0, 16)).value(), 235);
    EXPECT_TRUE(near(image.pixelColor(cancelCentre + QPoint(0, 15)), CoreTheme::accentPink()));
    EXPECT_GT(countNear(image, view.cardRect().toRect(), CoreTheme::textSecondary(), 30), 20)
        << "the title";

    click(view.cancelButton());
    click(view.confirmButton());
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(confirmed, 1);
}
