#include "platform/wayland/SwayIpc.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QLoggingCategory>

#include <cstring>

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

SwayIpc::~SwayIpc() = default;

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
    if (!m_socket || m_socket->state() != QLocalSocket::ConnectedState) {
        m_socket = std::make_unique<QLocalSocket>();
        m_socket->connectToServer(m_path);
        if (!m_socket->waitForConnected(int(deadline.remainingTime()))) {
            const bool refused = m_socket->error() != QLocalSocket::SocketTimeoutError;
            qCDebug(lcSway) << "cannot reach sway at" << m_path << m_socket->errorString();
            if (refused) {
                drop();
                return std::nullopt;
            }
            return timedOut();
        }
    }

    QByteArray message(kMagic, kMagicSize);
    const quint32 header[2] = {quint32(payload.size()), quint32(type)};
    message.append(reinterpret_cast<const char *>(header), sizeof header);
    message.append(payload);
    m_socket->write(message);
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(int(deadline.remainingTime())))
            return deadline.hasExpired() ? timedOut() : (drop(), std::nullopt);
    }

    const auto readUpTo = [&](qint64 size) {
        while (m_socket->bytesAvailable() < size) {
            if (!m_socket->waitForReadyRead(int(deadline.remainingTime())))
                return false;
        }
        return true;
    };
    if (!readUpTo(kHeaderSize))
        return deadline.hasExpired() ? timedOut() : (drop(), std::nullopt);
    const QByteArray head = m_socket->read(kHeaderSize);
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
    if (!readUpTo(length))
        return deadline.hasExpired() ? timedOut() : (drop(), std::nullopt);
    return m_socket->read(length);
}

void SwayIpc::drop()
{
    if (m_socket)
        m_socket->abort();
    m_socket.reset();
}
