#include "hud/FloatingHUDPanelController.h"

#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"

#include <algorithm>

using enum HUDWidgetID;

FloatingHUDPanelController::FloatingHUDPanelController(Screens &screens, const Clock &clock,
                                                       Stores stores, PanelFactory factory,
                                                       Hooks hooks, QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_stores(stores)
    , m_hooks(std::move(hooks))
    , m_panels(stores.layout, std::move(factory))
    , m_idle(clock, stores.settings, idleHooks())
    , m_follower(screens, clock, m_panels, followerHooks())
    , m_layoutEdit(m_panels, stores.layout, layoutEditHooks())
    , m_gazeAndPlayback(screens, m_panels, stores.widgets, gazeAndPlaybackHooks())
{
    connect(&m_gazeAndPlayback, &FollowingReadouts::crampedChanged, this,
            &FloatingHUDPanelController::crampedChanged);
    connect(&m_stores.notifications, &HUDNotifications::widgetsChanged, this,
            &FloatingHUDPanelController::applyWidgetChanges, Qt::QueuedConnection);
    connect(&m_screens, &Screens::changed, this, &FloatingHUDPanelController::screensChanged);
}

FloatingHUDPanelController::~FloatingHUDPanelController() = default;

void FloatingHUDPanelController::addReadoutService(std::function<void(bool)> setHUDVisible)
{
    m_readoutServices << std::move(setHUDVisible);
}

void FloatingHUDPanelController::play(PanelCue cue) const
{
    if (m_hooks.play)
        m_hooks.play(cue);
}

bool FloatingHUDPanelController::commandBarVisible() const
{
    return m_hooks.commandBarVisible && m_hooks.commandBarVisible();
}

IdleRules::Hooks FloatingHUDPanelController::idleHooks()
{
    IdleRules::Hooks h;
    h.hudVisible = [this] { return m_isVisible; };
    h.menuOpen = [this] { return menuOpen(); };
    h.readoutsHeld
        = [this] { return menuOpen() || m_layoutEdit.isActive() || commandBarVisible(); };
    h.menuInUse = [this] {
        return m_layoutEdit.isActive() || m_follower.pointerOnMenu() || commandBarVisible();
    };
    h.hideHUD = [this] { hide(); };
    h.closeMenu = [this] {
        if (m_menuVisible) {
            closeMenu();
        } else {
            putSubPanelsAway();
            play(PanelCue::close);
        }
    };
    return h;
}

PointerFollower::Hooks FloatingHUDPanelController::followerHooks()
{
    PointerFollower::Hooks h;
    h.hudVisible = [this] { return m_isVisible; };
    h.layoutEditing = [this] { return m_layoutEdit.isActive(); };
    h.hudScreen = [this] { return m_hudScreen; };
    h.moveHUD = [this](const ScreenInfo &screen) {
        m_lostScreen.reset();
        moveHUD(screen);
    };
    return h;
}

LayoutEditSession::Hooks FloatingHUDPanelController::layoutEditHooks()
{
    LayoutEditSession::Hooks h;
    h.openEditor = m_hooks.openLayoutEditor;
    h.closeEditor = m_hooks.closeLayoutEditor;
    h.screen = [this] { return m_hudScreen.value_or(pointerScreen()); };
    h.holdStill = [this](HUDWidgetID id) { m_follower.forget(id); };
    h.left = [this] {
        pointerUpdate();
        noteMenuActivity();
        play(PanelCue::close);
    };
    return h;
}

FollowingReadouts::Hooks FloatingHUDPanelController::gazeAndPlaybackHooks()
{
    FollowingReadouts::Hooks h;
    h.hudVisible = [this] { return m_isVisible; };
    h.ensurePanels = [this] { start(); };
    h.fadeOut = [this](HUDWidgetID id, double duration) { fadeOut(id, duration); };
    return h;
}

ScreenInfo FloatingHUDPanelController::pointerScreen() const
{
    return HUDLayout::screenUnderPointer(m_screens);
}

ScreenInfo FloatingHUDPanelController::menuScreen() const
{
    if (m_hudScreen)
        return *m_hudScreen;
    return pointerScreen();
}

void FloatingHUDPanelController::start()
{
    if (m_panels.isEmpty() && !m_screens.screens().isEmpty())
        m_panels.create(pointerScreen());
}

void FloatingHUDPanelController::setHUDVisibleOnServices(bool visible)
{
    for (const auto &service : m_readoutServices)
        service(visible);
}

void FloatingHUDPanelController::show()
{
    start();
    if (m_panels.isEmpty())
        return;
    m_isVisible = true;
    m_stores.visibility.setVisible(true);
    setHUDVisibleOnServices(true);
    dismissConfirm(false);
    play(PanelCue::open);
    m_hudScreen = pointerScreen();
    m_lostScreen.reset();
    QList<HUDWidgetID> readouts;
    for (const WidgetSpec &spec : HUDLayout::readoutSpecs()) {
        if (spec.id == targetCursor || spec.id == nowPlaying)
            continue;
        if (m_stores.widgets.isHidden(spec.id))
            continue;
        readouts << spec.id;
    }
    m_panels.slideIn(readouts, *m_hudScreen);
    m_follower.start();
    pointerUpdate();
    m_idle.restartReadouts();
    // The gaze and playback may already be known: place their panels now.
    m_gazeAndPlayback.refreshGaze();
    m_gazeAndPlayback.refreshPlaying();
    emit visibleChanged(true);
}

void FloatingHUDPanelController::fadeOut(HUDWidgetID id, double duration)
{
    m_follower.forget(id);
    m_panels.fadeOut(id, duration);
}

void FloatingHUDPanelController::hide()
{
    m_idle.stopReadouts();
    if (m_layoutEdit.isActive())
        m_layoutEdit.leave();
    putSubPanelsAway();
    dismissConfirm(false);
    if (m_hooks.closeCommandBar)
        m_hooks.closeCommandBar();
    if (m_hooks.dismissToast)
        m_hooks.dismissToast();
    if (m_isVisible) {
        m_isVisible = false;
        m_stores.visibility.setVisible(false);
        setHUDVisibleOnServices(false);
        m_follower.stop();
        m_gazeAndPlayback.forgetPointer();
        if (m_panels.isShown(nowPlaying))
            fadeOut(nowPlaying);
        if (m_panels.isShown(targetCursor))
            fadeOut(targetCursor);
        play(PanelCue::close);
        m_menuVisible = false;
        for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it) {
            if (it.value()->isVisible())
                fadeOut(it.key());
        }
        emit visibleChanged(false);
    }
    noteMenuActivity();
}

