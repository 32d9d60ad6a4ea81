#include "platform/wayland/SwayIpc.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSway, "kaidro.platform.sway", QtInfoMsg)

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicSize = 6;
constexpr int kHeaderSize = kMagicSize + 2 * int(sizeof(quint32));
// The whole tree of a busy desktop is a few hundred kilobytes; anything near this is not sway.
constexpr quint32 kLargestReply = 32u << 20;

QRect rectOf(const QJsonValue &value)
{
    const QJsonObject r = value.toObject();
    return QRect(r.value(QLatin1String("x")).toInt(), r.value(QLatin1String("y")).toInt(),
                 r.value(QLatin1String("width")).toInt(), r.value(QLatin1String("height")).toInt());
}

void collect(const QJsonObject &node, bool floating, QList<SwayIpc::Window> &out)
{
    const QString type = node.value(QLatin1String("type")).toString();
    // The scratchpad's windows are hidden until summoned.
    if (type == QLatin1String("workspace")
        && node.value(QLatin1String("name")).toString() == QLatin1String("__i3_scratch"))
        return;
    // A view has a client behind it, and with it a pid; split containers have neither.
    if ((type == QLatin1String("con") || type == QLatin1String("floating_con"))
        && node.contains(QLatin1String("pid"))) {
        SwayIpc::Window w;
        w.id = node.value(QLatin1String("id")).toInteger();
        w.pid = node.value(QLatin1String("pid")).toInteger();
        w.appId = node.value(QLatin1String("app_id")).toString();
        w.title = node.value(QLatin1String("name")).toString();
        // `rect` is the container below its title bar; the title bar sits right above it.
        const QRect rect = rectOf(node.value(QLatin1String("rect")));
        const int title = rectOf(node.value(QLatin1String("deco_rect"))).height();
        w.frame = QRect(rect.x(), rect.y() - title, rect.width(), rect.height() + title);
        w.focused = node.value(QLatin1String("focused")).toBool();
        w.floating = floating || type == QLatin1String("floating_con");
        w.visible = node.value(QLatin1String("visible")).toBool();
        out << w;
    }
    for (const QJsonValue child : node.value(QLatin1String("nodes")).toArray())
        collect(child.toObject(), floating, out);
    for (const QJsonValue child : node.value(QLatin1String("floating_nodes")).toArray())
        collect(child.toObject(), true, out);
}

} // namespace

SwayIpc::SwayIpc(QString socketPath, const Clock *clock, int timeoutMs)
    : m_path(std::move(socketPath))
    , m_clock(clock ? *clock : m_systemClock)
    , m_timeoutMs(timeoutMs)
{ }

SwayIpc::~SwayIpc()
{
    drop();
}

QString SwayIpc::socketFromEnvironment()
{
    return qEnvironmentVariable("SWAYSOCK");
}

QList<SwayIpc::Window> SwayIpc::windowsIn(const QJsonObject &tree)
{
    QList<Window> out;
    collect(tree, false, out);
    return out;
}

bool SwayIpc::reachable()
{
    const std::optional<QByteArray> reply = ask(GetVersion);
    return reply && QJsonDocument::fromJson(*reply).object().contains(QLatin1String("major"));
}

std::optional<QList<SwayIpc::Window>> SwayIpc::windows()
{
    const std::optional<QByteArray> reply = ask(GetTree);
    if (!reply)
        return std::nullopt;
    const QJsonDocument tree = QJsonDocument::fromJson(*reply);
    if (!tree.isObject())
        return std::nullopt;
    return windowsIn(tree.object());
}

bool SwayIpc::setFrame(qint64 id, const QRect &frame)
{
    if (frame.width() <= 0 || frame.height() <= 0)
        return false;
    // Resized first: sway keeps a floating window's centre when it resizes one, so a move
    // made before would be undone. Both sizes count the borders and the title bar.
    return command(QStringLiteral("[con_id=%1] floating enable, resize set %2 px %3 px, move "
                                  "absolute position %4 px %5 px")
                       .arg(id)
                       .arg(frame.width())
                       .arg(frame.height())
                       .arg(frame.x())
                       .arg(frame.y()));
}

bool SwayIpc::raise(qint64 id)
{
    return command(QStringLiteral("[con_id=%1] focus").arg(id));
}

