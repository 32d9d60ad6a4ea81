#include "platform/linux/LauncherBadges.h"

#include "platform/Logging.h"
#include "platform/OffThread.h"
#include "platform/linux/DesktopEntryFile.h"
#include "platform/linux/DesktopEntryMatcher.h"

#include <QDBusConnection>

namespace {

// The categories of an installed desktop entry; empty when there is none. Reads files.
QStringList categoriesOf(const QString &desktopId)
{
    const std::optional<DesktopEntryFile> file = DesktopEntryFile::read(
        DesktopEntryFile::find(DesktopEntryMatcher::defaultFolders(), desktopId));
    if (!file || file->hidden)
        return {};
    return {file->categories};
}

} // namespace

LauncherBadges::LauncherBadges(QString busAddress, QObject *parent)
    : Badges(parent)
    , m_link(std::move(busAddress))
{
    m_link.whenOpen([this](QDBusConnection *bus) {
        if (!bus)
            return;
        bus->connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                     QStringLiteral("Update"), this, SLOT(onUpdate(QDBusMessage)));
        bus->connect(QStringLiteral("org.freedesktop.DBus"),
                     QStringLiteral("/org/freedesktop/DBus"),
                     QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                     this, SLOT(onNameOwnerChanged(QString, QString, QString)));
    });
}

LauncherBadges::~LauncherBadges() = default;

void LauncherBadges::onUpdate(const QDBusMessage &message)
{
    const QList<QVariant> args = message.arguments();
    if (args.size() != 2 || args[0].typeId() != QMetaType::QString)
        return;
    const std::optional<QVariantMap> properties = BusLink::asMap(args[1]);
    if (!properties)
        return;
    const std::optional<QString> id
        = m_book.update(args[0].toString(), *properties, message.service());
    if (!id)
        return;
    qCDebug(lcDBus) << "badge update for" << *id << "from" << message.service();
    if (!m_book.knows(*id))
        learnCategories(*id);
    publish();
}

void LauncherBadges::onNameOwnerChanged(const QString &name, const QString &,
                                        const QString &newOwner)
{
    if (newOwner.isEmpty() && m_book.senderGone(name)) {
        qCDebug(lcDBus) << "badge sender" << name << "left the bus";
        publish();
    }
}

void LauncherBadges::learnCategories(const QString &desktopId)
{
    if (m_asking.contains(desktopId))
        return;
    m_asking.insert(desktopId);
    OffThread::run(
        *QThreadPool::globalInstance(), this,
        [desktopId] { return LauncherBadgeBook::isMessagingApp(categoriesOf(desktopId)); },
        [this, desktopId](bool messaging) {
            m_asking.remove(desktopId);
            m_book.setMessaging(desktopId, messaging);
            publish();
        });
}

void LauncherBadges::publish()
{
    const int unread = m_book.unread();
    if (unread == m_published)
        return;
    m_published = unread;
    emit changed();
}
