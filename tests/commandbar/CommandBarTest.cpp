#include "commandbar/CommandBarController.h"
#include "commandbar/CommandBarModel.h"
#include "commandbar/CommandBarSearch.h"
#include "commandbar/CommandBarWindow.h"
#include "ui/commandbar/CommandBarBackdrop.h"
#include "ui/commandbar/CommandBarPanel.h"
#include "ui/commandbar/CommandBarView.h"
#include "ui/hud/PanelStack.h"

#include "commandbar/CommandBarFakes.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = CommandItem::Target::Kind;

class FakeBarWindow final : public CommandBarWindow
{
public:
    QRectF currentFrame;
    QList<QRectF> frames;
    QPointer<QWidget> content;
    bool visible = false;

    QRectF frame() const override { return currentFrame; }
    void setFrame(const QRectF &f) override { frames << (currentFrame = f); }
    void setContent(QWidget *view) override
    {
        if (content)
            content->deleteLater();
        content = view;
    }
    bool hasContent() const override { return !content.isNull(); }
    void present(double) override { visible = true; }
    void orderOut() override { visible = false; }
    bool isVisible() const override { return visible; }
};

// Logs what a model asks: its sounds, closing, and the rows chosen.
void logModel(CommandBarModel &model, QStringList &log)
{
    QObject::connect(&model, &CommandBarModel::soundCue, &model, [&log](SoundCue cue, float v) {
        log << (cue == SoundCue::hover ? "hover " : "select ") + QString::number(v);
    });
    QObject::connect(&model, &CommandBarModel::closeRequested, &model, [&log] { log << "close"; });
    QObject::connect(
        &model, &CommandBarModel::chosen, &model, [&log](const CommandItem &row, bool alternate) {
            log << (alternate ? "alt " + row.altTarget.value : "run " + row.target.value);
        });
}

// A search with one row per character typed, named by the query up to it; "c" rows carry an
// alternative. Every choice and sound is logged.
class CommandBarTest : public ::testing::Test
{
protected:
    FakeScreens screens;
    QStringList log;
    FakeBarWindow *window = nullptr;
    int windowsMade = 0;
    FakeSearch search;
    std::unique_ptr<CommandBarController> bar;

    static CommandItem row(const QString &id, bool withAlt)
    {
        CommandItem item{.id = id, .title = id, .hint = "OPEN", .target = {Kind::skill, id}};
        if (withAlt)
            item.altTarget = {Kind::copyText, id};
        return item;
    }

    void SetUp() override
    {
        screens.setScreens({FakeScreens::make("main", {0, 0, 1440, 900}, 25),
                            FakeScreens::make("right", {1440, 0, 1280, 800})});
        screens.setPointer({100, 100});
        search.rows = [](const QString &query) {
            QList<CommandItem> rows;
            for (int i = 0; i < query.size(); ++i)
                rows << row(query.left(i + 1), query.at(i) == 'c');
            if (query.isEmpty())
                rows << row("empty-list", false);
            return rows;
        };
        auto model = std::make_unique<CommandBarModel>(search);
        CommandBarController::Hooks hooks;
        hooks.makeWindow = [this] {
            auto w = std::make_unique<FakeBarWindow>();
            window = w.get();
            ++windowsMade;
            return w;
        };
        hooks.makeView = [](CommandBarModel &m) { return new CommandBarView(m, {}); };
        bar = std::make_unique<CommandBarController>(screens, std::move(model), hooks);
        QObject::connect(bar.get(), &CommandBarController::aboutToShow, bar.get(),
                         [this] { log << "refresh"; });
        QObject::connect(bar.get(), &CommandBarController::soundCue, bar.get(),
                         [this](SoundCue cue, float) {
                             if (cue == SoundCue::open)
                                 log << "open";
                         });
        logModel(bar->model(), log);
    }

    CommandBarView *view() const { return qobject_cast<CommandBarView *>(window->content.data()); }
};

