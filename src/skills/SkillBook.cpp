#include "skills/SkillBook.h"

#include "actions/ActionText.h"
#include "platform/Feedback.h"
#include "platform/Logging.h"
#include "platform/OffThread.h"
#include "platform/SystemLog.h"
#include "platform/ToolRunner.h"
#include "platform/UserDefaults.h"

#include <QPointer>

namespace {

const QString kLoadoutPrefix = QStringLiteral("loadout:");
const QString kShortcutPrefix = QStringLiteral("shortcut:");
const QString kCannotLaunch = QStringLiteral("Could not launch the shortcuts tool.");
// More Shortcuts may run at once than this; the rest wait their turn.
constexpr int kPoolThreads = 4;

QString plural(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace

SkillBook::SkillBook(const ToolRunner &tools, UserDefaults &defaults, SystemLog &log,
                     Feedback &feedback, Collaborators collaborators, QString tool, QObject *parent)
    : QObject(parent)
    , m_tools(tools)
    , m_defaults(defaults)
    , m_log(log)
    , m_feedback(feedback)
    , m_collaborators(std::move(collaborators))
    , m_tool(std::move(tool))
    , m_starred(defaults.stringList(defaultsKey).value_or(QStringList{focusID}))
{
    m_pool.setMaxThreadCount(kPoolThreads);
}

SkillBook::~SkillBook()
{
    for (const std::shared_ptr<ToolStop> &stop : std::as_const(m_stops))
        stop->request();
    m_pool.clear();
    m_pool.waitForDone();
}

template <typename Work, typename Then> void SkillBook::onPool(Work work, Then then)
{
    ++m_pending;
    OffThread::run(m_pool, this, std::move(work),
                   [this, then = std::move(then)](auto result) mutable {
                       --m_pending;
                       then(std::move(result));
                   });
}

QList<SkillBook::Skill> SkillBook::builtins()
{
    const QString skill = QStringLiteral("SKILL");
    return {
        {focusID, QStringLiteral("Focus"), QStringLiteral("moon.fill"),
         QStringLiteral("Start or stop a 25 minute focus timer."), false, skill},
        {QStringLiteral("builtin:wake"), QStringLiteral("Wake AI"), QStringLiteral("bolt.fill"),
         QStringLiteral("Wake Ollama and warm the local model."), false, skill},
        {QStringLiteral("builtin:unload"), QStringLiteral("Unload AI"), QStringLiteral("star.fill"),
         QStringLiteral("Unload Ollama models to free memory."), false, skill},
    };
}

SkillBook::Skill SkillBook::loadoutSkill(const Loadout &loadout)
{
    const auto windows = loadout.entries.size();
    return {kLoadoutPrefix + Loadout::uuidText(loadout.id),
            loadout.name,
            QStringLiteral("rectangle.3.group.fill"),
            QStringLiteral("Restores ") + plural(windows, "window", "windows")
                + QStringLiteral(" across ") + plural(loadout.appCount(), "app", "apps")
                + QStringLiteral(", launching any that are closed."),
            false,
            QStringLiteral("LOADOUT")};
}

SkillBook::Skill SkillBook::shortcutSkill(const QString &name)
{
    return {kShortcutPrefix + name,
            name,
            QStringLiteral("square.stack.3d.up.fill"),
            QStringLiteral("Runs your Shortcut “") + name
                + QStringLiteral("”. Anything it outputs shows here when it finishes."),
            true,
            QStringLiteral("SHORTCUT")};
}

QList<SkillBook::Skill> SkillBook::allSkills() const
{
    return builtins() + searchableSkills();
}

QList<SkillBook::Skill> SkillBook::searchableSkills() const
{
    QList<Skill> skills;
    if (m_collaborators.loadouts) {
        for (const Loadout &loadout : m_collaborators.loadouts())
            skills << loadoutSkill(loadout);
    }
    for (const QString &name : m_shortcutNames)
        skills << shortcutSkill(name);
    return skills;
}

QList<SkillBook::Skill> SkillBook::quickBar() const
{
    const QList<Skill> all = allSkills();
    QList<Skill> bar;
    // A starred skill that is gone (a deleted Shortcut or loadout) frees its slot, but keeps its
    // star in case it comes back.
    for (const QString &id : m_starred) {
        const auto found
            = std::find_if(all.cbegin(), all.cend(), [&](const Skill &s) { return s.id == id; });
        if (found != all.cend())
            bar << *found;
        if (bar.size() == capacity)
            break;
    }
    return bar;
}

std::optional<SkillBook::Skill> SkillBook::skill(const QString &id) const
{
    for (const Skill &s : allSkills()) {
        if (s.id == id)
            return s;
    }
    return std::nullopt;
}

void SkillBook::toggleStar(const QString &id)
{
    if (m_starred.contains(id)) {
        m_starred.removeAll(id);
    } else if (quickBar().size() >= capacity) {
        m_feedback.toast(QStringLiteral("Quick bar is full"),
                         QStringLiteral("Unstar a skill to make room (%1 slots).").arg(capacity),
                         fullToastSeconds);
        return;
    } else {
        m_starred << id;
    }
    m_defaults.setValue(defaultsKey, m_starred);
    emit changed();
}

QStringList SkillBook::parseListing(const QString &output)
{
    QStringList names;
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        if (!std::all_of(line.cbegin(), line.cend(), blank))
            names << line;
    }
    return names;
}

SkillBook::ToolOutcome SkillBook::runShortcutsTool(const QStringList &arguments,
                                                   const ToolStop *stop) const
{
    if (m_tool.isEmpty())
        return {-1, {}, kCannotLaunch};
    const int limit
        = arguments.value(0) == QLatin1String("list") ? listLimitMs : ToolRunner::kNoLimit;
    const ToolResult result = m_tools.run(m_tool, arguments, limit, stop);
    if (!result.started)
        return {-1, {}, kCannotLaunch};
    return {result.timedOut || result.stopped ? -1 : result.exitStatus,
            QString::fromUtf8(result.standardOutput), QString::fromUtf8(result.standardError)};
}

void SkillBook::reload()
{
    // One listing at a time; asking during one lists once more after it.
    if (m_listing) {
        m_listAgain = true;
        return;
    }
    m_listing = true;
    onPool([this] { return runShortcutsTool({QStringLiteral("list")}); },
           [this](ToolOutcome outcome) {
               m_listing = false;
               // Whatever the status: a failed listing is simply empty.
               m_shortcutNames = parseListing(outcome.output);
               qCDebug(lcSkills) << "Shortcuts listed with status" << outcome.status << "-"
                                 << m_shortcutNames.size() << "found";
               m_loaded = true;
               emit changed();
               if (std::exchange(m_listAgain, false))
                   reload();
           });
}

void SkillBook::run(const QString &id)
{
    if (const auto found = skill(id))
        run(*found);
}

void SkillBook::run(const Skill &skill)
{
    m_feedback.play(SoundCue::select, 1.0f);
    auto call = [](const std::function<void()> &f) {
        if (f)
            f();
    };
    if (skill.id == focusID)
        call(m_collaborators.toggleFocus);
    else if (skill.id == QLatin1String("builtin:wake"))
        call(m_collaborators.wakeAI);
    else if (skill.id == QLatin1String("builtin:unload"))
        call(m_collaborators.unloadAI);
    else if (skill.id.startsWith(kLoadoutPrefix))
        runLoadout(skill);
    else
        runShortcut(skill);
}

void SkillBook::stop(const QString &id)
{
    if (const auto found = m_stops.constFind(id); found != m_stops.constEnd()) {
        qCDebug(lcSkills) << "stopping the Shortcut of skill" << id;
        (*found)->request();
    }
}

void SkillBook::runLoadout(const Skill &skill)
{
    if (m_running.contains(skill.id) || !m_collaborators.loadouts || !m_collaborators.equip)
        return;
    for (const Loadout &loadout : m_collaborators.loadouts()) {
        if (kLoadoutPrefix + Loadout::uuidText(loadout.id) != skill.id)
            continue;
        m_running.insert(skill.id);
        qCDebug(lcSkills) << "equipping the loadout of skill" << skill.id;
        emit changed();
        const QPointer<SkillBook> guard(this);
        m_collaborators.equip(loadout, [guard, id = skill.id] {
            if (guard && guard->m_running.remove(id))
                emit guard->changed();
        });
        return;
    }
}

void SkillBook::runShortcut(const Skill &skill)
{
    // A Shortcut never runs twice at once.
    if (m_running.contains(skill.id))
        return;
    m_running.insert(skill.id);
    auto stop = std::make_shared<ToolStop>();
    m_stops.insert(skill.id, stop);
    emit changed();
    const QString title = skill.title;
    onPool(
        [this, title, stop] {
            return runShortcutsTool({QStringLiteral("run"), title}, stop.get());
        },
        [this, id = skill.id, title](ToolOutcome outcome) {
            qCDebug(lcSkills) << "Shortcut" << title << "ended with status" << outcome.status;
            m_running.remove(id);
            m_stops.remove(id);
            emit changed();
            // The output goes to the toast only: a Shortcut may print anything, and the log
            // is no place for it.
            if (outcome.status != 0)
                m_log.log(QStringLiteral("Shortcut “%1” failed with status %2")
                              .arg(title)
                              .arg(outcome.status));
            const Report r = report(title, outcome);
            m_feedback.toast(r.title, r.message, r.seconds);
        });
}

SkillBook::Report SkillBook::report(const QString &title, const ToolOutcome &outcome)
{
    if (outcome.status == 0) {
        const QString output = outcome.output.trimmed();
        if (output.isEmpty())
            return {title, QStringLiteral("Done."), doneToastSeconds};
        return {title, ActionText::firstCharacters(output, outputLimit), outputToastSeconds};
    }
    const QString error = outcome.error.trimmed();
    return {title + QStringLiteral(" failed"),
            error.isEmpty() ? QStringLiteral("The Shortcut stopped with an error.")
                            : ActionText::firstCharacters(error, errorLimit),
            outputToastSeconds};
}
