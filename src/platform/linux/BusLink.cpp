#include "platform/linux/BusLink.h"

#include "platform/Logging.h"
#include "platform/OffThread.h"

#include <QAtomicInteger>
#include <QDBusArgument>

namespace {

QAtomicInteger<quint64> nextLink;

QDBusConnection open(const QString &address, const QString &name)
{
    if (address.isEmpty())
        return QDBusConnection::sessionBus();
    return QDBusConnection::connectToBus(address, name);
}

} // namespace

BusLink::BusLink(QString address, QObject *parent)
    : QObject(parent)
    , m_address(std::move(address))
    , m_name(QStringLiteral("kaidro-bus-%1").arg(nextLink.fetchAndAddRelaxed(1)))
{
    OffThread::run(
        *QThreadPool::globalInstance(), this,
        [address = m_address, name = m_name] { return open(address, name); },
        [this](QDBusConnection bus) {
            if (bus.isConnected())
                m_bus = bus;
            else
                m_failed = true;
            qCDebug(lcDBus) << (m_address.isEmpty() ? "session bus" : qPrintable(m_address))
                            << (m_bus ? "opened as" : "could not be opened as") << m_name;
            const auto waiting = std::exchange(m_waiting, {});
            for (const auto &then : waiting)
                then(m_bus ? &*m_bus : nullptr);
            if (m_bus)
                emit opened();
        });
}

BusLink::~BusLink()
{
    if (!m_address.isEmpty())
        QDBusConnection::disconnectFromBus(m_name);
}

QDBusConnection BusLink::openBlocking() const
{
    return open(m_address, m_name);
}

void BusLink::whenOpen(std::function<void(QDBusConnection *)> then)
{
    if (m_bus)
        then(&*m_bus);
    else if (m_failed)
        then(nullptr);
    else
        m_waiting << std::move(then);
}

std::optional<QVariantMap> BusLink::asMap(const QVariant &value)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a{sv}"))
        return std::nullopt;
    QVariantMap map;
    argument >> map;
    return map;
}
