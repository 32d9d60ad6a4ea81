#pragma once

#include "platform/Screens.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// A saved window layout: which app owned each window, which of its windows it was and where it
// sat as fractions of its screen's visible frame.
struct Loadout
{
    struct Entry
    {
        QString bundleID; // the desktop-entry id
        QString appName;
        int index = 0; // among the app's standard windows
        // Fractions of the visible frame, from its top-left corner with y downwards.
        double x = 0;
        double y = 0;
        double w = 0;
        double h = 0;
        QString display; // the screen's full frame size, "1512x982"
        // The screen's name ("DP-1"), so that of two screens of one size the right one is
        // found; empty in loadouts saved before it was kept. Stored only when set.
        QString screen;

        bool operator==(const Entry &) const = default;

        QJsonObject toJson() const;
        // None unless every key is present with the right type.
        static std::optional<Entry> fromJson(const QJsonObject &object);
    };

    // One of the monitors a loadout is bound to: the name and identity the server reports, and
    // where it sat (model coordinates, whole points).
    struct Monitor
    {
        QString name;
        QString identity; // a hash of the monitor's EDID; empty when the server has none
        QRect frame;

        bool operator==(const Monitor &) const = default;
    };

    QUuid id;
    QString name;
    QDateTime date;
    QList<Entry> entries;
    // The monitors it was saved for, primary first; empty for a loadout that is not bound.
    // Stored under "monitors" only when set, so older files load as they are and older readers
    // still read the rest.
    QList<Monitor> monitors;

    bool operator==(const Loadout &) const = default;

    // The number of distinct apps among the entries.
    int appCount() const;
    bool isBound() const { return !monitors.isEmpty(); }

    // The monitors connected now, as a loadout is bound to them.
    static QList<Monitor> monitorsOf(const QList<ScreenInfo> &screens);
    // Whether two monitor sets are the same monitors in the same arrangement, in any order.
    static bool sameMonitors(const QList<Monitor> &a, const QList<Monitor> &b);
    // "Dock: DP-1 + HDMI-1": a dock loadout's name, after its monitors.
    static QString dockName(const QList<Monitor> &monitors);
    static inline const QString dockPrefix = QStringLiteral("Dock: ");

    QJsonObject toJson() const;
    static std::optional<Loadout> fromJson(const QJsonObject &object);

    // The whole list as one compact JSON array, and back; none when any element fails.
    static QByteArray encode(const QList<Loadout> &loadouts);
    static std::optional<QList<Loadout>> decode(const QByteArray &json);

    // "A + B + C +2": the distinct names in order of first appearance, three at most, then the
    // number of the others.
    static QString makeName(const QStringList &appNames);
    // A screen frame's size in whole points, "1512x982".
    static QString displayString(const QRectF &screenFrame);
    // Dates travel as seconds since 2001-01-01 00:00:00 UTC.
    static double referenceSeconds(const QDateTime &date);
    static QDateTime fromReferenceSeconds(double seconds);
    // The canonical upper-case form, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
    static QString uuidText(const QUuid &id);
    // Whether an entry's app is named by a desktop-entry id ("firefox", "org.gnome.Terminal",
    // "kde-okular.desktop"), the only thing a loadout may launch. A path, relative or absolute,
    // would open any desktop file at all: the loadouts file is data, not a list of programs.
    static bool isDesktopId(const QString &appId);
};
