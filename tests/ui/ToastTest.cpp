#include "fakes/FakeClock.h"
#include "fakes/FakePanelWindow.h"
#include "fakes/FakeScreens.h"
#include "ui/CoreTheme.h"
#include "ui/CoreToastCenter.h"
#include "ui/ToastView.h"
#include "widgets/WidgetTestSupport.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const QString kLongMessage
    = QStringLiteral("The local model did not answer in time. ").repeated(40);

struct ToastCenterTest : ::testing::Test
{
    ToastCenterTest()
    {
        screens.setScreens({kMain});
        screens.setPointer({700, 450});
        center = std::make_unique<CoreToastCenter>(
            screens, clock, [this] { ++sounds; },
            [this](FloatingHUDPanel::ContentFactory factory) {
                ++panelsMade;
                content = std::move(factory);
                auto made = std::make_unique<FakePanelWindow>();
                panel = made.get();
                return made;
            });
    }

    std::unique_ptr<ToastView> card() const
    {
        return std::unique_ptr<ToastView>(static_cast<ToastView *>(content(nullptr, 1.0)));
    }

    bool onScreen() const { return panel && panel->isVisible() && panel->alpha() > 0.99; }

    void tickAt(double at)
    {
        clock.setUptime(at);
        center->tick();
    }

    const ScreenInfo kMain = FakeScreens::make("main", {0, 0, 1440, 900}, 24);
    FakeScreens screens;
    FakeClock clock;
    int sounds = 0;
    int panelsMade = 0;
    FakePanelWindow *panel = nullptr;
    FloatingHUDPanel::ContentFactory content;
    std::unique_ptr<CoreToastCenter> center;
};

// Pixels in a band that are clearly darker than the card: text or the rule.
int inkIn(const QImage &image, int top, int bottom, int left, int right)
{
    return WidgetTest::countNear(image, QRect(left, top, right - left, bottom - top), Qt::black,
                                 3 * 199);
}

} // namespace

TEST_F(ToastCenterTest, SitsTopRightUnderThePointerFitsItsTextReplacesItsToastAndGoesOnATap)
{
    screens.setScreens({});
    center->show("Quest", "Nowhere to show this");
    EXPECT_TRUE(panelsMade == 0 && sounds == 0 && !center->dismissAt());
    center->dismiss();
    center->tick();

    // The side screen's visible frame, under a 30-point bar, tops out at 1250 (y up).
    screens.setScreens({kMain, FakeScreens::make("side", {1440, 200, 1920, 1080}, 30)});
    screens.setPointer({2000, 600});
    center->show("Window", "Moved to the next display", 5);
    const double h = panel->frame().height();
    EXPECT_EQ(panel->frame(), QRectF(1440 + 1920 - 340 - 28, 1250 - h - 28, 340, h));
    screens.setPointer({100, 100});
    center->show("Window", "Moved back", 5);
    EXPECT_EQ(panel->frame(), QRectF(1440 - 340 - 28, 900 - 24 - h - 28, 340, h));

    ASSERT_GT(ToastView::fittingHeight("Local AI", kLongMessage, 340), 320);
    center->show("Local AI", kLongMessage);
    EXPECT_EQ(panel->frame().height(), 320);

    // Line feeds in a message start new lines, so the card grows to show them.
    const double threeLines = ToastView::fittingHeight("Quest", "one\ntwo\nthree", 340);
    EXPECT_GT(threeLines, ToastView::fittingHeight("Quest", "one two three", 340));
    center->show("Quest", "one\ntwo\nthree");
    EXPECT_EQ(panel->frame().height(), std::ceil(threeLines));
    EXPECT_EQ(panel->frame().width(), 340);

    const double start = clock.uptime();
    center->show("Skill", "Opened the terminal", 5);
    ASSERT_TRUE(onScreen());
    ASSERT_EQ(panel->animations.last().duration, CoreToastCenter::fadeInDuration);
    clock.advance(1);
    center->show("Loadout", "Restored Writing", 5);
    EXPECT_EQ(sounds, 1) << "a toast replacing one on screen is silent";
    EXPECT_EQ(card()->accessibleName(), "Loadout, Restored Writing");
    tickAt(start + 5.5);
    EXPECT_TRUE(onScreen()) << "the first toast's deadline no longer counts";
    tickAt(start + 6);
    EXPECT_FALSE(panel->isVisible() || panel->hasContent());
    EXPECT_EQ(std::pair(panel->animations.last().alpha, panel->animations.last().duration),
              std::pair(0.0, CoreToastCenter::fadeOutDuration));

    center->show("Quest", "Stand-up in 10 minutes", 5);
    EXPECT_TRUE(onScreen());
    EXPECT_EQ(sounds, 2) << "a toast after a gone one sounds again";
    const std::unique_ptr<ToastView> view = card();
    view->resize(340, 80);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(300, 40));
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(panel->isVisible() || center->dismissAt());
    const qsizetype animations = panel->animations.size();
    tickAt(start + 11);
    EXPECT_EQ(panel->animations.size(), animations) << "the old deadline does nothing";

    center->show("Quest", "Again", 5);
    EXPECT_EQ(sounds, 3) << "a toast after a dismissed one sounds again";
    EXPECT_EQ(panelsMade, 1) << "the panel is reused";
    tickAt(start + 15.9);
    EXPECT_TRUE(onScreen());
    tickAt(start + 16);
    EXPECT_FALSE(panel->isVisible());
}

TEST(ToastView, DrawsTheTitleAndTheMessageAndCutsTheMessageInsideTheCard)
{
    ToastView view("Staged clipboard as prompt", "Paste it into the chat to ask the model.", {});
    view.resize(340, int(std::ceil(ToastView::fittingHeight(view.title(), view.message(), 340))));
    const QImage image = WidgetTest::render(view);
    const QRectF card = ToastView::cardRect(view.size());
    const int middle = int(card.center().y());
    const int textLeft = int(card.left() + ToastView::horizontalPadding);
    const int textRight = int(card.right() - ToastView::horizontalPadding);
    const int titleTop = int(card.top() + ToastView::verticalPadding);
    EXPECT_GT(inkIn(image, titleTop, titleTop + 16, textLeft, textRight), 40) << "title";
    EXPECT_GT(inkIn(image, middle + 4, int(card.bottom()), textLeft, textRight), 40) << "message";

    // A cut message leaves the bottom padding bare: no line of text runs into it.
    ToastView cut("Local AI", kLongMessage, {});
    cut.resize(340, 320);
    const QImage cutImage = WidgetTest::render(cut);
    const QRectF cutCard = ToastView::cardRect(cut.size());
    const int paddingTop = int(cutCard.bottom() - ToastView::verticalPadding) + 1;
    EXPECT_EQ(inkIn(cutImage, paddingTop, int(cutCard.bottom()),
                    int(cutCard.left() + ToastView::accentWidth + 1), int(cutCard.right())),
              0);
    EXPECT_GT(inkIn(cutImage, int(cutCard.top()), paddingTop, int(cutCard.left() + 14),
                    int(cutCard.right())),
              500);
}
