#include "clipboard/ClipboardHistory.h"

#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Logging.h"
#include "platform/OffThread.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

#include <unistd.h>

const QSet<QString> &ClipboardHistory::privateTypes()
{
    static const QSet<QString> types(Pasteboard::privateTypes().begin(),
                                     Pasteboard::privateTypes().end());
    return types;
}

const QSet<QString> &ClipboardHistory::passwordManagers()
{
    static const QSet<QString> apps{
        QStringLiteral("com.1password.1password"),
        QStringLiteral("com.agilebits.onepassword7"),
        QStringLiteral("com.bitwarden.desktop"),
        QStringLiteral("com.apple.Passwords"),
        QStringLiteral("com.apple.keychainaccess"),
        QStringLiteral("org.keepassxc.keepassxc"),
        QStringLiteral("org.keepassxc.KeePassXC"),
        QStringLiteral("bitwarden"),
        QStringLiteral("1password"),
        QStringLiteral("org.gnome.seahorse.Application"),
    };
    return apps;
}

ClipboardHistory::ClipboardHistory(Pasteboard &pasteboard, Workspace &workspace,
                                   UserDefaults &defaults, const AppPaths &paths,
                                   const Clock &clock, pid_t ownPid, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_defaults(defaults)
    , m_paths(paths)
    , m_clock(clock)
    , m_ownPid(ownPid)
    , m_lastChangeCount(pasteboard.changeCount())
    , m_recording(defaults.boolean(recordingKey).value_or(true))
{
    const QStringList ignored = defaults.stringList(ignoreKey).value_or(QStringList());
    m_ignored = QSet<QString>(ignored.begin(), ignored.end());
    m_writer.setMaxThreadCount(1);
    m_timer.setInterval(pollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ClipboardHistory::poll);
    load();
}

void ClipboardHistory::start()
{
    if (m_timer.isActive() || m_listening)
        return;
    m_lastChangeCount = m_pasteboard.changeCount();
    // Where the clipboard reports its changes, nothing needs to wake up to look.
    if (m_pasteboard.reportsChanges()) {
        m_listening = true;
        connect(&m_pasteboard, &Pasteboard::changed, this, &ClipboardHistory::poll);
        return;
    }
    m_timer.start();
}

void ClipboardHistory::poll()
{
    const qint64 count = m_pasteboard.changeCount();
    if (count == m_lastChangeCount || m_writing)
        return;
    m_lastChangeCount = count;
    if (!m_recording)
        return;
    if (m_ignoreChange == count) {
        m_ignoreChange.reset();
        return;
    }
    const QStringList types = m_pasteboard.types();
    for (const QString &type : types) {
        if (privateTypes().contains(type)) {
            qCDebug(lcClipboard) << "copy not recorded: marked private by" << type;
            return;
        }
    }
    const std::optional<RunningApp> front = m_workspace.frontmostApplication();
    if (front && (passwordManagers().contains(front->appId) || m_ignored.contains(front->appId))) {
        qCDebug(lcClipboard) << "copy not recorded: made in" << front->appId;
        return;
    }

    const std::optional<QString> text = m_pasteboard.plainText();
    // The types and the text are two requests: a text another copy (a secret, say) replaced
    // between them is not the one checked. The newer copy is looked at on its own.
    if (m_pasteboard.changeCount() != count || m_pasteboard.types() != types)
        return;
    if (!text || text->trimmed().isEmpty() || text->size() > maxLength)
        return;

    QString sourceApp;
    QString sourceBundle;
    if (front && front->pid != m_ownPid && !front->name.isEmpty()) {
        sourceApp = front->name;
        sourceBundle = front->appId;
    }

    const auto existing = std::find_if(m_items.begin(), m_items.end(),
                                       [&](const ClipItem &item) { return item.text == *text; });
    if (existing != m_items.end()) {
        ClipItem item = *existing;
        m_items.erase(existing);
        item.date = m_clock.now();
        if (!sourceApp.isEmpty())
            item.sourceApp = sourceApp;
        m_items.prepend(item);
    } else {
        ClipItem item;
        item.id = QUuid::createUuid();
        item.text = *text;
        item.date = m_clock.now();
        item.sourceApp = sourceApp;
        item.sourceBundle = sourceBundle;
        m_items.prepend(item);
    }
    trim();
    qCDebug(lcClipboard) << "clip recorded from" << sourceApp << "-" << m_items.size()
                         << "in the history";
    savePinned();
    emit itemsChanged();
}

void ClipboardHistory::trim()
{
    int unpinned = 0;
    m_items.removeIf([&unpinned](const ClipItem &item) {
        if (item.pinned)
            return false;
        return ++unpinned > maxUnpinned;
    });
}

QList<ClipItem> ClipboardHistory::displayItems() const
{
    QList<ClipItem> out;
    out.reserve(m_items.size());
    for (const ClipItem &item : m_items) {
        if (item.pinned)
            out << item;
    }
    for (const ClipItem &item : m_items) {
        if (!item.pinned)
            out << item;
    }
    return out;
}

void ClipboardHistory::copy(const ClipItem &entry)
{
    // `entry` may be one of ours, and a clipboard that reports changes can report this write
    // before it returns: keep a copy, and let the report pass as our own.
    const ClipItem clip = entry;
    m_writing = true;
    m_pasteboard.setPlainText(clip.text);
    m_writing = false;
    const qint64 count = m_pasteboard.changeCount();
    m_ignoreChange = count;
    m_lastChangeCount = count;
    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [&](const ClipItem &item) { return item.id == clip.id; });
    if (it == m_items.end())
        return;
    ClipItem item = *it;
    m_items.erase(it);
    item.date = m_clock.now();
    m_items.prepend(item);
    // Only the order of pinned entries can have changed on disk.
    if (item.pinned)
        savePinned();
    emit itemsChanged();
}

