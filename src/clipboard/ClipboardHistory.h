#pragma once

#include "clipboard/ClipItem.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <optional>

#include <sys/types.h>

class AppPaths;
class Clock;
class Pasteboard;
class UserDefaults;
class Workspace;

// A short, privacy-aware history of copied text. It polls the clipboard's change count, keeps
// at most 40 unpinned entries in memory, and writes the pinned ones to a file of their own so
// they survive restarts. Main thread only.
class ClipboardHistory final : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxLength = 100000;
    static constexpr int maxUnpinned = 40;
    static constexpr int pollIntervalMs = 600;
    static inline const QString pinnedFileName = QStringLiteral("pinned-clips.json");
    static inline const QString recordingKey = QStringLiteral("Vantle.clipRecording");
    static inline const QString ignoreKey = QStringLiteral("Vantle.clipIgnore");

    // Marker types of copies that ask not to be remembered: concealed, transient and
    // auto-generated content, and the password managers' own hints.
    static const QSet<QString> &privateTypes();
    // Apps whose copies are never recorded, whatever types they carry.
    static const QSet<QString> &passwordManagers();

    ClipboardHistory(Pasteboard &pasteboard, Workspace &workspace, UserDefaults &defaults,
                     const AppPaths &paths, const Clock &clock, pid_t ownPid,
                     QObject *parent = nullptr);

    // Starts polling every 0.6 s; a second call does nothing.
    void start();
    // Whether a timer wakes up to look at the clipboard (only where it reports no changes).
    bool isPolling() const { return m_timer.isActive(); }
    // One poll: records the clipboard when it changed since the last one.
    void poll();

    // Newest first.
    const QList<ClipItem> &items() const { return m_items; }
    // Pinned entries first, then the others, each group newest first.
    QList<ClipItem> displayItems() const;
    bool isRecording() const { return m_recording; }
    const QSet<QString> &ignoredBundles() const { return m_ignored; }

    // Puts the clip back on the clipboard without recording that change, and moves it to the top.
    void copy(const ClipItem &clip);
    void togglePin(const QUuid &id);
    void remove(const QUuid &id);
    void clearUnpinned();
    void toggleRecording();
    void ignoreApp(const QString &bundle);
    void clearIgnoredApps();

    QString pinnedFilePath() const;
    // Waits until the pinned file holds the latest pins. The file is written off the main
    // thread, only when the pins changed; destroying the history waits as well.
    void flushPinned();

signals:
    void itemsChanged();
    void recordingChanged(bool recording);
    void ignoredBundlesChanged();

private:
    void load();
    void savePinned();
    QByteArray pinnedJson() const;
    void trim();

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    UserDefaults &m_defaults;
    const AppPaths &m_paths;
    const Clock &m_clock;
    const pid_t m_ownPid;

    QList<ClipItem> m_items;
    qint64 m_lastChangeCount = 0;
    std::optional<qint64> m_ignoreChange;
    bool m_recording = true;
    QSet<QString> m_ignored;
    // The pinned file did not decode: it is moved aside before the first save replaces it.
    bool m_keepAside = false;
    // The pins as last handed to the file (or read from it); empty when the file needs writing.
    QByteArray m_savedPins;
    // One thread, so the writes land in order; its destruction waits for them.
    QThreadPool m_writer;
    QTimer m_timer;
    bool m_listening = false;
    bool m_writing = false; // our own copy is on its way to the clipboard
};
