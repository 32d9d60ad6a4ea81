#pragma once

#include <QWidget>

class EditorView;
class WindowSystem;

// The borderless window the layout editor draws in. It covers one whole screen above the HUD's
// panels and takes every press on that screen and the keyboard, so Escape reaches the editor.
class EditorPanel final : public QWidget
{
    Q_OBJECT
public:
    explicit EditorPanel(WindowSystem &windows);
    ~EditorPanel() override;

    // Makes `view` the panel's only content, filling it.
    void setView(EditorView *view);
    EditorView *view() const { return m_view; }

    // Raises the panel above our other panels and asks for the keyboard focus for its view.
    void takeKeyboard();
    // The same, and where the focus did not come, holds the keyboard until the panel hides.
    void holdKeyboardUnlessFocused();
    bool holdsKeyboard() const { return m_grabbing; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tryKeyboardGrab();
    void releaseKeyboardGrab();
    void scheduleRaise();

    WindowSystem &m_windows;
    EditorView *m_view = nullptr;
    bool m_grabbing = false;
    int m_grabAttempts = 0;
    bool m_raisePending = false;
};
