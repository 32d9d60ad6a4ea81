#include "WidgetTestSupport.h"

#include "actions/ServiceFixture.h"

#include "ui/widgets/QuestLog.h"
#include "ui/widgets/ReadoutText.h"
#include "ui/widgets/ReadoutViews.h"
#include "ui/widgets/SkillSlotTile.h"
#include "ui/widgets/SkillSlots.h"

#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace CoreWidgets;
using namespace WidgetTest;

namespace {

// Turns the wheel over `view` by `notches` (positive: towards the user, down the list).
bool wheel(QWidget &view, QPointF at, int notches)
{
    QWheelEvent event(at, view.mapToGlobal(at), {}, {0, -120 * notches}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&view, &event);
    return event.isAccepted();
}

} // namespace

// Ten rows are taller than the card: the wheel brings each into view and no further, and a click
// lands on the row drawn under the pointer, the check says what it does.
TEST(QuestLogRows, TheWheelBringsEachOfTenRowsIntoViewAndClicksHitWhatIsDrawn)
{
    Metrics metrics;
    metrics.stats.power = QList<PowerSource>{FakeSystemStats::battery(12)};
    QuestLog view(metrics.start(), [](QuestInputs &in) {
        in.cpuPercent = 99;
        in.access.needsAccess = true;
        for (int i = 1; i <= 2; ++i)
            in.events.append({QString::number(i), "Standup", in.now.addSecs(3600 * i),
                              in.now.addSecs(3600 * i + 900)});
        for (int i = 1; i <= 5; ++i)
            in.reminders.append({QString::number(i), "Task", in.now.addDays(-1)});
        in.focus = QuestFocus{};
    });
    QList<QuestAction> asked;
    QObject::connect(&view, &QuestLog::actionRequested, [&](QuestAction a) { asked << a; });
    view.resize(view.sizeHint());
    const QList<QuestRow> rows = view.rows();
    ASSERT_EQ(rows.size(), 10);
    ASSERT_EQ(rows.last().id, "focus");
    const QRectF content = view.contentRect();
    EXPECT_GT(view.rowRects(rows).last().top(), content.bottom()) << "the card shows about five";

    EXPECT_TRUE(wheel(view, content.center(), 3));
    EXPECT_DOUBLE_EQ(view.scrollOffset(), 3 * QuestLog::wheelStep);
    wheel(view, content.center(), 50);
    EXPECT_DOUBLE_EQ(view.scrollOffset(), view.maxScroll(rows));
    const QRectF focus = view.rowRects(rows).last();
    EXPECT_NEAR(focus.bottom(), content.bottom(), 0.5);
    QTest::mouseClick(&view, Qt::LeftButton, {}, focus.center().toPoint());
    // A row scrolled above the card takes no click where the header is drawn.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(int(content.center().x()), 4));
    EXPECT_EQ(asked, QList<QuestAction>{QuestAction::startFocus});

    const QRectF reminder = view.rowRects(rows)[7];
    ASSERT_TRUE(content.contains(reminder));
    const QPoint check = view.checkRect(reminder).center().toPoint();
    QHelpEvent help(QEvent::ToolTip, check, view.mapToGlobal(check));
    QCoreApplication::sendEvent(&view, &help);
    EXPECT_EQ(QToolTip::text(), "Mark this reminder complete");

    wheel(view, content.center(), -50);
    EXPECT_EQ(view.scrollOffset(), 0);
}

// Hours and minutes, never seconds, in the C locale (the headless run's), in German and in the
// default the quest rows use.
TEST(QuestLogRows, TimesAreShortInTheCAndGermanLocales)
{
    EXPECT_EQ(ReadoutText::shortTime(QTime(6, 41, 57), QLocale::c()), "06:41");
    EXPECT_EQ(ReadoutText::shortTime(QTime(18, 5, 3), QLocale("de_DE.UTF-8")), "18:05");
    // Each run of 's' goes with the one '.' or ':' before it, and nothing else.
    const char *formats[][2] = {{"HH:mm:ss", "HH:mm"},    {"h:mm:ss AP", "h:mm AP"},
                                {"HH.mm.sss", "HH.mm"},   {"ss:HH", ":HH"},
                                {"HH::ss.s", "HH:"},      {"HH:mm.", "HH:mm."},
                                {"H 'h' mm", "H 'h' mm"}, {"", ""}};
    for (const auto &[format, kept] : formats)
        EXPECT_EQ(ReadoutText::withoutSeconds(format), kept) << format;
    QuestInputs in;
    in.now = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 30));
    in.events.append({"x", "Review", in.now.addSecs(-60), QDateTime(in.now.date(), {18, 5, 3})});
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(questRows(in).value(0).sub, "until 18:05");
    QLocale::setDefault(QLocale("de_DE"));
    EXPECT_EQ(questRows(in).value(0).sub, "until 18:05");
    QLocale::setDefault(QLocale::system());
}

// The quick bar's status line says how the last action ended and marks a wake of the local
// model while it runs; it follows the service after the view was made.
class MenuStatusLine : public ServiceFixture
{
};

TEST_F(MenuStatusLine, FollowsTheLastStatusAndTheWorkInProgress)
{
    // Nothing listens here: the server check fails at once and the wake keeps waiting.
    make([](Options &o) {
        o.ollamaBase = QUrl("http://127.0.0.1:9");
        o.serverStartChecks = 1000;
        o.loginShell = "/bin/true";
    });
    HUDActionService &actions = *service;
    std::unique_ptr<SkillSlots> view(ReadoutViews::skillSlots(nullptr, &actions, nullptr));
    view->resize(view->sizeHint());
    EXPECT_EQ(view->statusText(), "Ready");
    const QRectF line = view->statusRect();
    EXPECT_GE(line.top(), view->tiles().first()->geometry().bottom()) << "under the tiles";
    EXPECT_LE(line.bottom(), view->height());

    actions.setLastStatus("Clock hidden");
    EXPECT_EQ(std::pair(view->statusText(), view->statusWorking()),
              std::pair(QString("Clock hidden"), false));
    actions.wakeAI();
    EXPECT_EQ(std::pair(view->statusText(), view->statusWorking()),
              std::pair(QString("Waking local AI…"), true));
}
