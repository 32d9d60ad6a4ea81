#include "windows/Loadout.h"
#include "windows/LoadoutStore.h"

#include "fakes/FakeAppPaths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

namespace {

Loadout::Entry entry(const QString &id, int index = 0)
{
    Loadout::Entry e;
    e.bundleID = id;
    e.appName = id.toUpper();
    e.index = index;
    e.x = 0.125;
    e.y = 1.0 / 3.0;
    e.w = 0.5;
    e.h = 0.6;
    e.display = QStringLiteral("1512x982");
    return e;
}

Loadout sample()
{
    Loadout l;
    l.id = QUuid::createUuid();
    l.name = QStringLiteral("Firefox + Terminal");
    l.date = QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 535), QTimeZone::utc());
    l.entries = {entry(QStringLiteral("firefox")), entry(QStringLiteral("org.gnome.Terminal"), 2)};
    return l;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST(LoadoutName, FirstThreeDistinctAppsThenTheCountOfTheRest)
{
    EXPECT_EQ(Loadout::makeName({"A", "B", "C", "D"}), QStringLiteral("A + B + C +1"));
    EXPECT_EQ(Loadout::makeName({"Safari", "Mail", "Notes", "Maps", "Books"}),
              QStringLiteral("Safari + Mail + Notes +2"));
    EXPECT_EQ(Loadout::makeName({"A", "A"}), QStringLiteral("A"));
    EXPECT_EQ(Loadout::makeName({"A", "B", "A", "C"}), QStringLiteral("A + B + C"));
}

TEST(LoadoutDisplay, WholePointsByTruncation)
{
    EXPECT_EQ(Loadout::displayString({0, 0, 1512.9, 982.2}), QStringLiteral("1512x982"));
    EXPECT_EQ(Loadout::displayString({-1440, 30, 1440, 900}), QStringLiteral("1440x900"));
}

TEST(LoadoutJson, RoundTripKeepsEveryField)
{
    const QList<Loadout> list = {sample(), sample()};
    const auto back = Loadout::decode(Loadout::encode(list));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, list);
    EXPECT_EQ(back->first().appCount(), 2);
}

TEST(LoadoutJson, CompactWithUpperCaseIdsAndReferenceDates)
{
    Loadout l = sample();
    l.date = QDateTime(QDate(2001, 1, 1), QTime(0, 1, 40), QTimeZone::utc());
    const QByteArray json = Loadout::encode({l});
    EXPECT_FALSE(json.contains('\n'));
    EXPECT_FALSE(json.contains(": "));
    const QJsonObject o = QJsonDocument::fromJson(json).array().first().toObject();
    const QString id = o.value(QStringLiteral("id")).toString();
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(QUuid::fromString(id), l.id);
    EXPECT_EQ(o.value(QStringLiteral("date")).toDouble(), 100.0);
    EXPECT_EQ(o.value(QStringLiteral("entries")).toArray().at(1).toObject().value("index"), 2);
}

TEST(LoadoutJson, DatesBeforeTheReferenceAreNegative)
{
    EXPECT_EQ(Loadout::referenceSeconds(
                  QDateTime(QDate(2000, 12, 31), QTime(23, 59, 0), QTimeZone::utc())),
              -60.0);
    EXPECT_EQ(Loadout::fromReferenceSeconds(-60.0).toSecsSinceEpoch(), 978307140);
}

TEST(LoadoutJson, EveryKeyIsRequired)
{
    const QJsonObject good = sample().toJson();
    ASSERT_TRUE(Loadout::fromJson(good));
    for (const QString &key : good.keys()) {
        QJsonObject o = good;
        o.remove(key);
        EXPECT_FALSE(Loadout::fromJson(o)) << qPrintable(key);
    }
    const QJsonObject goodEntry = entry(QStringLiteral("firefox")).toJson();
    ASSERT_EQ(goodEntry.size(), 8);
    for (const QString &key : goodEntry.keys()) {
        QJsonObject e = goodEntry;
        e.remove(key);
        QJsonObject o = good;
        o.insert(QStringLiteral("entries"), QJsonArray{goodEntry, e});
        EXPECT_FALSE(Loadout::fromJson(o)) << qPrintable(key);
    }
}

