#include "ArrangerFixture.h"
#include "windows/LoadoutStore.h"

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "platform/AtomicFile.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

namespace {

Loadout::Entry entry(const QString &id, int index, QRectF f, const QString &display = "1440x900")
{
    return {id, id, index, f.x(), f.y(), f.width(), f.height(), display};
}

Loadout loadout(const QString &name, QList<Loadout::Entry> entries)
{
    return {{}, name, {}, std::move(entries)};
}

Loadout sample()
{
    const QRectF f(0.125, 1.0 / 3.0, 0.5, 0.6);
    return {QUuid::createUuid(),
            "Firefox + Terminal",
            QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 535), QTimeZone::utc()),
            {entry("firefox", 0, f, "1512x982"), entry("org.gnome.Terminal", 2, f, "1512x982")}};
}

} // namespace

TEST_F(Arranger, SnapMovesTheFocusedElseTheTopWindowOfTheAppInFrontOrGazedAtInRootCoordinates)
{
    editorInFront();
    windows.standard[10] = {7, 8};
    windows.focused.insert(10, 8);
    windows.frames.insert(8, {100, 100, 400, 300});
    arranger->snap(SnapZone::center);
    EXPECT_EQ(windows.moves, (Moves{{8, {216, 90, 1008, 720}}}));
    EXPECT_TRUE(toasts().isEmpty());
    EXPECT_EQ(cues, (Cues{{Cue::select, 0.5f}}));
    // With ourselves in front the gazed app is the target, placed under the 25-point top bar.
    addApp(ownPid, "Kaidro", "kaidro", {1});
    workspace.front = ownPid;
    gaze = 10;
    screens.setScreens({FakeScreens::make("primary", {0, 0, 1440, 900}, 25)});
    windows.focused.clear();
    arranger->snap(SnapZone::topHalf);
    EXPECT_EQ(windows.moves.last(), (QPair<quint32, QRectF>{7, {0, 25, 1440, 437.5}}));
}

TEST_F(Arranger, NextDisplayNeedsTwoAndKeepsFractionsAsLoadoutsGoToTheDisplayOfTheirSize)
{
    editorInFront();
    arranger->snap(SnapZone::nextDisplay);
    EXPECT_EQ(toasts(true), QStringList{"Only one display"});
    EXPECT_TRUE(windows.moves.isEmpty() && cues.isEmpty());
    // A taller display right of the primary, its top 180 points higher.
    screens.setScreens({FakeScreens::make("a", {0, 0, 1440, 900}, 25),
                        FakeScreens::make("b", {1440, -180, 1920, 1080})});
    windows.frames.insert(7, {144, 25 + 87.5, 720, 437.5}); // 10 % in from the edges
    arranger->snap(SnapZone::nextDisplay);
    EXPECT_EQ(windows.frames[7], QRectF(1440 + 192, 108, 960, 540));
    arranger->snap(SnapZone::nextDisplay);
    EXPECT_EQ(windows.frames[7], QRectF(144, 112.5, 720, 437.5));
    // A loadout goes to the display of its size, else to the primary.
    const QList<ScreenInfo> two = screens.screens();
    const QRectF f(0.1, 0.2, 0.5, 0.25);
    EXPECT_EQ(WindowArranger::frameFor(entry("x", 0, f, "1512x982"), two),
              SnapZones::place(f, two[0].visibleFrame));
    EXPECT_EQ(WindowArranger::frameFor(entry("x", 0, f, "1920x1080"), two),
              SnapZones::place(f, two[1].visibleFrame));
}

