#include "ui/hud/LayoutEditor.h"

#include "platform/Geometry.h"
#include "platform/WindowSystem.h"
#include "ui/hud/EditorPanel.h"
#include "ui/hud/EditorView.h"

#include <QCoreApplication>
#include <QTimer>
#include <QVariantAnimation>

LayoutEditor::LayoutEditor(const Screens &screens, WindowSystem &windows, QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_windows(windows)
{ }

LayoutEditor::~LayoutEditor()
{
    // An editor that outlives the application object must leave its widget alone.
    if (QCoreApplication::instance())
        delete m_panel;
}

EditorPanel *LayoutEditor::panel() const
{
    return m_panel;
}

bool LayoutEditor::isOpen() const
{
    return !m_panel.isNull();
}

EditorView *LayoutEditor::view() const
{
    return m_panel ? m_panel->view() : nullptr;
}

void LayoutEditor::open(const ScreenInfo &screen, EditableWidgets widgets)
{
    close();
    auto *panel = new EditorPanel(m_windows);
    const double primaryHeight = m_screens.mainScreen().frame.height();
    panel->setGeometry(YUp::flip(screen.frame, primaryHeight).toRect());
    auto *view = new EditorView(screen, std::move(widgets));
    connect(view, &EditorView::dropped, this, &LayoutEditor::widgetDropped);
    connect(view, &EditorView::resetPressed, this, &LayoutEditor::resetRequested);
    connect(view, &EditorView::donePressed, this, &LayoutEditor::doneRequested);
    panel->setView(view);
    m_panel = panel;

    const bool fades = m_windows.compositing();
    view->setDrawsPanels(!fades);
    panel->setWindowOpacity(fades ? 0.0 : 1.0);
    panel->show();
    panel->takeKeyboard();
    if (fades) {
        auto *fade = new QVariantAnimation(panel);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        fade->setDuration(int(fadeInDuration * 1000));
        connect(fade, &QVariantAnimation::valueChanged, panel,
                [panel](const QVariant &v) { panel->setWindowOpacity(v.toDouble()); });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
    // By now the window is mapped and the panels that were sliding in have raised themselves:
    // make sure of the editor's place on top and of the keyboard.
    QTimer::singleShot(int(settleDelay * 1000), panel,
                       [panel] { panel->holdKeyboardUnlessFocused(); });
}

void LayoutEditor::close()
{
    if (!m_panel)
        return;
    EditorPanel *panel = m_panel;
    m_panel = nullptr;
    panel->hide();
    // The call may come from the editor's own press or key handler.
    panel->deleteLater();
}