void FloatingHUDPanelController::toggleHUD()
{
    if (!m_isVisible) {
        const bool somethingOpen
            = std::any_of(PanelStyles::subPanels().begin(), PanelStyles::subPanels().end(),
                          [this](HUDWidgetID id) { return m_panels.isShown(id); })
            || m_panels.isShown(confirmLogout) || commandBarVisible();
        if (somethingOpen)
            hide();
        else
            show();
        return;
    }
    hide();
}

void FloatingHUDPanelController::toggleMenu()
{
    if (!m_menuVisible) {
        if (!m_isVisible)
            show();
        if (m_panels.isEmpty())
            return;
        m_menuVisible = true;
        play(PanelCue::open);
        QList<HUDWidgetID> trio;
        for (HUDWidgetID id : HUDLayout::menuTrio()) {
            if (!m_stores.widgets.isHidden(id))
                trio << id;
        }
        m_panels.slideIn(trio, menuScreen());
        pointerUpdate();
        noteMenuActivity();
        m_idle.restartReadouts();
        return;
    }
    closeMenu();
    noteMenuActivity();
}

void FloatingHUDPanelController::closeMenu()
{
    m_menuVisible = false;
    play(PanelCue::close);
    for (HUDWidgetID id : HUDLayout::menuTrio()) {
        if (m_panels.isShown(id))
            fadeOut(id);
    }
    putSubPanelsAway();
}

void FloatingHUDPanelController::putSubPanelsAway()
{
    for (HUDWidgetID id : PanelStyles::subPanels()) {
        if (m_panels.isShown(id))
            fadeOut(id);
    }
}

void FloatingHUDPanelController::openMenuPanel(HUDWidgetID id)
{
    start();
    PanelWindow *p = panel(id);
    if (!p)
        return;
    play(PanelCue::select);
    if (!p->isVisible()) {
        for (HUDWidgetID other : PanelStyles::subPanels()) {
            if (other != id && m_panels.isShown(other))
                fadeOut(other);
        }
        const ScreenInfo screen = menuScreen();
        m_panels.fadeIn(id, HUDLayout::scale(id, screen), m_panels.placedFrame(id, screen), 0.22);
        noteMenuActivity();
        return;
    }
    closePanel(id);
    noteMenuActivity();
}

void FloatingHUDPanelController::closePanel(HUDWidgetID id)
{
    if (m_panels.isShown(id))
        fadeOut(id);
}

