#pragma once

#include "hud/EditableWidget.h"
#include "platform/Screens.h"

#include <QObject>
#include <QPointer>

class EditorPanel;
class EditorView;
class QVariantAnimation;
class WindowSystem;

// Opens and closes the layout editor: one editor panel at a time, laid over a whole screen.
class LayoutEditor final : public QObject
{
    Q_OBJECT
public:
    LayoutEditor(const Screens &screens, WindowSystem &windows, QObject *parent = nullptr);
    ~LayoutEditor() override;

    // Closes any open editor, then lays a new one over `screen`'s whole frame, in front, with
    // the keyboard, and fades it in. It moves the `widgets` and reports what the user does.
    void open(const ScreenInfo &screen, EditableWidgets widgets);
    // Puts the editor panel away and drops it. Safe from inside the editor's own actions.
    void close();

    EditorPanel *panel() const;
    EditorView *view() const;
    bool isOpen() const;

    // How long the editor takes to fade in, and when it makes sure of its place and the
    // keyboard once more, in seconds.
    static constexpr double fadeInDuration = 0.18;
    static constexpr double settleDelay = 0.15;

signals:
    // What the user does in the open editor (EditorView's signals).
    void widgetDropped(HUDWidgetID id, QPointF origin);
    void resetRequested();
    // The editor is to close; it may be closed from inside this signal.
    void doneRequested();

private:
    const Screens &m_screens;
    WindowSystem &m_windows;
    QPointer<EditorPanel> m_panel;
};
