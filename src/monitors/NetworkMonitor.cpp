#include "monitors/NetworkMonitor.h"

#include "platform/Logging.h"
#include "platform/NetworkPath.h"

#include <QTimer>

#include <algorithm>

NetworkMonitor::NetworkMonitor(NetworkPath &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(pollIntervalMs);
    m_timer->setTimerType(Qt::VeryCoarseTimer); // on the second, with the other readouts
    connect(m_timer, &QTimer::timeout, this, &NetworkMonitor::poll);
    connect(&m_path, &NetworkPath::pathChanged, this, &NetworkMonitor::pathUpdate);
    pathUpdate();
}

NetworkMonitor::~NetworkMonitor() = default;

double NetworkMonitor::strengthFor(Link link, std::optional<int> rssi)
{
    switch (link) {
    case Link::offline:
        return 0;
    case Link::wifi:
        return rssi ? std::clamp((*rssi + 90) / 60.0, 0.05, 1.0) : 0.6;
    case Link::wired:
        return 1.0;
    case Link::other:
        return 0.6;
    }
    return 0;
}

QString NetworkMonitor::labelFor(Link link, std::optional<int> rssi, bool vpn, bool expensive)
{
    QString text;
    switch (link) {
    case Link::offline:
        return QStringLiteral("OFFLINE");
    case Link::wifi:
        text = rssi ? QStringLiteral("Wi-Fi %1 dBm").arg(*rssi) : QStringLiteral("Wi-Fi");
        break;
    case Link::wired:
        text = QStringLiteral("Ethernet");
        break;
    case Link::other:
        text = expensive ? QStringLiteral("Hotspot") : QStringLiteral("Online");
        break;
    }
    if (vpn)
        text += QStringLiteral(" \u00B7 VPN");
    return text;
}

void NetworkMonitor::setHUDVisible(bool visible)
{
    m_timer->stop();
    if (!visible)
        return;
    poll();
    m_timer->start();
}

bool NetworkMonitor::isPolling() const
{
    return m_timer->isActive();
}

void NetworkMonitor::pathUpdate()
{
    const NetworkPathState path = m_path.path();
    Link link = Link::other;
    if (!path.satisfied)
        link = Link::offline;
    else if (path.usesWired)
        link = Link::wired;
    else if (path.usesWifi)
        link = Link::wifi;
    read(link, path.expensive);
}

void NetworkMonitor::poll()
{
    read(m_link, m_expensive);
}

void NetworkMonitor::read(Link link, bool expensive)
{
    std::optional<int> rssi;
    if (link == Link::wifi) {
        const std::optional<int> reading = m_path.wifiRssi();
        if (reading && *reading != 0)
            rssi = reading;
    }
    const bool vpn = m_path.tunnelUp();
    if (link == m_link && rssi == m_rssi && vpn == m_vpn && expensive == m_expensive)
        return;
    m_link = link;
    m_rssi = rssi;
    m_vpn = vpn;
    m_expensive = expensive;
    qCDebug(lcMonitors) << "network link" << int(link) << "signal" << rssi.value_or(0) << "vpn"
                        << vpn << "expensive" << expensive;
    emit changed();
}