void FloatingHUDPanelController::showConfirmLogout()
{
    start();
    if (!panel(confirmLogout))
        return;
    m_confirmVisible = true;
    play(PanelCue::select);
    m_panels.fadeIn(confirmLogout, 1.0, m_panels.placedFrame(confirmLogout, pointerScreen()), 0.2);
}

void FloatingHUDPanelController::dismissConfirm(bool animated)
{
    m_confirmVisible = false;
    m_panels.dismiss(confirmLogout, animated ? 0.18 : 0);
}

bool FloatingHUDPanelController::menuOpen() const
{
    return m_menuVisible
        || std::any_of(PanelStyles::subPanels().begin(), PanelStyles::subPanels().end(),
                       [this](HUDWidgetID id) { return m_panels.isShown(id); });
}

void FloatingHUDPanelController::moveHUD(const ScreenInfo &screen)
{
    const ScreenInfo previous = m_hudScreen.value_or(screen);
    m_hudScreen = screen;
    m_panels.moveShown(previous, screen);
}

void FloatingHUDPanelController::screensChanged()
{
    const QList<ScreenInfo> all = m_screens.screens();
    // With no display at all there is nowhere to go: the panels wait where they are.
    if (!m_hudScreen || all.isEmpty())
        return;
    const auto named = [&all](const QString &name) -> std::optional<ScreenInfo> {
        for (const ScreenInfo &s : all) {
            if (s.name == name)
                return s;
        }
        return std::nullopt;
    };
    std::optional<ScreenInfo> target;
    if (m_lostScreen)
        target = named(*m_lostScreen);
    if (target) {
        m_lostScreen.reset();
    } else {
        target = named(m_hudScreen->name);
        if (!target) {
            // The HUD's display went away (unplugged, switched off): the panels come over to
            // the display under the pointer, placed from the stored offsets as on every
            // showing, so the offsets themselves stay as the user left them.
            if (!m_lostScreen)
                m_lostScreen = m_hudScreen->name;
            target = pointerScreen();
        }
    }
    if (*target == *m_hudScreen)
        return;
    // The editor covers the display it was opened on; it ends rather than edit a display that
    // has gone or changed under it. What was dropped is already stored.
    if (m_layoutEdit.isActive())
        m_layoutEdit.leave();
    moveHUD(*target);
    if (m_isVisible)
        m_gazeAndPlayback.refreshGaze();
}

void FloatingHUDPanelController::handleEscape()
{
    if (m_layoutEdit.isActive()) {
        m_layoutEdit.leave();
        return;
    }
    if (m_confirmVisible) {
        play(PanelCue::cancel);
        dismissConfirm(true);
        return;
    }
    for (HUDWidgetID id : {inventory, skills, equipment, questLog}) {
        if (m_panels.isShown(id)) {
            play(PanelCue::cancel);
            closePanel(id);
            return;
        }
    }
    if (m_menuVisible) {
        play(PanelCue::cancel);
        closeMenu();
        noteMenuActivity();
        return;
    }
    hide();
}

void FloatingHUDPanelController::toggleLayoutEditing()
{
    if (m_layoutEdit.isActive()) {
        m_layoutEdit.leave();
        return;
    }
    if (!m_isVisible)
        show();
    if (!m_menuVisible)
        toggleMenu();
    if (m_panels.isEmpty())
        return;
    if (!m_hudScreen)
        m_hudScreen = pointerScreen();
    m_layoutEdit.enter(*m_hudScreen);
}

void FloatingHUDPanelController::applyWidgetChanges()
{
    if (m_isVisible) {
        const ScreenInfo screen = menuScreen();
        QList<HUDWidgetID> toShow;
        for (const auto &t : HUDWidgetSettings::toggleable()) {
            const HUDWidgetID id = t.id;
            if (id == targetCursor || id == nowPlaying)
                continue;
            const bool hidden = m_stores.widgets.isHidden(id);
            if (hidden && m_panels.isShown(id)) {
                fadeOut(id);
            } else if (!hidden && !m_panels.isShown(id)) {
                if (HUDLayout::menuTrio().contains(id) && !m_menuVisible)
                    continue;
                toShow << id;
            }
        }
        m_panels.slideIn(toShow, screen);
        if (m_stores.widgets.isHidden(targetCursor)) {
            if (m_panels.isShown(targetCursor))
                fadeOut(targetCursor);
        } else {
            m_gazeAndPlayback.refreshGaze();
        }
        if (m_stores.widgets.isHidden(nowPlaying)) {
            if (m_panels.isShown(nowPlaying))
                fadeOut(nowPlaying);
        } else {
            m_gazeAndPlayback.refreshPlaying();
        }
    }
    m_idle.restartReadouts();
    noteMenuActivity();
}
