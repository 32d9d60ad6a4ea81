#include "commandbar/CommandBarController.h"

#include "commandbar/CommandBarWindow.h"
#include "hud/HUDLayout.h"
#include "platform/Logging.h"
#include "platform/Screens.h"

#include <algorithm>

CommandBarController::CommandBarController(const Screens &screens,
                                           std::unique_ptr<CommandBarModel> model, Hooks hooks,
                                           QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_model(std::move(model))
    , m_hooks(std::move(hooks))
{
    connect(m_model.get(), &CommandBarModel::closeRequested, this, &CommandBarController::close);
    connect(m_model.get(), &CommandBarModel::soundCue, this, &CommandBarController::soundCue);
}

CommandBarController::~CommandBarController()
{
    disconnect(m_resultsSink);
    disconnect(m_resignObserver);
}

bool CommandBarController::isVisible() const
{
    return m_window && m_window->isVisible();
}

void CommandBarController::toggle()
{
    if (isVisible())
        close();
    else
        show();
}

double CommandBarController::heightFor(int rows)
{
    return std::max(rows, 1) * rowHeight + 71 + 30 + 6 + 20;
}

QRectF CommandBarController::frameFor(int rows, const ScreenInfo &screen)
{
    const QRectF visible = screen.visibleFrame;
    const double h = heightFor(rows);
    // y up: the visible frame's top is its bottom plus its height.
    const double top = visible.y() + visible.height();
    return QRectF(visible.x() + visible.width() / 2 - width / 2, top - 0.2 * visible.height() - h,
                  width, h);
}

void CommandBarController::show()
{
    const ScreenInfo screen = HUDLayout::screenUnderPointer(m_screens);
    if (screen.frame.isEmpty())
        return;
    m_screen = screen;
    emit aboutToShow();
    m_model->setQuery(QString());

    if (!m_window) {
        if (!m_hooks.makeWindow)
            return;
        m_window = m_hooks.makeWindow();
        if (!m_window)
            return;
    }
    // A show while shown (from `show` itself, not `toggle`) starts over cleanly.
    disconnect(m_resultsSink);
    disconnect(m_resignObserver);
    m_window->setContent(m_hooks.makeView ? m_hooks.makeView(*m_model) : nullptr);
    m_window->setFrame(frameFor(int(m_model->results().size()), screen));
    emit soundCue(SoundCue::open, openVolume);
    qCDebug(lcCommandBar) << "bar opens with" << m_model->results().size() << "rows on"
                          << screen.name;
    m_window->present(fadeInDuration);
    noteVisibility();
    m_model->pulseFocus();

    QPointer<CommandBarController> self(this);
    QPointer<CommandBarWindow> window(m_window.get());
    m_resultsSink = connect(
        m_model.get(), &CommandBarModel::resultsChanged, this,
        [self, window] {
            if (self && window && window->isVisible())
                self->place();
        },
        Qt::QueuedConnection);
    m_resignObserver = connect(
        m_window.get(), &CommandBarWindow::resignedKey, this,
        [self] {
            if (self)
                self->close();
        },
        Qt::QueuedConnection);
}

void CommandBarController::place()
{
    // A screen unplugged while the bar is open leaves it on the one under the pointer.
    if (!m_screens.screens().contains(m_screen))
        m_screen = HUDLayout::screenUnderPointer(m_screens);
    if (m_screen.frame.isEmpty())
        return;
    m_window->setFrame(frameFor(int(m_model->results().size()), m_screen));
}

void CommandBarController::close()
{
    disconnect(m_resignObserver);
    disconnect(m_resultsSink);
    if (m_window && m_window->isVisible()) {
        m_window->orderOut();
        m_window->setContent(nullptr);
    }
    noteVisibility();
}

void CommandBarController::noteVisibility()
{
    const bool visible = isVisible();
    if (visible == m_announcedVisible)
        return;
    m_announcedVisible = visible;
    emit visibleChanged(visible);
}
