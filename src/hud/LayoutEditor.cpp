#include "hud/LayoutEditor.h"

#include "hud/EditorPanel.h"
#include "hud/EditorView.h"
#include "hud/FloatingHUDPanel.h"
#include "platform/Geometry.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QTimer>
#include <QVariantAnimation>

LayoutEditor::LayoutEditor(const Screens &screens, QObject *parent)
    : QObject(parent)
    , m_screens(screens)
{ }

LayoutEditor::~LayoutEditor()
{
    // The shared editor outlives the application object; widgets may not.
    if (QCoreApplication::instance())
        delete m_panel;
}

LayoutEditor &LayoutEditor::shared()
{
    static LayoutEditor instance(*Platform::installed().screens);
    return instance;
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

void LayoutEditor::open(const ScreenInfo &screen, EditorActions actions)
{
    close();
    auto *panel = new EditorPanel;
    const double primaryHeight = m_screens.mainScreen().frame.height();
    panel->setGeometry(YUp::flip(screen.frame, primaryHeight).toRect());
    auto *view = new EditorView(screen, std::move(actions));
    panel->setView(view);
    m_panel = panel;

    const bool fades = FloatingHUDPanel::compositing();
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
