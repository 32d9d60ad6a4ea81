#include "StoreChurn.h"

#include "clipboard/ClipboardHistory.h"
#include "platform/AtomicFile.h"
#include "platform/linux/ICalendarText.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <map>

#include <sys/stat.h>

// store_churn killed at random moments: every file is one whole generation, owner-only, never
// older than the last save that finished.
namespace {

constexpr int kKills = 60;

unsigned mode(const QString &path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Each file's generation, or nothing when it is no whole generation.
std::optional<int> defaultsGeneration(const QByteArray &bytes)
{
    // The store makes its file empty and owner-only before anything is saved in it.
    if (bytes.isEmpty())
        return 0;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    // Before the first generation has saved its number, the file holds the list alone.
    const int g
        = o.contains(StoreChurn::generationKey) ? o.value(StoreChurn::generationKey).toInt(-1) : 0;
    const QStringList ignore
        = o.value(QStringLiteral("Vantle.clipIgnore")).toVariant().toStringList();
    // The list is saved first, the generation after it.
    if (g < 0 || (ignore != StoreChurn::ignoreList(g) && ignore != StoreChurn::ignoreList(g + 1)))
        return std::nullopt;
    return g;
}

std::optional<int> pinnedGeneration(const QByteArray &bytes)
{
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isArray())
        return std::nullopt;
    QList<int> gens;
    for (const QJsonValue &v : doc.array()) {
        const QString text = v.toObject().value(QStringLiteral("text")).toString();
        const int g = text.section(QLatin1Char(' '), 1, 1).toInt();
        if (!v.toObject().value(QStringLiteral("pinned")).toBool()
            || text != StoreChurn::clipText(g))
            return std::nullopt;
        gens << g;
    }
    // Newest first. A clip copied just before a kill was never pinned (a gap), and one killed
    // between pinning and letting the oldest go keeps more than are kept.
    for (qsizetype i = 1; i < gens.size(); ++i) {
        if (gens[i] >= gens[i - 1])
            return std::nullopt;
    }
    return gens.value(0, 0);
}

std::optional<int> loadoutGeneration(const QByteArray &bytes)
{
    const auto list = Loadout::decode(bytes);
    if (!list || list->size() != 1)
        return std::nullopt;
    const int g = list->first().name.section(QLatin1Char(' '), 1, 1).toInt();
    return *list == StoreChurn::loadouts(g) ? std::optional<int>(g) : std::nullopt;
}

// The reminders complete, which must be the first ones.
std::optional<int> tasksCompleted(const QByteArray &bytes)
{
    if (bytes.count("BEGIN:VTODO") != StoreChurn::kTasks || !bytes.endsWith("END:VCALENDAR\n"))
        return std::nullopt;
    const QDateTime later = QDateTime::currentDateTime().addYears(5);
    const QList<CalendarReminder> left
        = ICalendarText::incompleteReminders(bytes, later, QStringLiteral("s"), QString());
    const int done = StoreChurn::kTasks - int(left.size());
    for (qsizetype i = 0; i < left.size(); ++i) {
        if (left[i].id != QStringLiteral("s/") + StoreChurn::taskUid(done + int(i)))
            return std::nullopt;
    }
    return done;
}

bool isStoreFile(const QString &name)
{
    return name == "defaults.json" || name == ClipboardHistory::pinnedFileName
        || name == "loadouts.json" || name == "tasks.ics";
}

// A save's temporary file, ".NAME.vantle-save.XXXXXX".
bool isLeftover(const QString &name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.(defaults\\.json|pinned-clips\\.json|loadouts\\.json|tasks\\.ics)"
                       "\\.vantle-save\\.[A-Za-z0-9]{6}$"));
    return pattern.match(name).hasMatch();
}

} // namespace

