#pragma once

#include "commandbar/CommandBarWindow.h"

#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <chrono>
#include <memory>

class PanelStack;
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

    // How long a shorter list rests before the window is cut to it: about the pause between
    // two keystrokes of steady typing, and more.
    static constexpr std::chrono::milliseconds cutSettleDelay{400};

    QWidget *widget() const { return m_widget.get(); }
    // Cuts the window to its frame now (what a shorter list gets once it rests), so clicks
    // below the frame reach the windows beneath.
    void cutToFrame();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The part of the window the bar's frame covers, from its top.
    QRect visibleRect() const;

    const Screens &m_screens;
    WindowSystem &m_windows;
    std::unique_ptr<QWidget> m_widget;
    QPointer<QWidget> m_content;
    QVariantAnimation m_fade;
    bool m_prepared = false;
    bool m_wasActive = false;
    int m_visibleHeight = 0;
    // The height the window is cut to, and the wait for a shorter list to rest before the cut
    // follows it.
    int m_cutHeight = 0;
    QTimer m_cutSettle;
};