TEST_F(Arranger, RefusalsToastAndTouchNothingAndTrustIsReadAgainEachTime)
{
    // No app in front; ourselves, gazing at an app that quit; an app with every window minimized.
    arranger->snap(SnapZone::leftHalf);
    addApp(ownPid, "Kaidro", "kaidro", {1});
    workspace.front = ownPid;
    gaze = 99;
    arranger->snap(SnapZone::leftHalf);
    addApp(10, "Editor", "editor", {});
    workspace.front = 10;
    arranger->snap(SnapZone::leftHalf);
    EXPECT_EQ(toasts(true), QStringList(3, "Nothing to move"));
    feedback.toasts.clear();
    windows.standard[10] = {7};
    windows.frames.insert(7, {100, 100, 400, 300});
    windows.trust = false;
    make();
    arranger->snap(SnapZone::full);
    bool done = false;
    arranger->equip(loadout({}, {entry("editor", 0, {0, 0, 1, 1})}), [&done] { done = true; });
    EXPECT_TRUE(done);
    arranger->captureLoadout();
    EXPECT_EQ(toasts(true), QStringList(3, "Accessibility is off"));
    EXPECT_FALSE(arranger->trusted());
    EXPECT_TRUE(windows.moves.isEmpty() && cues.isEmpty() && waits.isEmpty()
                && arranger->loadouts().isEmpty());
    windows.trust = true;
    arranger->snap(SnapZone::full);
    EXPECT_TRUE(arranger->trusted() && windows.moves.size() == 1);
}

TEST_F(Arranger, CaptureSkipsOtherAppsAndSmallWindowsAndKeepsAnAppsFirstThreeAsFractions)
{
    screens.setScreens({FakeScreens::make("primary", {0, 0, 1440, 900}, 25)});
    addApp(ownPid, "Kaidro", "kaidro", {1});
    addApp(11, "Tray", "tray", {2});
    workspace.apps.last().regular = false;
    addApp(12, "script", QString(), {3});
    addApp(13, QString(), "org.example.Nameless", {4});
    windows.frames.insert(4, {0, 0, 400, 90}); // a window needs more than 90 points of height
    arranger->captureLoadout();
    EXPECT_EQ(toasts(true), QStringList{"No windows to save"});
    EXPECT_TRUE(arranger->loadouts().isEmpty());
    EXPECT_FALSE(QFile::exists(paths.dataFile("loadouts.json")));
    windows.frames.insert(4, {0, 0, 400, 91});
    addApp(10, "Editor", "editor", {5, 6, 7, 8, 9});
    windows.frames.insert(5, {144, 112.5, 720, 437.5});
    windows.frames.insert(6, {0, 0, 120, 400}); // too narrow
    windows.frames.insert(7, {0, 0, 121, 91}); // the fourth and fifth are never looked at
    arranger->captureLoadout();
    ASSERT_EQ(arranger->loadouts().size(), 1);
    const Loadout l = arranger->loadouts()[0];
    EXPECT_EQ(l.name, "org.example.Nameless + Editor"); // without a name the id stands in
    ASSERT_EQ(l.entries.size(), 3);
    EXPECT_EQ(l.entries[2].index, 2);
    const Loadout::Entry &e = l.entries[1];
    EXPECT_EQ(e.bundleID + ' ' + e.display + ' ' + QString::number(e.index), "editor 1440x900 0");
    for (double fraction : {e.x, e.y, e.w - 0.4, e.h - 0.4})
        EXPECT_NEAR(fraction, 0.1, 1e-9);
}

TEST_F(Arranger, CaptureNamesReportsAndSavesNewestFirstAndDeleteSaves)
{
    for (quint32 i = 0; i < 4; ++i) // A to D, each with two windows
        addApp(10 + i, QChar('A' + i), QChar('a' + i), {100 + i, 200 + i});
    arranger->captureLoadout();
    EXPECT_EQ(arranger->loadouts().value(0).appCount(), 4);
    EXPECT_TRUE(toasts().value(0).startsWith("Loadout saved: A + B + C +1: 8 windows. "));
    EXPECT_EQ(cues, (Cues{{Cue::confirm, 0.6f}}));
    clock.advance(60);
    arranger->captureLoadout();
    const QList<Loadout> list = arranger->loadouts();
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(list[0].id != list[1].id && list[0].date > list[1].date);
    make();
    EXPECT_EQ(arranger->loadouts(), list);
    arranger->deleteLoadout(list[0].id);
    make();
    EXPECT_EQ(arranger->loadouts(), list.mid(1));
}

