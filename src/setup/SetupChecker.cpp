#include "setup/SetupChecker.h"

#include "setup/SessionItems.h"

#include "hud/HUDHotKeys.h"
#include "platform/Logging.h"
#include "platform/OffThread.h"

#include <QPointer>

struct SetupChecker::Run
{
    quint64 id = 0;
    SetupFacts facts;
    int outstanding = 0;
};

namespace {

// The probes asked on the pool; each has at most one call running at a time.
constexpr int kPoolProbes = 9;

const QString kGnomeMusicBus = QStringLiteral("org.mpris.MediaPlayer2.GnomeMusic");
const QString kSpotifyBus = QStringLiteral("org.mpris.MediaPlayer2.spotify");

// A player owns its well-known name, or the name with an instance suffix.
bool onBus(const QStringList &names, const QString &player)
{
    for (const QString &name : names) {
        if (name == player || name.startsWith(player + QLatin1Char('.')))
            return true;
    }
    return false;
}

void addAction(SetupItem &item, const QString &title, std::function<void()> action)
{
    if (!action)
        return;
    item.actionTitle = title;
    item.action = std::move(action);
}

// "3 calendars, 1 online", what reads them, and each source that waits for its password.
QString sourceNotes(const CalendarSources &sources, bool events, bool *signIn)
{
    int count = 0;
    int online = 0;
    QStringList waiting;
    for (const CalendarSources::Source &s : sources.sources) {
        if (s.events != events)
            continue;
        ++count;
        online += s.online ? 1 : 0;
        if (s.needsSignIn)
            waiting << QStringLiteral(" %1 (%2): needs sign-in.").arg(s.name, s.kind);
    }
    *signIn = !waiting.isEmpty();
    QString notes;
    if (count > 0) {
        notes = events ? (count == 1 ? QStringLiteral(" 1 calendar")
                                     : QStringLiteral(" %1 calendars").arg(count))
                       : (count == 1 ? QStringLiteral(" 1 task list")
                                     : QStringLiteral(" %1 task lists").arg(count));
        if (online > 0)
            notes += QStringLiteral(", %1 online").arg(online);
        notes += QLatin1Char('.');
    }
    if (sources.backend.isEmpty())
        return notes + waiting.join(QString());
    notes += sources.fallbackReason.isEmpty()
        ? QStringLiteral(" Read through %1.").arg(sources.backend)
        : QStringLiteral(" Read from the %1: evolution-data-server is not available (%2).")
              .arg(sources.backend, sources.fallbackReason);
    return notes + waiting.join(QString());
}

SetupItem storeItem(const QString &id, const QString &title, SetupFacts::StoreAccess access,
                    const QString &what, const QString &firstStep, const QString &files,
                    const CalendarSources &sources, const std::function<void()> &openCalendar)
{
    SetupItem item{id, title, {}, false, SetupItem::State::ok, {}, {}};
    bool signIn = false;
    const bool events = id == QLatin1String("cal");
    const QString notes = sourceNotes(sources, events, &signIn);
    const QString unread = sources.backend == QLatin1String("evolution-data-server")
        ? (events ? QStringLiteral("calendars") : QStringLiteral("task lists"))
        : files;
    switch (access) {
    case SetupFacts::StoreAccess::granted:
        item.detail = QStringLiteral("Quests show your %1.").arg(what) + notes;
        if (!signIn)
            return item;
        break;
    case SetupFacts::StoreAccess::notDetermined:
        item.detail = QStringLiteral("Quests show your %1. %2").arg(what, firstStep) + notes;
        break;
    case SetupFacts::StoreAccess::denied:
        item.detail = QStringLiteral("Off. Quests show your %1. Kaidro cannot read your %2.")
                          .arg(what, unread)
            + notes;
        break;
    }
    item.state = SetupItem::State::attention;
    addAction(item, QStringLiteral("Open Calendar"), openCalendar);
    return item;
}

// A player's name as its bus name gives it: "org.mpris.MediaPlayer2.vlc.instance7" is "vlc".
QString playerName(const QString &busName)
{
    static const QString prefix = QStringLiteral("org.mpris.MediaPlayer2.");
    const QString name = busName.mid(prefix.size()).section(QLatin1Char('.'), 0, 0);
    if (name == kGnomeMusicBus.mid(prefix.size()))
        return QStringLiteral("Music");
    if (name == kSpotifyBus.mid(prefix.size()))
        return QStringLiteral("Spotify");
    return name;
}

// "mpv", "mpv or vlc", "mpv, vlc or Spotify".
QString eitherOf(QStringList names)
{
    names.removeDuplicates();
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

SetupItem playerItem(const QString &id, const QString &player, const QString &bus,
                     const QStringList &players, const SetupActions &actions)
{
    SetupItem item{id, player, {}, false, SetupItem::State::ok, {}, {}};
    // MPRIS asks no permission: a player on the bus can be read and controlled.
    if (onBus(players, bus)) {
        item.detail
            = QStringLiteral("Allowed. The Now Playing strip can read and control %1.").arg(player);
        return item;
    }
    QStringList others;
    for (const QString &name : players)
        others << playerName(name);
    if (!others.isEmpty()) {
        // Nothing to fix: the strip already follows the players that are open.
        item.detail = QStringLiteral("%1 is closed. The Now Playing strip follows what %2 plays, "
                                     "and %1 once it is open.")
                          .arg(player, eitherOf(others));
    } else {
        item.state = SetupItem::State::optionalMissing;
        item.detail = QStringLiteral("%1 is closed. The Now Playing strip follows %1 or any other "
                                     "media player of the desktop once one is open.")
                          .arg(player);
    }
    if (actions.openPlayer)
        addAction(item, QStringLiteral("Open ") + player,
                  [open = actions.openPlayer, player] { open(player); });
    return item;
}

} // namespace

SetupChecker::SetupChecker(std::shared_ptr<SetupProbes> probes, SetupActions actions,
                           QObject *parent)
    : QObject(parent)
    , m_probes(std::move(probes))
    , m_actions(std::move(actions))
    , m_pool(new QThreadPool)
{
    m_pool->setMaxThreadCount(kPoolProbes);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kRunDeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this, &SetupChecker::expireRun);
    m_liveTimer.setInterval(kLiveIntervalMs);
    connect(&m_liveTimer, &QTimer::timeout, this, &SetupChecker::start);
}

