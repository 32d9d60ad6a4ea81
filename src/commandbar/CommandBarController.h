#pragma once

#include "commandbar/CommandBarModel.h"
#include "platform/Screens.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRectF>

#include <functional>
#include <memory>

class CommandBarWindow;
class Screens;

// Shows, places and hides the command bar: a launcher in the upper middle of the screen under
// the pointer. The window is made once and reused; its view is rebuilt at every showing.
class CommandBarController final : public QObject
{
    Q_OBJECT
public:
    static constexpr double width = 640;
    static constexpr double rowHeight = 46;
    static constexpr double fadeInDuration = 0.15;
    static constexpr float openVolume = 0.7f;

    struct Hooks
    {
        std::function<std::unique_ptr<CommandBarWindow>()> makeWindow;
        std::function<QWidget *(CommandBarModel &model)> makeView;
    };

    CommandBarController(const Screens &screens, std::unique_ptr<CommandBarModel> model,
                         Hooks hooks, QObject *parent = nullptr);
    ~CommandBarController() override;

    CommandBarModel &model() const { return *m_model; }
    CommandBarWindow *window() const { return m_window.get(); }
    bool isVisible() const;

    void toggle();
    void show();
    void close();

    // The bar's frame for `rows` rows on a screen: 640 wide, the top edge 20 % of the visible
    // height below the top of the visible frame, one row's height for an empty list.
    static QRectF frameFor(int rows, const ScreenInfo &screen);
    static double heightFor(int rows);

signals:
    // The bar came on screen or went.
    void visibleChanged(bool visible);
    // At every showing, before the first search: the sources may refresh themselves (rescan the
    // installed apps when stale, reload the skills).
    void aboutToShow();
    // The bar's sounds: its opening, and the model's moves and choices.
    void soundCue(SoundCue cue, float volume);

private:
    void place();
    // Announces the window's visibility when it differs from what was last announced.
    void noteVisibility();

    const Screens &m_screens;
    std::unique_ptr<CommandBarModel> m_model;
    Hooks m_hooks;
    std::unique_ptr<CommandBarWindow> m_window;
    // The screen the bar opened on: it grows and shrinks there as the results change, wherever
    // the pointer wanders meanwhile.
    ScreenInfo m_screen;
    QMetaObject::Connection m_resultsSink;
    QMetaObject::Connection m_resignObserver;
    bool m_announcedVisible = false;
};
