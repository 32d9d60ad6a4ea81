#pragma once

#include <QObject>
#include <QString>

#include <optional>

class NetworkPath;
class QTimer;

// The machine's network for the party strip: the kind of link, the Wi-Fi signal, whether a VPN
// tunnel is up and whether the path is expensive. Path changes are followed for the whole life
// of the monitor; signal and tunnel are polled every 3 s, and only while the HUD is on screen.
// Main thread only.
class NetworkMonitor final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Link link READ link NOTIFY changed)
    Q_PROPERTY(bool vpn READ vpn NOTIFY changed)
    Q_PROPERTY(bool expensive READ expensive NOTIFY changed)
    Q_PROPERTY(double strength READ strength NOTIFY changed)
    Q_PROPERTY(QString label READ label NOTIFY changed)

public:
    enum class Link { offline, wifi, wired, other };
    Q_ENUM(Link)

    static constexpr int pollIntervalMs = 3000;

    explicit NetworkMonitor(NetworkPath &path, QObject *parent = nullptr);
    ~NetworkMonitor() override;

    Link link() const { return m_link; }
    std::optional<int> rssi() const { return m_rssi; }
    bool vpn() const { return m_vpn; }
    bool expensive() const { return m_expensive; }
    double strength() const { return strengthFor(m_link, m_rssi); }
    QString label() const { return labelFor(m_link, m_rssi, m_vpn, m_expensive); }

    // 0 offline; (rssi + 90) / 60 within 0.05…1 on Wi-Fi with a reading, 0.6 without; 1 wired;
    // 0.6 for any other link.
    static double strengthFor(Link link, std::optional<int> rssi);
    // "OFFLINE", "Wi-Fi -54 dBm", "Wi-Fi", "Ethernet", "Hotspot" or "Online", with " · VPN"
    // while a tunnel is up on a live path.
    static QString labelFor(Link link, std::optional<int> rssi, bool vpn, bool expensive);

    void setHUDVisible(bool visible);
    bool isPolling() const;

    // Takes the path as it is now, then polls; what a path change runs.
    void pathUpdate();
    // Reads the Wi-Fi signal and the tunnels; what the 3-second timer runs.
    void poll();

signals:
    // A published value changed.
    void changed();

private:
    // Publishes `link` and `expensive` with a fresh signal and tunnel reading.
    void read(Link link, bool expensive);

    NetworkPath &m_path;
    QTimer *m_timer;
    Link m_link = Link::wifi;
    std::optional<int> m_rssi;
    bool m_vpn = false;
    bool m_expensive = false;
};