SetupChecker::~SetupChecker()
{
    // Deleting the pool waits for its threads; a probe that is stuck would hold this up for
    // good, so then the pool is left to the end of the process instead.
    if (m_inFlight.isEmpty())
        delete m_pool;
}

int SetupChecker::outstandingProbes() const
{
    return m_run ? m_run->outstanding : 0;
}

template <typename T>
void SetupChecker::ask(const QString &name, T (SetupProbes::*probe)() const, T SetupFacts::*field)
{
    if (m_inFlight.contains(name))
        return;
    m_inFlight.insert(name);
    ++m_run->outstanding;
    const quint64 runId = m_run->id;
    OffThread::run(
        *m_pool, this, [probes = m_probes, probe] { return ((*probes).*probe)(); },
        [this, runId, name, field](T value) {
            answered(runId, name, [&](SetupFacts &facts) { facts.*field = value; });
        });
}

void SetupChecker::start()
{
    if (m_run)
        return;
    m_run = std::make_unique<Run>();
    m_run->id = m_nextRunId++;
    m_probes->reloadShortcuts();
    SetupFacts &facts = m_run->facts;
    facts.session = m_probes->session();
    facts.windowControl = m_probes->windowControl();
    facts.windowList = m_probes->windowList();
    facts.hotKeyFailures = m_probes->hotKeyFailures();
    facts.shortcutCount = m_probes->shortcutCount();
    facts.selfCost = m_probes->selfCost();
    emit changed();

    ask(QStringLiteral("prettyName"), &SetupProbes::prettyName, &SetupFacts::prettyName);
    ask(QStringLiteral("calendar"), &SetupProbes::calendar, &SetupFacts::calendar);
    ask(QStringLiteral("reminders"), &SetupProbes::reminders, &SetupFacts::reminders);
    ask(QStringLiteral("calendarSources"), &SetupProbes::calendarSources,
        &SetupFacts::calendarSources);
    ask(QStringLiteral("loginItem"), &SetupProbes::loginItem, &SetupFacts::loginItem);
    ask(QStringLiteral("shortcutsTool"), &SetupProbes::shortcutsTool, &SetupFacts::shortcutsTool);
    ask(QStringLiteral("mediaPlayers"), &SetupProbes::mediaPlayers, &SetupFacts::mediaPlayers);
    ask(QStringLiteral("spotifyInstalled"), &SetupProbes::spotifyInstalled,
        &SetupFacts::spotifyInstalled);
    ask(QStringLiteral("ollama"), &SetupProbes::ollama, &SetupFacts::ollama);
    if (m_run->outstanding == 0)
        finishRun();
    else
        m_deadline.start();
}

