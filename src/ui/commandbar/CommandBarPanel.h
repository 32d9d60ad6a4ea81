#pragma once

#include "commandbar/CommandBarWindow.h"

#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <memory>

class CommandBarView;
class PanelStack;
class QRegion;
class WindowCanvas;
class Screens;
class WindowSystem;

// The command bar's top-level window. It stays on top and out of taskbars like the HUD's
// panels, but it takes keyboard focus: the window manager is asked to focus it with a fresh
// server time, since the program is usually not the active app when the hot key is pressed.
class CommandBarPanel final : public CommandBarWindow
{
    Q_OBJECT
public:
    // The bar stays above the panels of `stack`.
    CommandBarPanel(const Screens &screens, WindowSystem &windows, PanelStack &stack,
                    QObject *parent = nullptr);
    ~CommandBarPanel() override;

    QRectF frame() const override;
    void setFrame(const QRectF &frame) override;
    void setContent(QWidget *view) override;
    bool hasContent() const override { return !m_content.isNull(); }
    void present(double fadeDuration) override;
    void orderOut() override;
    bool isVisible() const override;

    QWidget *widget() const { return m_widget.get(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The part of the window the bar's frame covers, from its top.
    QRect visibleRect() const;
    // Fits what the window shows and where it takes presses to the frame's part of it.
    void cutToFrame();
    // Lets presses reach the window only within `rect`; false where the window system cannot.
    bool cutInput(const QRect &rect);
    // Sends the input cut that waits, if one does.
    void sendInputCut();
    // Paints `region` of `view` into the window's backing store and puts it on screen
    // through the canvas, ahead of the toolkit's repaint; false where it cannot.
    bool paintNow(CommandBarView *view, const QRegion &region);

    const Screens &m_screens;
    WindowSystem &m_windows;
    std::unique_ptr<QWidget> m_widget;
    QPointer<QWidget> m_content;
    QVariantAnimation m_fade;
    bool m_prepared = false;
    bool m_wasActive = false;
    int m_visibleHeight = 0;
    // The window and the part of it that takes presses, and the wait for a keystroke's
    // repaint to be sent before a new part is.
    WId m_inputWindow = 0;
    QRect m_inputCut;
    QTimer m_inputCutLater;
    // Made just after each showing and dropped at its end, with its shared memory.
    std::unique_ptr<WindowCanvas> m_canvas;
};