TEST(CommandBarGeometry, TopEdgeStaysTwentyPercentBelowTheVisibleTop)
{
    const ScreenInfo screen = FakeScreens::make("main", {0, 0, 1440, 900}, 25);
    EXPECT_EQ(CommandBarController::heightFor(0), CommandBarController::heightFor(1));
    for (int rows : {0, 1, 5, 9}) {
        const QRectF f = CommandBarController::frameFor(rows, screen);
        // y up: the top edge is y + height.
        EXPECT_EQ(QRectF(f.x(), f.y() + f.height(), f.width(), 0), QRectF(400, 700, 640, 0))
            << rows;
    }
    // A screen to the right, and one above the primary.
    const QRectF f
        = CommandBarController::frameFor(3, FakeScreens::make("r", {1440, 100, 1280, 800}));
    EXPECT_EQ(QPointF(f.x(), f.y() + f.height()), QPointF(1440 + 640 - 320, 900 - 160));
}

TEST_F(CommandBarTest, ShowResetsTheQueryPlacesOnThePointerScreenAndClosesOnLosingFocus)
{
    screens.setPointer({2000, 400});
    bar->show();
    ASSERT_TRUE(window);
    EXPECT_EQ(log, (QStringList{"refresh", "open"}));
    EXPECT_EQ(std::pair(bar->model().results().size(), bar->model().focusPulse()),
              std::pair(qsizetype(1), 1));
    EXPECT_EQ(window->currentFrame, CommandBarController::frameFor(1, screens.screens().at(1)));
    ASSERT_TRUE(view());
    // Typing grows the window downwards, on the next turn of the event loop, on the screen it
    // opened on wherever the pointer went.
    screens.setPointer({100, 100});
    QTest::keyClicks(view()->searchField(), "abcd");
    EXPECT_EQ(bar->model().query(), "abcd");
    QCoreApplication::processEvents();
    EXPECT_EQ(window->currentFrame, CommandBarController::frameFor(4, screens.screens().at(1)));

    // Toggled closed and open again: an empty query with a fresh view in the same window.
    QPointer<QWidget> oldView = window->content;
    bar->toggle();
    EXPECT_FALSE(bar->isVisible());
    bar->toggle();
    EXPECT_EQ(
        std::tuple(bar->isVisible(), windowsMade, bar->model().query(), bar->model().selection()),
        std::tuple(true, 1, QString(), 0));
    EXPECT_NE(window->content, oldView);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(oldView.isNull());

    emit window->resignedKey();
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar->isVisible() || window->hasContent());
    // Results changing after the close do not move the window.
    window->frames.clear();
    bar->model().setQuery("abc");
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->frames.isEmpty());
    screens.setScreens({});
    bar->toggle();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(CommandBarTest, SelectionWrapsAndIsSilentWithoutRows)
{
    CommandBarModel &model = bar->model();
    model.setQuery("abc");
    log.clear();
    model.moveSelection(-1);
    EXPECT_EQ(model.selection(), 2);
    model.moveSelection(+1);
    EXPECT_EQ(model.selection(), 0);
    EXPECT_EQ(log, (QStringList{"hover 0.3", "hover 0.3"}));
    model.setSelection(2);
    model.setQuery("abcd");
    EXPECT_EQ(model.selection(), 0);
    // A search with no rows: the arrows and Return do nothing and make no sound.
    FakeSearch none;
    none.rows = [](const QString &) { return QList<CommandItem>(); };
    CommandBarModel empty(none);
    logModel(empty, log);
    log.clear();
    empty.setQuery("zz");
    empty.moveSelection(1);
    empty.moveSelection(-1);
    empty.runSelected(false);
    EXPECT_EQ(empty.selection(), 0);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(CommandBarTest, ReturnAltReturnEscapeAndClicksRunRows)
{
    // Shows the bar, types `text`, moves down `downs` rows and presses `key`; what followed.
    auto press = [&](const QString &text, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
                     int downs = 0) {
        bar->show();
        QLineEdit *field = view()->searchField();
        QTest::keyClicks(field, text);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(field, Qt::Key_Down);
        log.clear();
        QTest::keyClick(field, key, modifiers);
        EXPECT_FALSE(bar->isVisible());
        EXPECT_EQ(field->text(), text); // the view that took the key press outlives it
        return log;
    };
    EXPECT_EQ(press("abc", Qt::Key_Return, Qt::AltModifier, 2),
              (QStringList{"select 1", "close", "alt abc"}));
    // Alt+Return on a row without an alternative runs the row itself.
    EXPECT_EQ(press("ab", Qt::Key_Return, Qt::AltModifier),
              (QStringList{"select 1", "close", "run a"}));
    EXPECT_EQ(press("", Qt::Key_Escape), QStringList{"close"});
    // Outside every row nothing runs.
    for (const auto &[rows, point, events] :
         {std::tuple{3, QPoint(), QStringList{"select 1", "close", "run abc"}},
          {1, QPoint(320, 30), QStringList{}}}) {
        bar->show();
        QTest::keyClicks(view()->searchField(), QString("abc").left(rows));
        view()->resize(640, int(CommandBarController::heightFor(rows)));
        log.clear();
        QTest::mouseClick(view(), Qt::LeftButton, {},
                          point.isNull() ? view()->rowRect(2).center().toPoint() : point);
        EXPECT_EQ(log, events);
    }
}

TEST_F(CommandBarTest, AltDeleteForgetsTheHighlightedRowInPlaceAndARunIsLearnedWithItsQuery)
{
    bar->show();
    QLineEdit *field = view()->searchField();
    QTest::keyClicks(field, "abc");
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Delete, Qt::AltModifier);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete); // without Alt it edits the query
    EXPECT_EQ(field->text(), "bc");
    bar->model().setQuery("abc");
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->model().selection(), 1);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(search.learned, (QStringList{"forget ab", "forget ab", "abc ran ab"}));
}