void ClipboardHistory::togglePin(const QUuid &id)
{
    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [&](const ClipItem &item) { return item.id == id; });
    if (it == m_items.end())
        return;
    it->pinned = !it->pinned;
    savePinned();
    emit itemsChanged();
}

void ClipboardHistory::remove(const QUuid &id)
{
    if (m_items.removeIf([&](const ClipItem &item) { return item.id == id; }) == 0)
        return;
    savePinned();
    emit itemsChanged();
}

void ClipboardHistory::clearUnpinned()
{
    m_items.removeIf([](const ClipItem &item) { return !item.pinned; });
    savePinned();
    emit itemsChanged();
}

void ClipboardHistory::toggleRecording()
{
    m_recording = !m_recording;
    m_defaults.setValue(recordingKey, m_recording);
    emit recordingChanged(m_recording);
}

void ClipboardHistory::ignoreApp(const QString &bundle)
{
    m_ignored.insert(bundle);
    QStringList list(m_ignored.begin(), m_ignored.end());
    list.sort();
    m_defaults.setValue(ignoreKey, list);
    m_items.removeIf(
        [&](const ClipItem &item) { return !item.pinned && item.sourceBundle == bundle; });
    savePinned();
    emit ignoredBundlesChanged();
    emit itemsChanged();
}

void ClipboardHistory::clearIgnoredApps()
{
    m_ignored.clear();
    m_defaults.remove(ignoreKey);
    emit ignoredBundlesChanged();
}

QString ClipboardHistory::pinnedFilePath() const
{
    return m_paths.dataFile(pinnedFileName);
}

void ClipboardHistory::load()
{
    QFile file(pinnedFilePath());
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        // Unreadable now, perhaps readable later: never overwrite it.
        qCDebug(lcClipboard) << "cannot open" << file.fileName() << "- it is kept aside";
        m_keepAside = true;
        return;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    QList<ClipItem> items;
    bool whole = doc.isArray();
    if (whole) {
        for (const QJsonValue &value : doc.array()) {
            const std::optional<ClipItem> item
                = value.isObject() ? ClipItem::fromJson(value.toObject()) : std::nullopt;
            if (!item) {
                whole = false;
                break;
            }
            items << *item;
        }
    }
    if (!whole) {
        // The file decodes as a whole or not at all; what does not decode is kept aside.
        qCDebug(lcClipboard) << file.fileName() << "does not decode; it is kept aside";
        m_keepAside = true;
        return;
    }
    qCDebug(lcClipboard) << "read" << items.size() << "pinned clips from" << file.fileName();
    m_items = items;
    m_savedPins = pinnedJson();
}

QByteArray ClipboardHistory::pinnedJson() const
{
    QJsonArray array;
    for (const ClipItem &item : m_items) {
        if (item.pinned)
            array.append(item.toJson());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

void ClipboardHistory::flushPinned()
{
    m_writer.waitForDone();
}

void ClipboardHistory::savePinned()
{
    // Most copies change no pin: then the file already holds what it should.
    const QByteArray pins = pinnedJson();
    if (pins == m_savedPins && !m_keepAside)
        return;
    const QString path = pinnedFilePath();
    if (m_keepAside) {
        if (!AtomicFile::keepAside(path) && QFile::exists(path))
            return;
        m_keepAside = false;
    }
    m_savedPins = pins;
    const auto count = std::count_if(m_items.begin(), m_items.end(),
                                     [](const ClipItem &item) { return item.pinned; });
    OffThread::run(
        m_writer, this,
        [path, pins, count] {
            const bool written = AtomicFile::write(path, pins);
            qCDebug(lcClipboard) << (written ? "wrote" : "could not write") << count
                                 << "pinned clips to" << path;
            return written;
        },
        [this, pins](bool written) {
            // Tried again at the next change, whatever it is.
            if (!written && m_savedPins == pins)
                m_savedPins.clear();
        });
}
