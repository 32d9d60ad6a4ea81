#pragma once

#include "ui/hud/FloatingHUDPanel.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class PanelWindow;
class Screens;

// The one presenter of toasts: short message cards that fade in at the top-right corner of the
// screen under the pointer and put themselves away after a few seconds. Only one toast exists at
// a time; a new one replaces the text of the one on screen and restarts its time. Main thread
// only.
class CoreToastCenter final : public QObject
{
    Q_OBJECT
public:
    // Builds the toast's panel around the factory of its content.
    using PanelFactory
        = std::function<std::unique_ptr<PanelWindow>(FloatingHUDPanel::ContentFactory content)>;

    static constexpr double width = 340;
    static constexpr double minHeight = 64;
    static constexpr double maxHeight = 320;
    // Distance from the top-right corner of the visible frame.
    static constexpr double inset = 28;
    static constexpr double fadeInDuration = 0.2;
    static constexpr double fadeOutDuration = 0.18;
    static constexpr float confirmVolume = 0.6f;
    // Longer durations are cut to this (a day), which keeps the timer's milliseconds in range.
    static constexpr double maxDuration = 86400;

    CoreToastCenter(const Screens &screens, const Clock &clock, std::function<void()> playConfirm,
                    PanelFactory makePanel, QObject *parent = nullptr);
    ~CoreToastCenter() override;

    // Shows `title` and `message` (which may be empty) for `duration` seconds.
    void show(const QString &title, const QString &message, double duration = 5.0);
    // Fades the toast out now; its pending deadline is dropped.
    void dismiss();
    // Dismisses the toast once its deadline has come.
    void tick();

    // The panel, or nullptr before the first toast.
    PanelWindow *panel() const { return m_panel.get(); }
    // Uptime at which the toast on screen goes away, if one is pending.
    std::optional<double> dismissAt() const { return m_dismissAt; }
    const QString &title() const { return m_title; }
    const QString &message() const { return m_message; }

private:
    QWidget *makeContent(QWidget *parent);

    const Screens &m_screens;
    const Clock &m_clock;
    std::function<void()> m_playConfirm;
    PanelFactory m_makePanel;
    std::unique_ptr<PanelWindow> m_panel;
    std::optional<double> m_dismissAt;
    QTimer m_dismissTimer;
    QString m_title;
    QString m_message;
};