TEST_F(Arranger, EquipWithEverythingInPlaceMovesNothingWhileSettlingAndRaisesEachOnce)
{
    addApp(10, "A", "a", {1, 2});
    addApp(11, "B", "b", {3});
    windows.frames.insert(2, {400, 100, 600, 500});
    windows.frames.insert(3, {700, 300, 500, 500});
    const auto before = windows.frames;
    arranger->captureLoadout();
    feedback.toasts.clear();
    cues.clear();
    bool done = false;
    arranger->equip(arranger->loadouts()[0], [&done] { done = true; });
    // The matching pass puts each window at once, onto where it already is.
    ASSERT_EQ(windows.moves.size(), 3);
    for (const auto &[window, frame] : windows.moves)
        EXPECT_EQ(frame, before[window]);
    feedback.runLater();
    EXPECT_EQ(feedback.waits, QList<int>{600}); // one settling pass, no retries
    EXPECT_EQ(windows.raised, (QList<quint32>{3, 2, 1}));
    EXPECT_TRUE(done);
    EXPECT_EQ(cues, (Cues{{Cue::select, 1.0f}}));
    EXPECT_EQ(toasts(), QStringList{"Equipped A + B: 3 windows placed."});
}

TEST_F(Arranger, EquipLaunchesMissingAppsWaitsForTheirWindowsAndCountsThoseNeverFound)
{
    arranger->equip(loadout("C", {entry("c", 0, {0, 0, 0.5, 1}), entry("c", 1, {0.5, 0, 0.5, 1})}));
    EXPECT_EQ(workspace.opened, QStringList{"c"});
    ASSERT_EQ(waits.size(), 1);
    // Two retries pass before the app is up with its first window, then its second follows.
    for (int i = 0; i < 2; ++i)
        waits.takeFirst().then();
    addApp(20, "C", "c", {5});
    waits.takeFirst().then();
    EXPECT_EQ(windows.moves.size(), 1);
    windows.standard[20].append(6);
    windows.frames.insert(6, {0, 0, 100, 100});
    feedback.runLater();
    EXPECT_EQ(windows.raised, (QList<quint32>{6, 5}));
    EXPECT_EQ(toasts(), QStringList{"Equipped C: 2 windows placed. Launched 1 app(s)."});
    // An app that never opens its window, and one that cannot be opened at all.
    feedback.toasts.clear();
    windows.raised.clear();
    feedback.waits.clear();
    addApp(10, "A", "a", {1});
    addApp(11, "B", "b", {});
    arranger->equip(
        loadout("A + B", {entry("a", 0, {0, 0, 0.5, 1}), entry("b", 0, {0.5, 0, 0.5, 1})}));
    feedback.runLater();
    EXPECT_EQ(feedback.waits.count(1000), 7);
    EXPECT_EQ(windows.raised, QList<quint32>{1});
    workspace.openSucceeds = false;
    arranger->equip(loadout("Gone", {entry("gone", 0, {0, 0, 1, 1})}));
    feedback.runLater();
    // Only desktop-entry ids are launched: a path in the file is skipped and counted.
    workspace.opened.clear();
    arranger->equip(loadout("Paths",
                            {entry("/tmp/evil.desktop", 0, {0, 0, 1, 1}),
                             entry("../x.desktop", 0, {0, 0, 1, 1}), entry("a", 0, {0, 0, 1, 1})}));
    feedback.runLater();
    EXPECT_TRUE(workspace.opened.isEmpty()) << workspace.opened.join(' ').toStdString();
    EXPECT_EQ(toasts(),
              (QStringList{"Equipped A + B: 1 window placed, 1 not found.",
                           "Equipped Gone: 0 windows placed, 1 not found.",
                           "Equipped Paths: 1 window placed, 2 not found."}));
    for (const char *id : {"firefox", "org.gnome.Terminal", "kde-okular.desktop"})
        EXPECT_TRUE(Loadout::isDesktopId(id)) << id;
    for (const char *id : {"", "/usr/share/applications/x.desktop", "a/b", ".hidden", "a\nb"})
        EXPECT_FALSE(Loadout::isDesktopId(id)) << id;
}

