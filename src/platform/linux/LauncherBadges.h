#pragma once

#include "platform/Badges.h"
#include "platform/linux/BusLink.h"
#include "platform/linux/LauncherBadgeBook.h"

#include <QDBusMessage>
#include <QSet>

// The launcher badges on the session bus: the com.canonical.Unity.LauncherEntry Update signals
// of every app, kept per app from the start, and summed for the apps whose desktop entries call
// them mail or chat apps. A badge goes when the app that set it leaves the bus.
class LauncherBadges final : public Badges
{
    Q_OBJECT

public:
    // `busAddress` empty: the session bus of the environment.
    explicit LauncherBadges(QString busAddress = {}, QObject *parent = nullptr);
    ~LauncherBadges() override;

    int unreadCount() const override { return m_book.unread(); }

private slots:
    void onUpdate(const QDBusMessage &message);
    void onNameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    void learnCategories(const QString &desktopId);
    void publish();

    BusLink m_link;
    LauncherBadgeBook m_book;
    QSet<QString> m_asking;
    int m_published = 0;
};