void SetupChecker::answered(quint64 runId, const QString &name,
                            const std::function<void(SetupFacts &)> &apply)
{
    m_inFlight.remove(name);
    // A late answer of a run that already ended changes nothing.
    if (!m_run || m_run->id != runId) {
        qCDebug(lcSetup) << "probe" << name << "answered after its run ended";
        return;
    }
    apply(m_run->facts);
    if (--m_run->outstanding == 0)
        finishRun();
}

void SetupChecker::expireRun()
{
    if (!m_run)
        return;
    qCDebug(lcSetup) << "run" << m_run->id << "ends with" << m_run->outstanding
                     << "probes unanswered";
    finishRun();
}

void SetupChecker::finishRun()
{
    m_deadline.stop();
    const std::unique_ptr<Run> run = std::move(m_run);
    SetupActions actions = m_actions;
    if (actions.turnOnLoginItem) {
        // Turning the login item on is followed by a run, so the line shows the outcome.
        actions.turnOnLoginItem
            = [turnOn = actions.turnOnLoginItem, guard = QPointer<SetupChecker>(this)] {
                  turnOn();
                  if (guard)
                      guard->start();
              };
    }
    m_items = buildItems(run->facts, actions);
    m_prettyName = run->facts.prettyName;
    qCDebug(lcSetup) << "run" << run->id << "done:" << attentionCount(m_items)
                     << "lines need attention";
    emit changed();
}

void SetupChecker::startLive()
{
    start();
    m_liveTimer.start();
}

void SetupChecker::stopLive()
{
    m_liveTimer.stop();
}

int SetupChecker::attentionCount() const
{
    return attentionCount(m_items);
}

int SetupChecker::attentionCount(const QList<SetupItem> &items)
{
    return int(std::count_if(items.begin(), items.end(),
                             [](const SetupItem &item) { return item.needsAttention(); }));
}

QString SetupChecker::report() const
{
    return report(m_items, m_prettyName);
}

QString SetupChecker::tag(const SetupItem &item)
{
    switch (item.state) {
    case SetupItem::State::ok:
        return QStringLiteral("OK");
    case SetupItem::State::attention:
        return item.required ? QStringLiteral("NEEDS ATTENTION")
                             : QStringLiteral("needs attention");
    case SetupItem::State::optionalMissing:
        return QStringLiteral("optional");
    }
    return {};
}

QString SetupChecker::report(const QList<SetupItem> &items, const QString &prettyName)
{
    QStringList lines{QStringLiteral("Kaidro setup check"), QStringLiteral("Linux ") + prettyName};
    for (const SetupItem &item : items)
        lines << QStringLiteral("[%1] %2: %3").arg(tag(item), item.title, item.detail);
    return lines.join(QLatin1Char('\n'));
}