TEST(StoresUnderKill, EachFileIsAWholeGenerationNoOlderThanTheLastFinishedSaveAndOwnerOnly)
{
    const QString home = TestEnvironment::home() + QStringLiteral("/churn");
    writeFile(StoreChurn::taskFile(home), StoreChurn::tasks(),
              QFile::ReadOwner | QFile::WriteOwner);
    const std::map<QString, QString> paths = StoreChurn::files(home);
    const std::map<QString, std::optional<int> (*)(const QByteArray &)> generationOf{
        {"defaults", defaultsGeneration},
        {"pinned", pinnedGeneration},
        {"loadouts", loadoutGeneration},
        {"tasks", tasksCompleted}};
    const QStringList folders{StoreChurn::dataFolder(home),
                              QFileInfo(StoreChurn::configFile(home)).path(),
                              QFileInfo(StoreChurn::taskFile(home)).path()};
    std::map<QString, int> saved; // the generation each file held at the last look
    int checks = 0, caughtMidGeneration = 0, leftovers = 0;
    QRandomGenerator random(20261206);
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess churn;
        churn.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        churn.start(QStringLiteral(KAIDRO_STORE_CHURN_PATH), {home});
        ASSERT_TRUE(churn.waitForStarted());
        // Into its first generation, then anywhere in the next ones.
        ASSERT_TRUE(churn.waitForReadyRead(20000)) << "the churn program never saved";
        QThread::msleep(random.bounded(1, 120));
        ::kill(pid_t(churn.processId()), SIGKILL);
        ASSERT_TRUE(churn.waitForFinished(5000));

        // What the program finished saving before the kill, and the generation it was in.
        std::map<QString, int> finished = saved;
        int current = 0;
        for (const QByteArray &line : churn.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            ASSERT_FALSE(line.startsWith("log:")) << line.toStdString();
            if (words.size() != 2)
                continue;
            if (words[0] == "gen")
                current = words[1].toInt();
            else
                finished[QString::fromLatin1(words[0])] = words[1].toInt();
        }

        for (const auto &[store, path] : paths) {
            if (!QFile::exists(path) && !finished.count(store))
                continue;
            ++checks;
            const std::optional<int> g = generationOf.at(store)(readFile(path));
            ASSERT_TRUE(g) << store.toStdString() << " is torn after kill " << kill;
            const int last = finished.count(store) ? finished[store] : 0;
            // Tasks count completions, one a generation, like the others count generations.
            const int next = store == "tasks" ? last + 1 : std::max(current, last + 1);
            EXPECT_TRUE(*g == last || *g == next) << store.toStdString() << " holds " << *g
                                                  << ", saved " << last << ", then " << next;
            if (*g != last)
                ++caughtMidGeneration;
            saved[store] = *g;
            EXPECT_EQ(mode(path), 0600u) << store.toStdString();
        }
        // Beside the files only what a save in progress had made: owner-only, like them.
        for (const QString &folder : folders) {
            for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
                if (isStoreFile(file.fileName()))
                    continue;
                EXPECT_TRUE(isLeftover(file.fileName())) << file.filePath().toStdString();
                EXPECT_EQ(mode(file.filePath()), 0600u) << file.filePath().toStdString();
                ++leftovers;
            }
        }
    }
    EXPECT_GT(saved["defaults"], kKills / 2); // it got on between kills
    std::printf("[ kills ] %d kills, %d file checks, %d files caught ahead of the last finished "
                "save, %d sightings of temporary files left by kills, generation %d reached\n",
                kKills, checks, caughtMidGeneration, leftovers, saved["defaults"]);

    // The next run removes old leftovers and leaves a young one, maybe another copy's save, and
    // the user's own files of look-alike names.
    QStringList lookAlikes;
    for (const auto &[store, path] : paths) {
        QFile::copy(path,
                    QFileInfo(path).path() + '/' + AtomicFile::temporaryPrefix(path) + "Zz9Yx8");
        for (const char *suffix : {".backup", ".Zz9Yx8"}) {
            lookAlikes << path + suffix;
            QFile::copy(path, lookAlikes.last());
        }
    }
    const QString young = QFileInfo(paths.at("loadouts")).path() + '/'
        + AtomicFile::temporaryPrefix(paths.at("loadouts")) + "Young1";
    QFile::copy(paths.at("loadouts"), young);
    const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
    for (const QString &folder : folders) {
        for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
            QFile f(file.filePath());
            if (file.filePath() != young && f.open(QIODevice::ReadWrite))
                f.setFileTime(old, QFileDevice::FileModificationTime);
        }
    }
    QProcess churn;
    churn.start(QStringLiteral(KAIDRO_STORE_CHURN_PATH), {home, "--once"});
    ASSERT_TRUE(churn.waitForFinished(30000));
    EXPECT_TRUE(QFile::remove(young));
    for (const QString &file : lookAlikes)
        EXPECT_TRUE(QFile::remove(file)) << file.toStdString() << " was removed";
    for (const QString &folder : folders) {
        for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            EXPECT_TRUE(isStoreFile(name)) << name.toStdString() << " was left";
    }
}

TEST(StoresOnAFullDisk, KeepThePreviousFileAndTellTheLogOncePerFile)
{
    const QString home = TestEnvironment::home() + QStringLiteral("/full");
    writeFile(StoreChurn::taskFile(home), StoreChurn::tasks(),
              QFile::ReadOwner | QFile::WriteOwner);

    // A small tmpfs in a mount namespace of its own where root may mount one; else a size limit.
    QProcess churn;
    churn.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString script = QStringLiteral(
        "mount -t tmpfs -o size=1m,mode=0700 tmpfs \"$1\" && mkdir -p \"$(dirname \"$3\")\" && "
        "cp /dev/stdin \"$3\" && chmod 600 \"$3\" && exec \"$2\" \"$1\" --full-disk");
    churn.start(QStringLiteral("unshare"),
                {"--mount", "--propagation", "private", "sh", "-c", script, "sh", home,
                 QStringLiteral(KAIDRO_STORE_CHURN_PATH), StoreChurn::taskFile(home)});
    if (churn.waitForStarted()) {
        churn.write(StoreChurn::tasks());
        churn.closeWriteChannel();
        churn.waitForFinished(60000);
    }
    QByteArray out = churn.readAllStandardOutput();
    if (!out.contains("gen 1")) {
        std::printf("[ full disk ] no tmpfs here; writes are limited to 4 KiB instead\n");
        churn.start(QStringLiteral(KAIDRO_STORE_CHURN_PATH), {home, "--file-limit"});
        ASSERT_TRUE(churn.waitForFinished(60000));
        out = churn.readAllStandardOutput();
    }
    ASSERT_EQ(churn.exitCode(), 0) << out.toStdString();

    QStringList logged;
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("log: "))
            logged << QString::fromUtf8(line.mid(5));
    }
    for (const char *file : {"defaults.json", "pinned-clips.json", "loadouts.json", "tasks.ics"}) {
        EXPECT_TRUE(out.contains(QByteArray("same ") + file)) << file << " changed:\n"
                                                              << out.toStdString();
        EXPECT_TRUE(out.contains(QByteArray("mode ") + file + " 600")) << out.toStdString();
        EXPECT_EQ(logged.filter(QStringLiteral("could not save %1: ").arg(file)).size(), 1)
            << file << ":\n"
            << logged.join('\n').toStdString();
    }
    // Two more generations of saves after the first failure of each, told once each.
    EXPECT_EQ(logged.size(), 4) << logged.join('\n').toStdString();
}
