#include "platform/linux/DBusRemoteControl.h"

#include "platform/Logging.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QPointer>

const QString DBusRemoteControl::kService = QStringLiteral("org.kaidro.Vantle");
const QString DBusRemoteControl::kPath = QStringLiteral("/org/kaidro/Vantle");
const QString DBusRemoteControl::kInterface = QStringLiteral("org.kaidro.Vantle");

namespace {

constexpr int kCallTimeoutMs = 4000;

} // namespace

DBusRemoteControl::DBusRemoteControl(QDBusConnection bus)
    : m_bus(std::move(bus))
{ }

DBusRemoteControl::~DBusRemoteControl()
{
    if (m_registered)
        m_bus.unregisterObject(kPath);
}

QString DBusRemoteControl::methodFor(const QString &command)
{
    QString method;
    for (const QString &word : command.split(QLatin1Char('-'), Qt::SkipEmptyParts))
        method += word.left(1).toUpper() + word.mid(1);
    return method;
}

bool DBusRemoteControl::listen(const QStringList &commands,
                               std::function<void(const QString &command)> handler, QString *error)
{
    m_commands = commands;
    m_handler = std::move(handler);
    if (!m_bus.isConnected()) {
        *error = QStringLiteral("no session bus (%1)").arg(m_bus.lastError().message());
        return false;
    }
    if (!m_registered) {
        m_registered = m_bus.registerVirtualObject(kPath, this);
        if (!m_registered) {
            *error = QStringLiteral("%1 is taken on the session bus").arg(kPath);
            return false;
        }
    }
    // A copy on another display of the same session hands the name over; the newest copy is
    // the one a command reaches.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply
        = m_bus.interface()->registerService(kService,
                                             QDBusConnectionInterface::ReplaceExistingService,
                                             QDBusConnectionInterface::AllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        *error = QStringLiteral("cannot own %1 on the session bus%2")
                     .arg(kService, reply.isValid() ? QString() : ": " + reply.error().message());
        return false;
    }
    return true;
}

void DBusRemoteControl::answer(const QString &query, std::function<QString()> answer)
{
    m_queries.insert(methodFor(query), std::move(answer));
}

QString DBusRemoteControl::introspect(const QString &) const
{
    QString xml = QStringLiteral("<interface name=\"%1\">").arg(kInterface);
    for (const QString &command : m_commands)
        xml += QStringLiteral("<method name=\"%1\"/>").arg(methodFor(command));
    for (auto it = m_queries.cbegin(); it != m_queries.cend(); ++it)
        xml += QStringLiteral("<method name=\"%1\"><arg type=\"s\" direction=\"out\"/></method>")
                   .arg(it.key());
    return xml + QStringLiteral("</interface>");
}

bool DBusRemoteControl::handleMessage(const QDBusMessage &message,
                                      const QDBusConnection &connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    if (!message.interface().isEmpty() && message.interface() != kInterface)
        return false;
    if (m_queries.contains(message.member()) && message.arguments().isEmpty()) {
        // The answer is made on our thread and sent from there; the bus takes replies from any.
        QPointer<DBusRemoteControl> self(this);
        QMetaObject::invokeMethod(
            this,
            [self, message, connection] {
                if (!self)
                    return;
                QDBusConnection(connection)
                    .send(message.createReply(self->m_queries.value(message.member())()));
            },
            Qt::QueuedConnection);
        return true;
    }
    QString command;
    for (const QString &candidate : m_commands) {
        if (methodFor(candidate) == message.member())
            command = candidate;
    }
    if (command.isEmpty() || !message.arguments().isEmpty()) {
        connection.send(message.createErrorReply(
            QDBusError::UnknownMethod,
            QStringLiteral("%1 takes no command \"%2\" with these arguments")
                .arg(kInterface, message.member())));
        return true;
    }
    connection.send(message.createReply());
    qCDebug(lcDBus) << "command" << command << "from" << message.service();
    // The bus may hand the message over on its own thread; the command runs on ours.
    QPointer<DBusRemoteControl> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, command] {
            if (self && self->m_handler)
                self->m_handler(command);
        },
        Qt::QueuedConnection);
    return true;
}

DBusRemoteControl::Sent DBusRemoteControl::send(const QString &command, QString *error,
                                                QDBusConnection bus, QString *answer)
{
    if (!bus.isConnected()) {
        *error = QStringLiteral("cannot reach the session bus: %1").arg(bus.lastError().message());
        return Sent::failed;
    }
    QDBusMessage call
        = QDBusMessage::createMethodCall(kService, kPath, kInterface, methodFor(command));
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        if (answer && !reply.arguments().isEmpty())
            *answer = reply.arguments().constFirst().toString();
        return Sent::delivered;
    }
    const QDBusError::ErrorType type = QDBusError(reply).type();
    if (type == QDBusError::ServiceUnknown
        || reply.errorName() == "org.freedesktop.DBus.Error.NameHasNoOwner")
        return Sent::noRunningCopy;
    *error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return Sent::failed;
}
