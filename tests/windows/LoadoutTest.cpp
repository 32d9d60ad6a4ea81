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
    return {id, id.toUpper(), index, 0.125, 1.0 / 3.0, 0.5, 0.6, "1512x982"};
}

Loadout sample()
{
    return {QUuid::createUuid(),
            "Firefox + Terminal",
            QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 535), QTimeZone::utc()),
            {entry("firefox"), entry("org.gnome.Terminal", 2)}};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Loadout, NamesTheFirstThreeDistinctAppsAndDisplaysInWholePoints)
{
    EXPECT_EQ(Loadout::makeName({"A", "B", "A", "C"}), "A + B + C");
    EXPECT_EQ(Loadout::makeName({"A", "B", "A", "C", "D", "E", "D"}), "A + B + C +2");
    EXPECT_EQ(Loadout::displayString({0, 0, 1512.9, 982.2}), "1512x982"); // truncated
    EXPECT_EQ(Loadout::displayString({-1440, 30, 1440, 900}), "1440x900");
}

TEST(LoadoutJson, RoundTripIsCompactWithUpperCaseIdsAndReferenceDates)
{
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
}

TEST(LoadoutJson, EveryKeyIsRequiredAndWrongTypesDoNotDecode)
{
    const QJsonObject good = sample().toJson();
    const QJsonObject goodEntry = entry("firefox").toJson();
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
    EXPECT_FALSE(Loadout::decode("{}"));
    EXPECT_FALSE(Loadout::decode("[1]"));
    EXPECT_EQ(Loadout::decode("[]"), QList<Loadout>{});
}

TEST(LoadoutFile, MissingIsEmptySavedLoadsBackOwnerOnlyAndAnUnreadableFileIsMovedAsideOnce)
{
    QTemporaryDir dir;
    FakeAppPaths paths{dir.filePath("Vantle"), {}};
    const QString file = paths.dataFile("loadouts.json");
    LoadoutStore store(paths);
    EXPECT_TRUE(store.load().isEmpty());
    EXPECT_FALSE(store.foundUnreadable());
    const QList<Loadout> list = {sample(), sample()};
    ASSERT_TRUE(store.save(list));
    EXPECT_FALSE(QFile::exists(file + ".bad"));
    EXPECT_EQ(QFile::permissions(file),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                  | QFileDevice::WriteUser);
    EXPECT_EQ(LoadoutStore(paths).load(), list);
    const QByteArray damaged("[{\"id\": \"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\", \"na");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(damaged);
    f.close();
    LoadoutStore reader(paths);
    EXPECT_TRUE(reader.load().isEmpty());
    EXPECT_TRUE(reader.foundUnreadable());
    EXPECT_EQ(readAll(file), damaged);
    ASSERT_TRUE(reader.save({sample()}));
    EXPECT_EQ(readAll(file + ".bad"), damaged);
    EXPECT_EQ(LoadoutStore(paths).load().size(), 1);
    ASSERT_TRUE(reader.save({})); // later saves replace only our own file
    EXPECT_EQ(readAll(file + ".bad"), damaged);
    EXPECT_EQ(readAll(file), QByteArray("[]"));
}