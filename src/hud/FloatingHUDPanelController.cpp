#include "hud/FloatingHUDPanelController.h"

#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Logging.h"

#include <QPointer>

using enum HUDWidgetID;

FloatingHUDPanelController::FloatingHUDPanelController(Screens &screens, const Clock &clock,
                                                       Stores stores, PanelFactory factory,
                                                       QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_stores(stores)
    , m_panels(stores.layout, std::move(factory))
    , m_follower(screens, clock, m_panels, m_state)
    , m_idle(clock, stores.settings, m_state, m_panels, m_follower)
    , m_layoutEdit(m_panels, stores.layout, m_state, screens)
    , m_gazeAndPlayback(screens, m_panels, stores.widgets, m_state)
{
    connect(&m_idle, &IdleRules::readoutsExpired, this, &FloatingHUDPanelController::hide);
    connect(&m_idle, &IdleRules::menuIdle, this, &FloatingHUDPanelController::menuIdle);
    connect(&m_follower, &PointerFollower::dwelt, this, [this](const ScreenInfo &screen) {
        m_lostScreen.reset();
        moveHUD(screen);
    });
    connect(&m_gazeAndPlayback, &FollowingReadouts::crampedChanged, this,
            &FloatingHUDPanelController::crampedChanged);
    connect(&m_stores.notifications, &HUDNotifications::widgetsChanged, this,
            &FloatingHUDPanelController::applyWidgetChanges, Qt::QueuedConnection);
    connect(&m_screens, &Screens::changed, this, &FloatingHUDPanelController::screensChanged);
}

FloatingHUDPanelController::~FloatingHUDPanelController() = default;

void FloatingHUDPanelController::menuIdle()
{
    if (m_state.menuVisible) {
        closeMenu();
    } else {
        putSubPanelsAway();
        emit play(SoundCue::close);
    }
}

ScreenInfo FloatingHUDPanelController::pointerScreen() const
{
    return HUDLayout::screenUnderPointer(m_screens);
}

ScreenInfo FloatingHUDPanelController::menuScreen() const
{
    if (m_state.hudScreen)
        return *m_state.hudScreen;
    return pointerScreen();
}

void FloatingHUDPanelController::start()
{
    m_panels.ensureCreated(m_screens);
}

void FloatingHUDPanelController::show()
{
    start();
    if (m_panels.isEmpty())
        return;
    m_state.isVisible = true;
    // The readout services follow the store and start polling now.
    m_stores.visibility.setVisible(true);
    dismissConfirm(false);
    emit play(SoundCue::open);
    m_state.hudScreen = pointerScreen();
    m_lostScreen.reset();
    qCDebug(lcHud) << "HUD shown on" << m_state.hudScreen->name;
    QList<HUDWidgetID> readouts;
    for (const WidgetSpec &spec : HUDLayout::readoutSpecs()) {
        if (spec.id == targetCursor || spec.id == nowPlaying)
            continue;
        if (m_stores.widgets.isHidden(spec.id))
            continue;
        readouts << spec.id;
    }
    m_panels.slideIn(readouts, *m_state.hudScreen);
    m_follower.start();
    pointerUpdate();
    m_idle.restartReadouts();
    // The gaze and playback may already be known: place their panels now.
    m_gazeAndPlayback.refreshGaze();
    m_gazeAndPlayback.refreshPlaying();
}

void FloatingHUDPanelController::fadeOut(HUDWidgetID id, double duration)
{
    m_panels.fadeOut(id, duration);
}

void FloatingHUDPanelController::hide()
{
    m_idle.stopReadouts();
    if (m_state.layoutEditing)
        leaveLayoutEditing();
    putSubPanelsAway();
    dismissConfirm(false);
    emit closeCommandBar();
    emit dismissToast();
    if (m_state.isVisible) {
        qCDebug(lcHud) << "HUD hidden";
        m_state.isVisible = false;
        m_stores.visibility.setVisible(false);
        m_follower.stop();
        m_gazeAndPlayback.forgetPointer();
        if (m_panels.isShown(nowPlaying))
            fadeOut(nowPlaying);
        if (m_panels.isShown(targetCursor))
            fadeOut(targetCursor);
        emit play(SoundCue::close);
        m_state.menuVisible = false;
        for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it) {
            if (it.value()->isVisible())
                fadeOut(it.key());
        }
    }
    noteMenuActivity();
}

