#pragma once

#include "hud/PanelWindow.h"

#include <QList>

// A panel that finishes every animation at once, delay ignored, and remembers what was asked.
class FakePanelWindow final : public PanelWindow
{
public:
    struct Animation
    {
        double alpha;
        std::optional<QRectF> frame;
        double duration, delay;
    };

    QRectF frame() const override { return m_frame; }
    void setFrame(const QRectF &frame) override { m_frame = frame; }
    void orderFront() override { m_visible = true; }
    void orderOut() override { m_visible = false; }
    bool isVisible() const override { return m_visible; }
    double alpha() const override { return m_alpha; }
    void setAlpha(double alpha) override { m_alpha = alpha; }
    void animate(double alpha, std::optional<QRectF> frame, double duration, double delay,
                 std::function<void()> done) override
    {
        animations.append({alpha, frame, duration, delay});
        m_alpha = alpha;
        m_frame = frame.value_or(m_frame);
        if (done)
            done();
    }
    void stopAnimations() override { }
    void setClickThrough(bool on) override { m_clickThrough = on; }
    bool isClickThrough() const override { return m_clickThrough; }
    bool isKey() const override { return key; }
    void attachContent(double scale) override
    {
        m_content = true;
        contentScale = scale;
    }
    void detachContent() override { m_content = false; }
    bool hasContent() const override { return m_content; }

    bool key = false;
    double contentScale = 0;
    QList<Animation> animations;

private:
    QRectF m_frame;
    bool m_visible = false, m_clickThrough = false, m_content = false;
    double m_alpha = 1;
};
