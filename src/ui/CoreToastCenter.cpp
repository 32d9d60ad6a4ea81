#include "ui/CoreToastCenter.h"

#include "hud/HUDLayout.h"
#include "platform/Clock.h"
#include "platform/Rounding.h"
#include "platform/Screens.h"
#include "ui/ToastView.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

CoreToastCenter::CoreToastCenter(const Screens &screens, const Clock &clock,
                                 std::function<void()> playConfirm, PanelFactory makePanel,
                                 QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_clock(clock)
    , m_playConfirm(std::move(playConfirm))
    , m_makePanel(std::move(makePanel))
{
    m_dismissTimer.setSingleShot(true);
    m_dismissTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_dismissTimer, &QTimer::timeout, this, &CoreToastCenter::tick);
}

CoreToastCenter::~CoreToastCenter() = default;

QWidget *CoreToastCenter::makeContent(QWidget *parent)
{
    // The card is destroyed when the panel is put away, so the dismissal its click asks for runs
    // after the click has been handled, never inside the card's own event handler.
    QPointer<CoreToastCenter> self(this);
    auto onTap = [self] {
        if (self)
            QMetaObject::invokeMethod(self.data(), &CoreToastCenter::dismiss, Qt::QueuedConnection);
    };
    return new ToastView(m_title, m_message, std::move(onTap), parent);
}

void CoreToastCenter::show(const QString &title, const QString &message, double duration)
{
    if (m_screens.screens().isEmpty())
        return;
    const QRectF visible = HUDLayout::screenUnderPointer(m_screens).visibleFrame;

    m_title = title;
    m_message = message;
    const double height = Rounding::ceil(
        std::clamp(ToastView::fittingHeight(title, message, width), minHeight, maxHeight));
    // Model coordinates, y up: QRectF::bottom() of a visible frame is its top edge.
    const QRectF frame(visible.right() - width - inset, visible.bottom() - height - inset, width,
                       height);

    if (!m_panel) {
        QPointer<CoreToastCenter> self(this);
        m_panel = m_makePanel([self](QWidget *parent, double) -> QWidget * {
            return self ? self->makeContent(parent) : nullptr;
        });
        if (!m_panel)
            return;
    }
    m_panel->detachContent();
    m_panel->attachContent(1.0);
    m_panel->setFrame(frame);

    if (!m_panel->isVisible() || m_panel->alpha() <= 0.01) {
        m_panel->setAlpha(0);
        if (m_playConfirm)
            m_playConfirm();
    }
    m_panel->orderFront();
    m_panel->animate(1.0, std::nullopt, fadeInDuration);

    // A later toast always wins: its deadline replaces any earlier one.
    const double seconds = std::clamp(std::isnan(duration) ? 0.0 : duration, 0.0, maxDuration);
    m_dismissAt = m_clock.uptime() + seconds;
    m_dismissTimer.start(int(Rounding::ceil(seconds * 1000)));
}

void CoreToastCenter::tick()
{
    if (!m_dismissAt)
        return;
    const double remaining = *m_dismissAt - m_clock.uptime();
    if (remaining > 0) {
        // The timer came early; wait for the rest.
        m_dismissTimer.start(int(Rounding::ceil(remaining * 1000)) + 1);
        return;
    }
    dismiss();
}

void CoreToastCenter::dismiss()
{
    m_dismissAt.reset();
    m_dismissTimer.stop();
    if (!m_panel || !m_panel->isVisible())
        return;
    PanelWindow *panel = m_panel.get();
    m_panel->animate(0.0, std::nullopt, fadeOutDuration, 0, [panel] {
        panel->orderOut();
        panel->detachContent();
    });
}
