#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class FloatingHUDPanel;
class QWidget;
class WindowSystem;

// The stacking of the program's panels, one for the whole program: every FloatingHUDPanel, in
// the order they were made, and the windows of ours that belong above them (the command bar).
// A panel raised goes under a shown window kept above, and puts the higher levels back above
// itself.
class PanelStack final : public QObject
{
    Q_OBJECT
public:
    explicit PanelStack(WindowSystem &windows, QObject *parent = nullptr);
    ~PanelStack() override;

    // Each panel adds itself when made and removes itself when destroyed.
    void add(FloatingHUDPanel *panel);
    void remove(FloatingHUDPanel *panel);
    const QList<FloatingHUDPanel *> &panels() const { return m_panels; }

    // `window` (one of ours, such as the command bar) goes back above the panels whenever they
    // raise themselves, for as long as it is shown; it may be deleted at any time.
    void keepAbovePanels(QWidget *window);
    // The shown window that belongs above the panels, if any.
    QWidget *ceiling() const;

    // WORKAROUND(X11 window managers): a window the manager does not manage is not kept above
    // the others; raising another app's window covers it. While such a panel is shown, the
    // shown panels are raised again every two seconds, in level order.
    void restackUnmanaged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Whether `panels` (unmanaged, bottom to top) already are the topmost shown windows.
    bool onTopInOrder(const QList<FloatingHUDPanel *> &panels) const;

    WindowSystem &m_windows;
    QList<FloatingHUDPanel *> m_panels;
    QList<QPointer<QWidget>> m_windowsAbove;
    QTimer m_restackTimer;
};
