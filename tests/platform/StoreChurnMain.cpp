// Saves the program's four stores (defaults, pinned clips, loadouts, a reminder completion)
// through its own store classes, generation after generation, and says on stdout "gen G", then
// "defaults G", "pinned G", "loadouts G" and "tasks C" (C reminders complete) as each is saved,
// and "log: LINE" for each line the program would log.
// Usage: store_churn HOME [--once | --full-disk | --file-limit]
// --once saves one generation. --full-disk (HOME is a small file system of its own) fills the
// disk after one generation and tries two more, then prints "same FILE" or "changed FILE" and
// "mode FILE 600"; --file-limit does the same with writes capped at 4 KiB instead.
#include "StoreChurn.h"

#include "clipboard/ClipboardHistory.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeWorkspace.h"
#include "platform/AtomicFile.h"
#include "platform/linux/EvolutionCalendarStore.h"
#include "platform/linux/JsonUserDefaults.h"
#include "support/TestHelpers.h"
#include "windows/LoadoutStore.h"

#include <QCoreApplication>
#include <QFile>

#include <map>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    const QByteArray text = line.toUtf8() + '\n';
    // One write per line, so a kill never leaves half a line.
    (void)::write(STDOUT_FILENO, text.constData(), size_t(text.size()));
}

class Churn
{
public:
    explicit Churn(const QString &home)
        : m_home(home)
        , m_defaults(StoreChurn::configFile(home))
        , m_paths(StoreChurn::dataFolder(home), QString())
        , m_history(m_pasteboard, m_workspace, m_defaults, m_paths, m_clock, ::getpid())
        , m_loadouts(m_paths)
        , m_calendars(StoreChurn::dataHome(home))
    {
        m_generation = int(m_defaults.number(StoreChurn::generationKey).value_or(0));
        m_loadouts.load();
    }

    void generation()
    {
        const int g = ++m_generation;
        say(QStringLiteral("gen %1").arg(g));

        m_defaults.setValue(QStringLiteral("Vantle.clipIgnore"), StoreChurn::ignoreList(g));
        m_defaults.setValue(StoreChurn::generationKey, g);
        say(QStringLiteral("defaults %1").arg(g));

        // Another app copies; the new clip is pinned and the oldest pinned one let go.
        m_clock.advance(1);
        m_pasteboard.externalCopy(StoreChurn::clipText(g));
        m_history.poll();
        for (const ClipItem &item : m_history.items()) {
            if (item.text == StoreChurn::clipText(g) && !item.pinned)
                m_history.togglePin(item.id);
        }
        QList<ClipItem> pinned;
        for (const ClipItem &item : m_history.items()) {
            if (item.pinned)
                pinned << item;
        }
        for (qsizetype i = StoreChurn::kPinnedKept; i < pinned.size(); ++i)
            m_history.togglePin(pinned[i].id);
        m_history.flushPinned();
        say(QStringLiteral("pinned %1").arg(g));

        if (m_loadouts.save(StoreChurn::loadouts(g)))
            say(QStringLiteral("loadouts %1").arg(g));

        const QDateTime later = m_clock.now().addYears(1);
        const QList<CalendarReminder> left = m_calendars.incompleteReminders(later);
        if (!left.isEmpty()
            && m_calendars.completeReminder(left.first().id, m_clock.now()).outcome
                == ReminderCompletion::Outcome::completed)
            say(QStringLiteral("tasks %1").arg(StoreChurn::kTasks - left.size() + 1));
    }

private:
    QString m_home;
    JsonUserDefaults m_defaults;
    FakeAppPaths m_paths;
    FakePasteboard m_pasteboard;
    FakeWorkspace m_workspace;
    FakeClock m_clock;
    ClipboardHistory m_history;
    LoadoutStore m_loadouts;
    EvolutionCalendarStore m_calendars;
    int m_generation = 0;
};

// Fills the file system holding `folder` to the last byte.
void fillDisk(const QString &folder)
{
    QFile filler(folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly))
        return;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) { }
    const QByteArray byte(1, 'x');
    while (filler.write(byte) == 1 && filler.flush()) { }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString home = QString::fromLocal8Bit(argv[1]);
    const bool fullDisk = argc > 2 && qstrcmp(argv[2], "--full-disk") == 0;
    const bool fileLimit = argc > 2 && qstrcmp(argv[2], "--file-limit") == 0;
    const bool once = argc > 2 && qstrcmp(argv[2], "--once") == 0;
    AtomicFile::setFailureReporter(
        [](const QString &line) { say(QStringLiteral("log: ") + line); });

    Churn churn(home);
    if (once) {
        churn.generation();
        return 0;
    }
    if (!fullDisk && !fileLimit) {
        for (;;)
            churn.generation();
    }

    churn.generation();
    const std::map<QString, QString> files = StoreChurn::files(home);
    std::map<QString, QByteArray> before;
    for (const auto &[store, path] : files)
        before[store] = readFile(path);
    if (fullDisk) {
        fillDisk(home);
    } else {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    churn.generation();
    churn.generation();
    for (const auto &[store, path] : files) {
        const QString name = QFileInfo(path).fileName();
        say((readFile(path) == before[store] ? QStringLiteral("same ") : QStringLiteral("changed "))
            + name);
        struct stat st = {};
        ::stat(QFile::encodeName(path).constData(), &st);
        say(QStringLiteral("mode %1 %2").arg(name).arg(st.st_mode & 07777, 0, 8));
    }
    return 0;
}
