#pragma once

#include "windows/Loadout.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <optional>

class Feedback;
class SystemLog;
class ToolRunner;
class ToolStop;
class UserDefaults;

// What the user can cast: three built-in skills, one per saved loadout and one per Shortcut the
// Shortcuts tool lists; the starred ones fill the quick bar. Main thread only; the tool runs on
// a pool of the book's own (a Shortcut may take its time, and the global pool is waited for at
// exit) and its results come back here. A Shortcut still running when the book goes is ended.
class SkillBook final : public QObject
{
    Q_OBJECT
public:
    struct Skill
    {
        QString id; // "builtin:…", "loadout:" + UUID, "shortcut:" + name
        QString title;
        QString icon; // symbol name
        QString detail;
        bool isShortcut = false;
        QString kind; // "SKILL", "LOADOUT" or "SHORTCUT"

        bool operator==(const Skill &) const = default;
    };

    // What one run of the Shortcuts tool gave.
    struct ToolOutcome
    {
        int status = -1;
        QString output;
        QString error;
    };

    // What the skills act on, supplied by the application.
    struct Collaborators
    {
        std::function<QList<Loadout>()> loadouts; // in the store's order
        // Restores a loadout; `done` runs once it is finished.
        std::function<void(const Loadout &, std::function<void()> done)> equip;
        std::function<void()> toggleFocus;
        std::function<void()> wakeAI;
        std::function<void()> unloadAI;
    };

    static constexpr int capacity = 4;
    static constexpr int outputLimit = 400;
    static constexpr int errorLimit = 300;
    static constexpr double outputToastSeconds = 6.0;
    static constexpr double doneToastSeconds = 1.8;
    static constexpr double fullToastSeconds = 2.5;
    static constexpr int listLimitMs = 10000;
    static inline const QString defaultsKey = QStringLiteral("Vantle.skillBar");
    static inline const QString focusID = QStringLiteral("builtin:focus");

    // `tool` is the Shortcuts program (empty: there is none).
    SkillBook(const ToolRunner &tools, UserDefaults &defaults, SystemLog &log, Feedback &feedback,
              Collaborators collaborators, QString tool, QObject *parent = nullptr);
    ~SkillBook() override;

    const QStringList &shortcutNames() const { return m_shortcutNames; }
    bool loaded() const { return m_loaded; }
    const QStringList &starred() const { return m_starred; }
    const QSet<QString> &running() const { return m_running; }

    // Lists the Shortcuts again in the background.
    void reload();

    // Built-ins, then loadouts, then Shortcuts.
    QList<Skill> allSkills() const;
    // What the command bar searches: the user's own skills, loadouts and Shortcuts.
    QList<Skill> searchableSkills() const;
    // The starred skills that exist, in star order, at most `capacity`.
    QList<Skill> quickBar() const;
    std::optional<Skill> skill(const QString &id) const;

    bool isStarred(const QString &id) const { return m_starred.contains(id); }
    void toggleStar(const QString &id);

    void run(const Skill &skill);
    // Runs the skill with that id; nothing when there is none.
    void run(const QString &id);
    // Ends a running Shortcut and everything it started; it then reports as a failed run.
    // Nothing for any other skill.
    void stop(const QString &id);
    // Whether `stop` ends the skill with that id now.
    bool canStop(const QString &id) const { return m_stops.contains(id); }

    // Runs the tool with `arguments` and waits for it, or until `stop` is requested: off the
    // main thread only. A Shortcut has no time limit: it runs until it exits or is stopped.
    ToolOutcome runShortcutsTool(const QStringList &arguments,
                                 const ToolStop *stop = nullptr) const;

    // Tells observers that the loadouts, and so the skills, changed.
    void loadoutsChanged() { emit changed(); }

    // Tool runs queued or running (tests wait for them).
    bool isBusy() const { return m_pending > 0; }

    static QList<Skill> builtins();
    static Skill loadoutSkill(const Loadout &loadout);
    static Skill shortcutSkill(const QString &name);
    // The names of a listing: one a line, exactly as listed, lines of nothing but spaces and
    // tabs dropped. A name is a file name, so "Backup" and "Backup " are two Shortcuts, each
    // run by its own name.
    static QStringList parseListing(const QString &output);
    // The toast a finished Shortcut shows: title, message and seconds.
    struct Report
    {
        QString title;
        QString message;
        double seconds = 0;
    };
    static Report report(const QString &title, const ToolOutcome &outcome);

signals:
    // Anything a view shows changed: the Shortcuts, the stars, what runs, the loadouts.
    void changed();

private:
    void runShortcut(const Skill &skill);
    void runLoadout(const Skill &skill);
    template <typename Work, typename Then> void onPool(Work work, Then then);

    const ToolRunner &m_tools;
    UserDefaults &m_defaults;
    SystemLog &m_log;
    Feedback &m_feedback;
    Collaborators m_collaborators;
    const QString m_tool;

    QStringList m_shortcutNames;
    bool m_loaded = false;
    QStringList m_starred;
    QSet<QString> m_running;
    // The running Shortcuts' stop switches; every one is pulled when the book goes (at quit).
    QHash<QString, std::shared_ptr<ToolStop>> m_stops;
    bool m_listing = false;
    bool m_listAgain = false;
    int m_pending = 0;
    QThreadPool m_pool;
};