void FloatingHUDPanelController::toggleHUD()
{
    if (!m_state.isVisible) {
        const bool somethingOpen = m_panels.subPanelShown() || m_panels.isShown(confirmLogout)
            || m_state.commandBarVisible;
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
    if (!m_state.menuVisible) {
        if (!m_state.isVisible)
            show();
        if (m_panels.isEmpty())
            return;
        m_state.menuVisible = true;
        qCDebug(lcHud) << "menu opened";
        emit play(SoundCue::open);
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
    m_state.menuVisible = false;
    emit play(SoundCue::close);
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
    emit play(SoundCue::select);
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
    m_state.confirmVisible = true;
    emit play(SoundCue::select);
    m_panels.fadeIn(confirmLogout, 1.0, m_panels.placedFrame(confirmLogout, pointerScreen()), 0.2);
}

void FloatingHUDPanelController::dismissConfirm(bool animated)
{
    m_state.confirmVisible = false;
    m_panels.dismiss(confirmLogout, animated ? 0.18 : 0);
}

void FloatingHUDPanelController::moveHUD(const ScreenInfo &screen)
{
    const ScreenInfo previous = m_state.hudScreen.value_or(screen);
    qCDebug(lcHud) << "HUD moves from" << previous.name << "to" << screen.name;
    m_state.hudScreen = screen;
    m_panels.moveShown(previous, screen);
}

void FloatingHUDPanelController::screensChanged()
{
    const QList<ScreenInfo> all = m_screens.screens();
    // With no display at all there is nowhere to go: the panels wait where they are.
    if (!m_state.hudScreen || all.isEmpty())
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
        target = named(m_state.hudScreen->name);
        if (!target) {
            // The HUD's display went away (unplugged, switched off): the panels come over to
            // the display under the pointer, placed from the stored offsets as on every
            // showing, so the offsets themselves stay as the user left them.
            if (!m_lostScreen)
                m_lostScreen = m_state.hudScreen->name;
            target = pointerScreen();
        }
    }
    if (*target == *m_state.hudScreen)
        return;
    // The editor covers the display it was opened on; it ends rather than edit a display that
    // has gone or changed under it. What was dropped is already stored.
    if (m_state.layoutEditing)
        leaveLayoutEditing();
    moveHUD(*target);
    if (m_state.isVisible)
        m_gazeAndPlayback.refreshGaze();
}

void FloatingHUDPanelController::handleEscape()
{
    if (m_state.layoutEditing) {
        leaveLayoutEditing();
        return;
    }
    if (m_state.confirmVisible) {
        emit play(SoundCue::cancel);
        dismissConfirm(true);
        return;
    }
    for (HUDWidgetID id : {inventory, skills, equipment, questLog}) {
        if (m_panels.isShown(id)) {
            emit play(SoundCue::cancel);
            closePanel(id);
            return;
        }
    }
    if (m_state.menuVisible) {
        emit play(SoundCue::cancel);
        closeMenu();
        noteMenuActivity();
        return;
    }
    hide();
}

void FloatingHUDPanelController::toggleLayoutEditing()
{
    if (m_state.layoutEditing) {
        leaveLayoutEditing();
        return;
    }
    if (!m_state.isVisible)
        show();
    if (!m_state.menuVisible)
        toggleMenu();
    if (m_panels.isEmpty())
        return;
    if (!m_state.hudScreen)
        m_state.hudScreen = pointerScreen();
    enterLayoutEditing(*m_state.hudScreen);
}

void FloatingHUDPanelController::enterLayoutEditing(const ScreenInfo &screen)
{
    m_state.layoutEditing = true;
    qCDebug(lcHud) << "layout editing on" << screen.name;
    for (HUDWidgetID id : m_layoutEdit.holdPanelsStill())
        m_follower.forget(id);
    const QPointer<FloatingHUDPanelController> self(this);
    emit openLayoutEditor(
        screen, [self] { return self ? self->editableWidgets() : QList<EditableWidget>{}; });
}

void FloatingHUDPanelController::endLayoutEditing()
{
    if (m_state.layoutEditing)
        leaveLayoutEditing();
}

void FloatingHUDPanelController::leaveLayoutEditing()
{
    m_state.layoutEditing = false;
    qCDebug(lcHud) << "layout editing ends";
    emit closeLayoutEditor();
    m_layoutEdit.releasePanels();
    pointerUpdate();
    noteMenuActivity();
    emit play(SoundCue::close);
}

void FloatingHUDPanelController::applyWidgetChanges()
{
    if (m_state.isVisible) {
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
                if (HUDLayout::menuTrio().contains(id) && !m_state.menuVisible)
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