QList<SetupItem> SetupChecker::buildItems(const SetupFacts &facts, const SetupActions &actions)
{
    using State = SetupItem::State;
    QList<SetupItem> items;

    const bool wayland = facts.session == SystemInfo::SessionKind::wayland;
    const bool native = facts.session == SystemInfo::SessionKind::waylandNative;
    items << SessionItems::session(facts);
    if (native)
        items << SessionItems::windows(facts);
    items << SessionItems::windowControl(facts);

    items << storeItem(QStringLiteral("cal"), QStringLiteral("Calendar"), facts.calendar,
                       QStringLiteral("upcoming events"),
                       QStringLiteral("Add a calendar in your calendar app first."),
                       QStringLiteral("calendar files"), facts.calendarSources,
                       actions.openCalendar);
    items << storeItem(QStringLiteral("rem"), QStringLiteral("Reminders"), facts.reminders,
                       QStringLiteral("open reminders"),
                       QStringLiteral("Add a task list in your calendar app first."),
                       QStringLiteral("task files"), facts.calendarSources, actions.openCalendar);

    SetupItem sc{QStringLiteral("sc"), QStringLiteral("Shortcuts"), {}, false, State::ok, {}, {}};
    if (!facts.shortcutsTool) {
        sc.required = true;
        sc.state = State::attention;
        sc.detail = QStringLiteral("The shortcuts tool is missing, so Skills cannot run.");
    } else if (!facts.shortcutCount) {
        sc.detail = QStringLiteral("Checking your Shortcuts...");
    } else if (*facts.shortcutCount == 0) {
        sc.state = State::optionalMissing;
        sc.detail
            = QStringLiteral("Works, but you have no Shortcuts yet. Put executable scripts in "
                             "~/.local/share/Vantle/shortcuts and they become Skills.");
        addAction(sc, QStringLiteral("Open Shortcuts"), actions.openShortcuts);
    } else {
        const int n = *facts.shortcutCount;
        sc.detail = QStringLiteral("%1 Shortcut%2 found for Skills.")
                        .arg(n)
                        .arg(n == 1 ? QString() : QStringLiteral("s"));
    }
    items << sc;

    items << playerItem(QStringLiteral("music"), QStringLiteral("Music"), kGnomeMusicBus,
                        facts.mediaPlayers, actions);
    if (!facts.spotifyInstalled && !onBus(facts.mediaPlayers, kSpotifyBus)) {
        items << SetupItem{QStringLiteral("spotify"),
                           QStringLiteral("Spotify"),
                           QStringLiteral("Not installed. Optional: the Now Playing strip "
                                          "also reads Spotify."),
                           false,
                           State::optionalMissing,
                           {},
                           {}};
    } else {
        items << playerItem(QStringLiteral("spotify"), QStringLiteral("Spotify"), kSpotifyBus,
                            facts.mediaPlayers, actions);
    }

    SetupItem keys{
        QStringLiteral("keys"), QStringLiteral("Global shortcuts"), {}, false, State::ok, {}, {}};
    // Keys the desktop binds to the command-line commands work where a grab cannot.
    static const QString bindCommands = QStringLiteral(
        "bind Vantle hud, Vantle menu, Vantle command-bar and Vantle hide-all to keys in your "
        "desktop's keyboard settings (the README shows how).");
    if (native && !facts.hotKeyFailures.isEmpty()) {
        keys.state = State::attention;
        keys.detail = QStringLiteral("The desktop's global shortcuts portal did not give Kaidro ")
            + facts.hotKeyFailures.join(QStringLiteral(", ")) + QStringLiteral(". Instead, ")
            + bindCommands;
    } else if (!facts.hotKeyFailures.isEmpty()) {
        keys.state = State::attention;
        keys.detail = QStringLiteral("Another app already uses ")
            + facts.hotKeyFailures.join(QStringLiteral(", "))
            + QStringLiteral(
                          ". Use the menu bar icon instead, or free that shortcut. You can also ")
            + bindCommands;
    } else if (wayland) {
        keys.state = State::attention;
        keys.detail = QStringLiteral("In a Wayland session these keys reach Kaidro only while an "
                                     "XWayland window has the focus. Instead, ")
            + bindCommands;
    } else {
        keys.detail = HUDHotKey.displayText + QStringLiteral(" HUD, ") + MenuHotKey.displayText
            + QStringLiteral(" menu, ") + CommandBarHotKey.displayText
            + QStringLiteral(" command bar, ") + HideAllHotKey.displayText
            + QStringLiteral(" hide all.");
    }
    items << keys;

    SetupItem login{
        QStringLiteral("login"), QStringLiteral("Open at login"), {}, false, State::ok, {}, {}};
    if (facts.loginItem) {
        login.detail = QStringLiteral("Kaidro starts when you log in.");
    } else {
        login.state = State::optionalMissing;
        login.detail
            = QStringLiteral("Optional. Turn it on so the HUD is there after every restart.");
        addAction(login, QStringLiteral("Turn on"), actions.turnOnLoginItem);
    }
    items << login;

    if (facts.ollama) {
        items << SetupItem{QStringLiteral("ollama"),
                           QStringLiteral("Ollama"),
                           QStringLiteral("Installed. The model quick actions can start it."),
                           false,
                           State::ok,
                           {},
                           {}};
    } else {
        items << SetupItem{
            QStringLiteral("ollama"),
            QStringLiteral("Ollama"),
            QStringLiteral("Not installed. Optional: only the local-model quick actions use it."),
            false,
            State::optionalMissing,
            {},
            {}};
    }
    if (!facts.selfCost.isEmpty()) {
        items << SetupItem{QStringLiteral("cost"),
                           QStringLiteral("Kaidro itself"),
                           facts.selfCost,
                           false,
                           State::ok,
                           {},
                           {}};
    }
    return items;
}