TEST_F(CommandBarTest, AScreenReaderFindsTheRowsByTitleAndItsPressRunsOne)
{
    bar->show();
    QTest::keyClicks(view()->searchField(), "abc");
    QTest::keyClick(view()->searchField(), Qt::Key_Down);
    QAccessibleInterface *host = QAccessible::queryAccessibleInterface(view());
    QStringList rows;
    for (int i = 0; i < host->childCount(); ++i) {
        const QAccessibleInterface *child = host->child(i);
        rows << child->text(QAccessible::Name) + (child->state().selected ? "*" : "");
    }
    EXPECT_EQ(rows.join(u','), "Search,a,ab*,abc") << "the field, then the rows, the chosen one";
    QAccessibleInterface *last = host->child(3);
    EXPECT_EQ(last->role(), QAccessible::ListItem);
    EXPECT_EQ(last->text(QAccessible::Description), "OPEN");
    EXPECT_EQ(host->indexOfChild(last), 3);

    log.clear();
    last->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(log, (QStringList{"select 1", "close", "run abc"}));

    // An empty list reads its hint, which nothing presses.
    bar->show();
    search.rows = [](const QString &) { return QList<CommandItem>(); };
    bar->model().setQuery("zz");
    host = QAccessible::queryAccessibleInterface(view());
    ASSERT_EQ(host->childCount(), 2);
    EXPECT_EQ(host->child(1)->text(QAccessible::Name), CommandBarView::emptyText);
    EXPECT_EQ(host->child(1)->actionInterface(), nullptr);
}

TEST(CommandBarBackdrop, BandsDrawTheSamePixelsAsPaintingAtEveryHeight)
{
    for (int rows : {0, 1, 2, 4, 9}) {
        const QSize size(640, int(CommandBarController::heightFor(rows)));
        auto render = [&](void (*draw)(QPainter &, const QSize &)) {
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            draw(painter, size);
            return image;
        };
        EXPECT_TRUE(render(&CommandBarBackdrop::draw) == render(&CommandBarBackdrop::paint))
            << "rows " << rows;
    }
}