TEST(LoadoutJson, WrongTypesAndBadIdsDoNotDecode)
{
    const QJsonObject good = sample().toJson();
    const auto with = [&good](const char *key, const QJsonValue &v) {
        QJsonObject o = good;
        o.insert(QLatin1String(key), v);
        return Loadout::fromJson(o);
    };
    EXPECT_FALSE(with("date", QStringLiteral("2026-03-14")));
    EXPECT_FALSE(with("id", QStringLiteral("not-a-uuid")));
    EXPECT_FALSE(with("name", 3));
    QJsonObject e = entry(QStringLiteral("firefox")).toJson();
    e.insert(QStringLiteral("index"), 1.5);
    EXPECT_FALSE(with("entries", QJsonArray{e}));
    // A lower-case id is still the same id.
    EXPECT_TRUE(with("id", Loadout::uuidText(QUuid::createUuid()).toLower()));
    EXPECT_FALSE(Loadout::decode("{}"));
    EXPECT_FALSE(Loadout::decode("[1]"));
    EXPECT_EQ(Loadout::decode("[]"), QList<Loadout>{});
}

class LoadoutFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FakeAppPaths paths{dir.filePath(QStringLiteral("Vantle")), {}};
    QString file() const { return paths.dataFile(QStringLiteral("loadouts.json")); }
};

TEST_F(LoadoutFile, MissingFileIsAnEmptyListAndNothingIsKeptAside)
{
    LoadoutStore store(paths);
    EXPECT_TRUE(store.load().isEmpty());
    EXPECT_FALSE(store.foundUnreadable());
    ASSERT_TRUE(store.save({sample()}));
    EXPECT_FALSE(QFile::exists(file() + ".bad"));
}

TEST_F(LoadoutFile, SavedListLoadsBackOwnerOnly)
{
    const QList<Loadout> list = {sample(), sample()};
    ASSERT_TRUE(LoadoutStore(paths).save(list));
    EXPECT_EQ(QFile::permissions(file()),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                  | QFileDevice::WriteUser);
    EXPECT_EQ(LoadoutStore(paths).load(), list);
}

TEST_F(LoadoutFile, MalformedFileIsKeptUntilTheNextSaveMovesItAside)
{
    const QByteArray damaged = "[{\"id\": \"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\", \"na";
    writeAll(file(), damaged);
    LoadoutStore store(paths);
    EXPECT_TRUE(store.load().isEmpty());
    EXPECT_EQ(readAll(file()), damaged);
    EXPECT_FALSE(QFile::exists(file() + ".bad"));

    ASSERT_TRUE(store.save({sample()}));
    EXPECT_EQ(readAll(file() + ".bad"), damaged);
    EXPECT_EQ(LoadoutStore(paths).load().size(), 1);

    // Later saves replace only our own file.
    ASSERT_TRUE(store.save({}));
    EXPECT_EQ(readAll(file() + ".bad"), damaged);
    EXPECT_EQ(readAll(file()), QByteArray("[]"));
}

TEST_F(LoadoutFile, FileWithAMissingKeyLoadsEmptyAndIsKeptAside)
{
    QJsonObject o = sample().toJson();
    o.remove(QStringLiteral("date"));
    const QByteArray bytes = QJsonDocument(QJsonArray{o}).toJson(QJsonDocument::Compact);
    writeAll(file(), bytes);
    LoadoutStore store(paths);
    EXPECT_TRUE(store.load().isEmpty());
    EXPECT_TRUE(store.foundUnreadable());
    ASSERT_TRUE(store.save({}));
    EXPECT_EQ(readAll(file() + ".bad"), bytes);
}
