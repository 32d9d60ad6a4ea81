#include "monitors/DesktopComponents.h"

#include "platform/Workspace.h"

#include <QStringList>

#include <algorithm>

namespace {

// Desktop ids the desktops give their own applications. Older entries carry the desktop's name
// as a prefix instead of a reverse domain ("gnome-system-monitor", "mate-terminal").
const QStringList &ownNamespaces()
{
    static const QStringList list{
        QStringLiteral("com.apple."), QStringLiteral("org.gnome."),
        QStringLiteral("gnome-"),     QStringLiteral("org.kde."),
        QStringLiteral("kde-"),       QStringLiteral("org.xfce."),
        QStringLiteral("xfce4-"),     QStringLiteral("org.mate."),
        QStringLiteral("mate-"),      QStringLiteral("org.cinnamon."),
        QStringLiteral("cinnamon-"),  QStringLiteral("org.lxqt."),
        QStringLiteral("lxqt-"),      QStringLiteral("org.buddiesofbudgie."),
        QStringLiteral("budgie-"),
    };
    return list;
}

// The session's shells, window managers, panels and desktops, which have no desktop entry of
// their own to tell them by.
const QStringList &sessionComponents()
{
    static const QStringList list{
        QStringLiteral("gnome-shell"),
        QStringLiteral("gnome-flashback"),
        QStringLiteral("plasmashell"),
        QStringLiteral("kwin_x11"),
        QStringLiteral("krunner"),
        QStringLiteral("ksmserver"),
        QStringLiteral("xfdesktop"),
        QStringLiteral("xfwm4"),
        QStringLiteral("xfsettingsd"),
        QStringLiteral("marco"),
        QStringLiteral("caja"),
        QStringLiteral("cinnamon"),
        QStringLiteral("muffin"),
        QStringLiteral("nemo-desktop"),
        QStringLiteral("lxpanel"),
        QStringLiteral("pcmanfm-qt"),
        QStringLiteral("openbox"),
        QStringLiteral("xdg-desktop-portal-gtk"),
        QStringLiteral("xdg-desktop-portal-kde"),
    };
    return list;
}

// Executable prefixes of whole families of the session's helpers and daemons: GNOME's settings
// daemons (gsd-*), KDE's daemons (kded5, kded6), polkit's agents and the panels of the others.
const QStringList &componentPrefixes()
{
    static const QStringList list{
        QStringLiteral("gsd-"),    QStringLiteral("gnome-"),  QStringLiteral("kded"),
        QStringLiteral("polkit-"), QStringLiteral("xfce4-"),  QStringLiteral("mate-"),
        QStringLiteral("lxqt-"),   QStringLiteral("budgie-"),
    };
    return list;
}

bool startsWithAny(const QString &text, const QStringList &prefixes)
{
    return !text.isEmpty()
        && std::any_of(prefixes.cbegin(), prefixes.cend(),
                       [&](const QString &p) { return text.startsWith(p, Qt::CaseInsensitive); });
}

} // namespace

namespace DesktopComponents {

bool isNPC(const RunningApp &app)
{
    if (app.otherUser)
        return true;
    if (startsWithAny(app.appId, ownNamespaces()))
        return true;
    return sessionComponents().contains(app.executable)
        || startsWithAny(app.executable, componentPrefixes());
}

} // namespace DesktopComponents