// An app's icon comes a moment after its row's words, and is read once per
// desktop entry across showings until the entry is rewritten.
TEST(CommandBarIcons, IconsFollowTheWordsAndAreReadAgainOnlyForARewrittenEntry)
{
    QTemporaryDir dir;
    const QString entry = dir.filePath(QStringLiteral("red.desktop"));
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("[Desktop Entry]\n") > 0);
    file.close();
    FakeSearch search;
    search.rows = [&](const QString &) {
        return QList<CommandItem>{{.id = "app:red",
                                   .title = "Red",
                                   .symbol = "app",
                                   .appURL = QUrl::fromLocalFile(entry),
                                   .hint = "OPEN",
                                   .target = {Kind::app, entry}}};
    };
    CommandBarModel model(search);
    int reads = 0;
    const auto showing = [&] {
        auto view = std::make_unique<CommandBarView>(model, [&](const QString &desktopFile) {
            ++reads;
            QPixmap red(30, 30);
            red.fill(desktopFile == entry ? Qt::red : Qt::blue);
            return QIcon(red);
        });
        view->resize(640, int(CommandBarController::heightFor(1)));
        return view;
    };
    const auto iconShown = [](CommandBarView &view) {
        const QRectF row = view.rowRect(0);
        return view.grab().toImage().pixelColor(QPointF(row.x() + 25, row.center().y()).toPoint())
            == QColor(Qt::red);
    };
    model.setQuery(QStringLiteral("r"));

    auto first = showing();
    EXPECT_FALSE(iconShown(*first));
    EXPECT_TRUE(QTest::qWaitFor([&] { return iconShown(*first); }, 1000));
    EXPECT_TRUE(iconShown(*showing()));
    EXPECT_EQ(reads, 1);

    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
    file.close();
    auto updated = showing();
    EXPECT_FALSE(iconShown(*updated));
    EXPECT_TRUE(QTest::qWaitFor([&] { return iconShown(*updated); }, 1000));
    EXPECT_EQ(reads, 2);
}

TEST_F(CommandBarTest, NewRowsAndAMovedHighlightRepaintTheRowsTheyChange)
{
    bar->show();
    CommandBarView *v = view();
    ASSERT_TRUE(v);
    QTest::keyClicks(v->searchField(), "abc");
    // In a window of its own, as the bar's window holds it.
    QWidget host;
    host.resize(640, int(CommandBarController::heightFor(9)));
    v->setParent(&host);
    v->resize(640, int(CommandBarController::heightFor(4)));
    host.show();
    v->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    PaintSpy spy;
    v->installEventFilter(&spy);
    auto repainted = [&](auto &&change) {
        QCoreApplication::processEvents();
        spy.painted = QRegion();
        change();
        QCoreApplication::processEvents();
        return spy.painted;
    };
    auto covers = [](const QRegion &region, const QRectF &rect) {
        return region.intersected(rect.toAlignedRect()) == QRegion(rect.toAlignedRect());
    };

    // The highlight moves from the first row to the third: both repaint, the second need not.
    QRegion painted = repainted([&] { bar->model().setSelection(2); });
    EXPECT_TRUE(covers(painted, v->rowRect(0)) && covers(painted, v->rowRect(2)));
    EXPECT_FALSE(painted.intersects(v->rowRect(1).toAlignedRect()));

    // A fourth character brings a fourth row and the highlight back on the first: the second
    // row looks as it did and is left alone.
    painted = repainted([&] { QTest::keyClick(v->searchField(), Qt::Key_D); });
    for (int row : {0, 2, 3})
        EXPECT_TRUE(covers(painted, v->rowRect(row))) << "row " << row;
    EXPECT_FALSE(painted.intersects(v->rowRect(1).toAlignedRect()));

    // Fewer rows: the ones that went are painted over too.
    painted = repainted([&] { QTest::keyClick(v->searchField(), Qt::Key_Backspace); });
    EXPECT_TRUE(covers(painted, v->rowRect(3)));

    // Another last character changes the third row's words, not its highlight: the part
    // between its words and its key cap is left alone.
    painted = repainted([&] { bar->model().setQuery("abx"); });
    const QRectF third = v->rowRect(2);
    EXPECT_TRUE(covers(painted, QRectF(third.left() + 10, third.top(), 60, third.height())));
    EXPECT_FALSE(painted.contains(third.center().toPoint()));

    // A shorter view moves the footer and the card's edge and shadow, across the whole width;
    // the rows above them and the field are left as they were.
    painted = repainted([&] { v->resize(640, int(CommandBarController::heightFor(1))); });
    const int footerTop = int(v->contentRect().bottom()) - 30;
    EXPECT_TRUE(
        covers(painted, QRectF(0, footerTop - 12, v->width(), v->height() - footerTop + 12)));
    EXPECT_FALSE(painted.intersects(QRect(0, 0, v->width(), footerTop - 12)));
}

