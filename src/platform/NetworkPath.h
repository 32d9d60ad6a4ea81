#pragma once

#include <QObject>

#include <optional>

// The route the machine's traffic takes right now.
struct NetworkPathState
{
    // Some interface that is up carries a default route.
    bool satisfied = false;
    bool usesWired = false;
    bool usesWifi = false;
    // The connection is marked as metered (a phone's hotspot, a mobile plan).
    bool expensive = false;

    bool operator==(const NetworkPathState &) const = default;
};

// The network path of the machine, its Wi-Fi signal and its tunnels. The path is watched for the
// whole life of the object and `pathChanged` is emitted on the main thread whenever it changes;
// the other two are read on demand and answer at once.
class NetworkPath : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~NetworkPath() override = default;

    virtual NetworkPathState path() const = 0;
    // The received signal strength of the Wi-Fi interface the path uses, in dBm; nothing without
    // such an interface or when it reports no reading.
    virtual std::optional<int> wifiRssi() const = 0;
    // Whether a tunnel interface is up with an IPv4 address; false when the list of interfaces
    // cannot be read.
    virtual bool tunnelUp() const = 0;

signals:
    void pathChanged();
};