bool SwayIpc::command(const QString &text)
{
    const std::optional<QByteArray> reply = ask(RunCommand, text.toUtf8());
    if (!reply)
        return false;
    // One result per command of the list; all must have succeeded.
    const QJsonArray results = QJsonDocument::fromJson(*reply).array();
    bool ok = !results.isEmpty();
    for (const QJsonValue result : results) {
        if (!result.toObject().value(QLatin1String("success")).toBool()) {
            qCDebug(lcSway) << "sway refused" << text << ":"
                            << result.toObject().value(QLatin1String("error")).toString();
            ok = false;
        }
    }
    return ok;
}

std::optional<QByteArray> SwayIpc::ask(Message type, const QByteArray &payload)
{
    if (m_path.isEmpty() || m_clock.uptime() < m_quietUntil)
        return std::nullopt;
    QDeadlineTimer deadline(m_timeoutMs);
    const auto timedOut = [&] {
        qCDebug(lcSway) << "sway did not answer in" << m_timeoutMs << "ms; not asked again for"
                        << kQuietSeconds << "s";
        m_quietUntil = m_clock.uptime() + kQuietSeconds;
        drop();
        return std::nullopt;
    };
    if (m_fd < 0) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(m_path);
        if (m_fd < 0 || path.size() >= qsizetype(sizeof address.sun_path)) {
            drop();
            return std::nullopt;
        }
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            && errno != EINPROGRESS && errno != EAGAIN) {
            qCDebug(lcSway) << "cannot reach sway at" << m_path << std::strerror(errno);
            drop();
            return std::nullopt;
        }
        if (!waitFor(POLLOUT, deadline))
            return deadline.hasExpired() ? timedOut() : (drop(), std::nullopt);
    }

    QByteArray message(kMagic, kMagicSize);
    const quint32 header[2] = {quint32(payload.size()), quint32(type)};
    message.append(reinterpret_cast<const char *>(header), sizeof header);
    message.append(payload);
    for (qsizetype sent = 0; sent < message.size();) {
        const ssize_t n
            = ::send(m_fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            drop();
            return std::nullopt;
        } else if (!waitFor(POLLOUT, deadline)) {
            return deadline.hasExpired() ? timedOut() : (drop(), std::nullopt);
        }
    }

    QByteArray buffer;
    const auto readUpTo = [&](qsizetype size) {
        while (buffer.size() < size) {
            char chunk[16384];
            const ssize_t n = ::recv(
                m_fd, chunk, std::min<size_t>(sizeof chunk, size_t(size - buffer.size())), 0);
            if (n > 0)
                buffer.append(chunk, n);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return false; // closed, or broken
            else if (!waitFor(POLLIN, deadline))
                return false;
        }
        return true;
    };
    if (!readUpTo(kHeaderSize))
        return deadline.hasExpired() ? timedOut() : (drop(), std::nullopt);
    const QByteArray head = buffer.left(kHeaderSize);
    quint32 length = 0;
    quint32 replyType = 0;
    std::memcpy(&length, head.constData() + kMagicSize, sizeof length);
    std::memcpy(&replyType, head.constData() + kMagicSize + sizeof length, sizeof replyType);
    // We subscribe to no events, so the next message is our answer; anything else means the
    // stream is not what we think it is.
    if (std::memcmp(head.constData(), kMagic, kMagicSize) != 0 || replyType != type
        || length > kLargestReply) {
        qCDebug(lcSway) << "not an answer from sway on" << m_path;
        drop();
        return std::nullopt;
    }
    if (!readUpTo(kHeaderSize + qsizetype(length)))
        return deadline.hasExpired() ? timedOut() : (drop(), std::nullopt);
    return buffer.mid(kHeaderSize);
}

bool SwayIpc::waitFor(short events, const QDeadlineTimer &deadline) const
{
    for (;;) {
        pollfd fd{m_fd, events, 0};
        const int left = int(std::max<qint64>(0, deadline.remainingTime()));
        const int ready = ::poll(&fd, 1, left);
        if (ready > 0)
            return (fd.revents & (POLLERR | POLLNVAL)) == 0 || (fd.revents & events);
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

void SwayIpc::drop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
