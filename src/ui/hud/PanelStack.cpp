#include "ui/hud/PanelStack.h"

#include "platform/WindowSystem.h"
#include "ui/hud/FloatingHUDPanel.h"

#include <QEvent>

#include <algorithm>

namespace {

bool bypassesWindowManager(const FloatingHUDPanel *p)
{
    return p->windowFlags().testFlag(Qt::X11BypassWindowManagerHint);
}

} // namespace

PanelStack::PanelStack(WindowSystem &windows, QObject *parent)
    : QObject(parent)
    , m_windows(windows)
{
    m_restackTimer.setInterval(2000);
    m_restackTimer.setTimerType(Qt::VeryCoarseTimer); // on the second, with the readouts' polls
    connect(&m_restackTimer, &QTimer::timeout, this, &PanelStack::restackUnmanaged);
}

PanelStack::~PanelStack() = default;

void PanelStack::add(FloatingHUDPanel *panel)
{
    m_panels.append(panel);
}

void PanelStack::remove(FloatingHUDPanel *panel)
{
    m_panels.removeAll(panel);
}

void PanelStack::keepAbovePanels(QWidget *window)
{
    m_windowsAbove.append(window);
    // Shown, the window is raised by the window manager among the windows it manages; the
    // panels it does not manage go under it at once and again once the manager is done.
    window->installEventFilter(this);
}

bool PanelStack::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        QTimer::singleShot(0, this, &PanelStack::restackUnmanaged);
        QTimer::singleShot(200, this, &PanelStack::restackUnmanaged);
    }
    return QObject::eventFilter(watched, event);
}

QWidget *PanelStack::ceiling() const
{
    for (const QPointer<QWidget> &w : m_windowsAbove) {
        if (w && w->isVisible())
            return w;
    }
    return nullptr;
}

void PanelStack::restackUnmanaged()
{
    QList<FloatingHUDPanel *> shown;
    bool anyUnmanaged = false;
    for (FloatingHUDPanel *p : std::as_const(m_panels)) {
        if (p->QWidget::isVisible()) {
            shown << p;
            anyUnmanaged = anyUnmanaged || bypassesWindowManager(p);
        }
    }
    if (!anyUnmanaged || shown.isEmpty()) {
        m_restackTimer.stop();
        return;
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](auto *a, auto *b) { return a->style().level < b->style().level; });
    if (!m_restackTimer.isActive())
        m_restackTimer.start();
    // Raising what is already on top in order would only have the compositor repaint and
    // every window lister read the desktop again.
    if (!ceiling() && std::ranges::all_of(shown, bypassesWindowManager) && onTopInOrder(shown))
        return;
    for (FloatingHUDPanel *p : shown)
        p->raiseUnderCeiling();
}

bool PanelStack::onTopInOrder(const QList<FloatingHUDPanel *> &panels) const
{
    if (panels.isEmpty())
        return false;
    QList<quintptr> ids;
    for (FloatingHUDPanel *p : panels)
        ids << p->winId();
    return m_windows.onTopInOrder(ids);
}