// Only what changed is repainted, from rows drawn before where they come back: every pixel a
// fresh view paints differently lies in the region repainted, whatever the words, key caps,
// subtitles and highlight become.
TEST(CommandBarRows, RepaintingWhatChangedShowsWhatAFullRepaintShows)
{
    FakeSearch search;
    search.rows = [](const QString &query) {
        QList<CommandItem> rows;
        for (int i = 0; i < query.size(); ++i) {
            CommandItem item{.title = query.left(i + 1).repeated(3 * i + 1),
                             .symbol = i % 2 ? "gearshape" : "app",
                             .hint = query.at(i) == 'h' ? "RUN" : "OPEN"};
            if (query.at(i) == 's')
                item.subtitle = "Subtitle of " + query;
            rows << item;
        }
        return rows;
    };
    CommandBarModel model(search);
    CommandBarView view(model, {});
    view.resize(640, int(CommandBarController::heightFor(9)));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.searchField()->clearFocus(); // no blinking cursor between two pictures
    PaintSpy spy;
    view.installEventFilter(&spy);
    QImage shown = view.grab().toImage();
    const QList<std::pair<QString, int>> steps{{"ab", 0},   {"abs", 0}, {"ahs", 2}, {"ahh", 0},
                                               {"shhh", 3}, {"s", 0},   {"", 0},    {"sh", 1},
                                               {"ab", 1},   {"ahs", 0}};
    for (const auto &[query, selection] : steps) {
        QCoreApplication::processEvents();
        spy.painted = QRegion();
        model.setQuery(query);
        model.setSelection(selection);
        QCoreApplication::processEvents();
        const QRegion painted = spy.painted;
        // What the view draws (rows from its pictures) where it repainted, over what it showed,
        // against a view that has drawn no row before.
        const QImage drawn = view.grab().toImage();
        QPainter canvas(&shown);
        canvas.setClipRegion(painted);
        canvas.setCompositionMode(QPainter::CompositionMode_Source);
        canvas.drawImage(0, 0, drawn);
        canvas.end();
        CommandBarView fresh(model, {});
        fresh.resize(view.size());
        EXPECT_TRUE(shown == fresh.grab().toImage()) << "after \"" << query.toStdString() << "\"";
    }
}

// Under a compositing manager the window stays whole and only where it takes presses follows
// the rows, sent once the keystroke's turn is done and once per change; where input cannot be
// cut, the window itself is cut at once.
TEST(CommandBarPanelCut, PressesFollowTheRowsWhileTheWindowStaysWhole)
{
    FakeScreens screens;
    screens.setScreens({FakeScreens::make("main", {0, 0, 1440, 900})});
    for (const bool inputCuts : {true, false}) {
        FakeWindowSystem windows;
        if (!inputCuts)
            windows.inputCuts.reset();
        PanelStack stack(windows);
        CommandBarPanel panel(screens, windows, stack);
        panel.setContent(new QWidget);
        const auto rowsRect = [&](int rows) {
            return QRect(0, 0, panel.widget()->width(), int(CommandBarController::heightFor(rows)));
        };
        const auto showRows = [&](int rows) {
            panel.setFrame(CommandBarController::frameFor(rows, screens.mainScreen()));
        };
        showRows(4);
        panel.present(0);
        for (const int rows : {9, 2, 5, 5, 7}) {
            showRows(1);
            showRows(rows);
            // The repaint that goes with the new rows, and the turn after it.
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            EXPECT_EQ(panel.frame().height(), CommandBarController::heightFor(rows));
            const QRegion mask = panel.widget()->mask();
            if (inputCuts) {
                EXPECT_TRUE(mask.isEmpty());
                EXPECT_EQ(windows.inputCuts->last(), rowsRect(rows));
            } else {
                EXPECT_EQ(mask.isEmpty() ? panel.widget()->rect() : mask.boundingRect(),
                          rowsRect(rows));
            }
        }
        if (inputCuts) {
            EXPECT_EQ(windows.inputCuts->size(), 6) << "one cut per turn, none before showing";
        }
    }
}

} // namespace
