#include "monitors/NetworkMonitor.h"

#include "fakes/FakeNetworkPath.h"

#include <gtest/gtest.h>

using Link = NetworkMonitor::Link;

class Network : public ::testing::Test
{
protected:
    FakeNetworkPath path;

    static NetworkPathState wifi(bool expensive = false) { return {true, false, true, expensive}; }
};

TEST_F(Network, PathDecidesTheLinkWiredFirstExpensiveWiFiStaysWiFiAndStrengthStaysInBounds)
{
    for (const auto &[dbm, strength] : {std::pair{-90, 0.05}, {-60, 0.5}, {-20, 1.0}})
        EXPECT_DOUBLE_EQ(NetworkMonitor::strengthFor(Link::wifi, dbm), strength) << dbm;
    EXPECT_EQ(NetworkMonitor::labelFor(Link::wired, std::nullopt, true, false),
              QString::fromUtf8("Ethernet \u00B7 VPN"));
    EXPECT_EQ(NetworkMonitor::labelFor(Link::other, std::nullopt, false, false), "Online");
    NetworkMonitor monitor(path);
    EXPECT_EQ(monitor.link(), Link::offline);
    path.change(wifi(true));
    EXPECT_EQ(monitor.link(), Link::wifi);
    EXPECT_TRUE(monitor.expensive());
    path.change({true, true, true, false});
    EXPECT_EQ(monitor.link(), Link::wired);
    path.change({true, false, false, true});
    EXPECT_EQ(monitor.label(), "Hotspot");
    // Offline with a tunnel still up reads just offline.
    path.tunnel = true;
    path.change({});
    EXPECT_TRUE(monitor.vpn());
    EXPECT_EQ(monitor.label(), "OFFLINE");
}

TEST_F(Network, PathChangesArriveWhileHiddenButSignalPollsOnlyWhileShown)
{
    path.state = wifi();
    path.rssi = 0;
    NetworkMonitor monitor(path);
    // A reading of 0 is no reading.
    EXPECT_EQ(monitor.label(), "Wi-Fi");
    EXPECT_DOUBLE_EQ(monitor.strength(), 0.6);
    path.rssi = -60;
    path.change(wifi());
    EXPECT_FALSE(monitor.isPolling());
    EXPECT_EQ(monitor.label(), "Wi-Fi -60 dBm");

    // Hidden: the signal moves, nothing reads it until the path changes.
    path.rssi = -70;
    EXPECT_EQ(monitor.label(), "Wi-Fi -60 dBm");
    path.change({true, true, false, false});
    EXPECT_EQ(monitor.label(), "Ethernet");
    EXPECT_FALSE(monitor.rssi());

    path.change(wifi());
    monitor.setHUDVisible(true);
    EXPECT_TRUE(monitor.isPolling());
    path.rssi = -45;
    path.tunnel = true;
    monitor.poll();
    EXPECT_EQ(monitor.label(), QString::fromUtf8("Wi-Fi -45 dBm \u00B7 VPN"));
    monitor.setHUDVisible(false);
    EXPECT_FALSE(monitor.isPolling());
}