TEST_F(Arranger, SettlingStopsAfterThreePassesAndLeavesAWindowWithinFourPoints)
{
    addApp(10, "A", "a", {1});
    arranger->equip(loadout("A", {entry("a", 0, {0.5, 0, 0.5, 1})}));
    ASSERT_EQ(windows.moves.size(), 1);
    // The app keeps pushing its window back by 5 points, just past what counts as in place.
    while (!waits.isEmpty()) {
        windows.frames[1].translate(5, 0);
        waits.takeFirst().then();
    }
    EXPECT_EQ(windows.moves.size(), 1 + 3);
    EXPECT_EQ(windows.raised, QList<quint32>{1});
    // A terminal lands on its nearest cell size.
    windows.moves.clear();
    arranger->equip(loadout("A", {entry("a", 0, {0.5, 0, 0.5, 1})}));
    windows.frames[1].adjust(0, 0, -4, 4);
    feedback.runLater();
    EXPECT_EQ(windows.moves.size(), 1);
    // A wait that outlives the arranger does nothing.
    windows.raised.clear();
    feedback.toasts.clear();
    arranger->equip(loadout({}, {entry("a", 0, {0, 0, 1, 1})}));
    arranger.reset();
    feedback.runLater();
    EXPECT_TRUE(windows.raised.isEmpty() && toasts().isEmpty());
}

TEST(SnapZone, ThirdsMeetFramesGoToTheLargerShareAreMeasuredFromTheVisibleFrameAndCycleDisplays)
{
    const QRectF left = *SnapZones::fractions(SnapZone::leftThird);
    const QRectF middle = *SnapZones::fractions(SnapZone::middleThird);
    EXPECT_EQ(left.x() + left.width(), middle.x());
    EXPECT_EQ(middle.x() + middle.width(), SnapZones::fractions(SnapZone::rightThird)->x());
    // A frame belongs to the screen with the larger share, the earlier on a tie, else the first.
    const QList<ScreenInfo> screens
        = {FakeScreens::make("s", {0, 0, 1000, 800}), FakeScreens::make("s", {1000, 0, 1000, 800})};
    const QList<ScreenInfo> swapped = {screens[1], screens[0]};
    EXPECT_EQ(SnapZones::screenIndexFor({900, 100, 200, 200}, screens), 0);
    EXPECT_EQ(SnapZones::screenIndexFor({901, 100, 200, 200}, screens), 1);
    EXPECT_EQ(SnapZones::screenIndexFor({900, 100, 200, 200}, swapped), 0);
    EXPECT_EQ(SnapZones::screenIndexFor({5000, 5000, 10, 10}, screens), 0);
    EXPECT_FALSE(SnapZones::screenIndexFor({0, 0, 10, 10}, {}));
    // On a second display, so the origin of the visible frame matters too.
    EXPECT_EQ(*SnapZones::newFrame(SnapZone::center, {},
                                   {FakeScreens::make("s", {1440, 100, 1440, 900})}, 0),
              QRectF(1440 + 216, 100 + 90, 1008, 720));
    const QList<ScreenInfo> three = {FakeScreens::make("s", {0, 0, 1440, 900}, 25),
                                     FakeScreens::make("s", {1440, -180, 1920, 1080}),
                                     FakeScreens::make("s", {-1280, 0, 1280, 1024}, 30)};
    // The next display cycles through the screens, keeping a quarter-size window's fractions.
    const QRectF start = SnapZones::place({0.1, 0.2, 0.5, 0.25}, three[0].visibleFrame);
    QRectF frame = start;
    for (qsizetype from = 0; from < 3; ++from) {
        const qsizetype to = (from + 1) % 3;
        frame = *SnapZones::newFrame(SnapZone::nextDisplay, frame, three, from);
        EXPECT_EQ(SnapZones::relativeFractions(frame, three[to].visibleFrame),
                  QRectF(0.1, 0.2, 0.5, 0.25));
        EXPECT_EQ(SnapZones::screenIndexFor(frame, three), to);
    }
    EXPECT_EQ(frame, start);
    EXPECT_FALSE(SnapZones::newFrame(SnapZone::nextDisplay, {10, 10, 100, 100}, {three[0]}, 0));
    EXPECT_FALSE(SnapZones::newFrame(SnapZone::full, {10, 10, 100, 100}, {}, 0));
}

