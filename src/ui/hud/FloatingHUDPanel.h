#pragma once

#include "hud/PanelWindow.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class PanelStack;
class QVariantAnimation;
class Screens;
class WindowSystem;

// The borderless, always-on-top, non-activating panel that hosts one widget's view. The view is
// built by `ContentFactory` when the panel is shown and destroyed when it is put away. It stacks
// itself among the program's other panels through the one PanelStack, which outlives it.
class FloatingHUDPanel final : public QWidget, public PanelWindow
{
    Q_OBJECT
public:
    // Builds the view for a panel at a scale (1 = unscaled); may return nullptr for no view.
    using ContentFactory = std::function<QWidget *(QWidget *parent, double scale)>;

    FloatingHUDPanel(PanelStyle style, ContentFactory content, const Screens &screens,
                     WindowSystem &windows, PanelStack &stack);
    ~FloatingHUDPanel() override;

    // Raises the panel, but never above a shown window kept above the panels.
    void raiseUnderCeiling();

    QRectF frame() const override;
    void setFrame(const QRectF &frame) override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;
    double alpha() const override;
    void setAlpha(double alpha) override;
    void animate(double alpha, std::optional<QRectF> frame, double duration, double delay,
                 std::function<void()> done) override;
    void stopAnimations() override;
    void setClickThrough(bool clickThrough) override;
    bool isClickThrough() const override { return m_clickThrough; }
    bool isKey() const override;
    void attachContent(double scale) override;
    void detachContent() override;
    bool hasContent() const override { return m_content != nullptr; }

    const PanelStyle &style() const { return m_style; }
    QWidget *content() const { return m_content; }

    // Whether a compositing manager runs, so translucency and fades show.
    bool compositing() const;

signals:
    void escapePressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A text field of the view was clicked: the panel takes the keyboard until it is put away.
    void takeKeyboard();
    void applyWindowFlags();
    void applyX11Properties();
    void updateMask();
    void scheduleMaskUpdate();
    QRect toQt(const QRectF &frame) const;

    PanelStyle m_style;
    ContentFactory m_factory;
    const Screens &m_screens;
    WindowSystem &m_windows;
    PanelStack &m_stack;
    QPointer<QWidget> m_content;
    QVariantAnimation *m_animation = nullptr;
    bool m_clickThrough = false;
    double m_alpha = 1.0;
    bool m_maskPending = false;
    bool m_renderingMask = false;
};