TEST(Loadout, NamesDisplaysAndACompactJsonRoundTripThatNeedsEveryKeyOfTheRightType)
{
    // Named after the first three distinct apps; displays in whole points.
    EXPECT_EQ(Loadout::makeName({"A", "B", "A", "C"}), "A + B + C");
    EXPECT_EQ(Loadout::makeName({"A", "B", "A", "C", "D", "E", "D"}), "A + B + C +2");
    EXPECT_EQ(Loadout::displayString({0, 0, 1512.9, 982.2}), "1512x982"); // truncated
    EXPECT_EQ(Loadout::displayString({-1440, 30, 1440, 900}), "1440x900");
    const QList<Loadout> list = {sample(), sample()};
    EXPECT_EQ(Loadout::decode(Loadout::encode(list)), list);
    Loadout l = sample();
    l.date = QDateTime(QDate(2001, 1, 1), QTime(0, 1, 40), QTimeZone::utc());
    const QByteArray json = Loadout::encode({l});
    EXPECT_FALSE(json.contains('\n'));
    const QJsonObject o = QJsonDocument::fromJson(json).array().first().toObject();
    EXPECT_EQ(o.value("id").toString(), l.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(o.value("date").toDouble(), 100.0);
    EXPECT_EQ(o.value("entries").toArray().at(1).toObject().value("index"), 2);

    // Every key is required, and wrong types do not decode.
    const QJsonObject good = sample().toJson();
    const QJsonObject goodEntry = sample().entries[0].toJson();
    const auto with = [&good](const QString &key, const QJsonValue &v) {
        QJsonObject o = good;
        if (v.isUndefined())
            o.remove(key);
        else
            o.insert(key, v);
        return Loadout::fromJson(o);
    };
    ASSERT_TRUE(with("name", good.value("name")));
    for (const QString &key : good.keys())
        EXPECT_FALSE(with(key, QJsonValue::Undefined)) << qPrintable(key);
    for (const QString &key : goodEntry.keys()) {
        QJsonObject e = goodEntry;
        e.remove(key);
        EXPECT_FALSE(with("entries", QJsonArray{goodEntry, e})) << qPrintable(key);
    }
    QJsonObject fractional = goodEntry;
    fractional.insert("index", 1.5);
    EXPECT_FALSE(with("entries", QJsonArray{fractional}));
    EXPECT_FALSE(with("date", "2026-03-14"));
    EXPECT_FALSE(with("id", "not-a-uuid"));
    EXPECT_FALSE(with("name", 3));
    // A lower-case id is still the same id.
    EXPECT_TRUE(with("id", Loadout::uuidText(QUuid::createUuid()).toLower()));
    EXPECT_FALSE(Loadout::decode("{}") || Loadout::decode("[1]"));
    EXPECT_EQ(Loadout::decode("[]"), QList<Loadout>{});
}

TEST(LoadoutFile, MissingIsEmptySavedLoadsBackAndAnUnreadableFileIsMovedAsideOnce)
{
    QTemporaryDir dir;
    FakeAppPaths paths{dir.filePath("Vantle"), {}};
    const QString file = paths.dataFile("loadouts.json");
    LoadoutStore store(paths);
    EXPECT_TRUE(store.load().isEmpty() && !store.foundUnreadable());
    const QList<Loadout> list = {sample(), sample()};
    ASSERT_TRUE(store.save(list));
    EXPECT_TRUE(AtomicFile::keptAside(file).isEmpty());
    EXPECT_EQ(LoadoutStore(paths).load(), list);
    const QByteArray damaged("[{\"id\": \"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\", \"na");
    writeFile(file, damaged);
    LoadoutStore reader(paths);
    EXPECT_TRUE(reader.load().isEmpty() && reader.foundUnreadable());
    EXPECT_EQ(readFile(file), damaged);
    ASSERT_TRUE(reader.save({sample()}));
    EXPECT_EQ(readFile(AtomicFile::keptAside(file).value(0)), damaged);
    EXPECT_EQ(LoadoutStore(paths).load().size(), 1);
    ASSERT_TRUE(reader.save({})); // later saves replace only our own file
    EXPECT_EQ(AtomicFile::keptAside(file).size(), 1);
    EXPECT_EQ(readFile(file), QByteArray("[]"));
}
