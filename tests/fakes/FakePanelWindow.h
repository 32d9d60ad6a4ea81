#pragma once

#include "hud/PanelWindow.h"

#include <QList>

// A panel that finishes every animation at once (after its delay, which it ignores) and
// remembers what was asked of it.
class FakePanelWindow final : public PanelWindow
{
public:
    struct Animation
    {
        double alpha;
        std::optional<QRectF> frame;
        double duration;
        double delay;
    };

    QRectF frame() const override { return m_frame; }
    void setFrame(const QRectF &frame) override { m_frame = frame; }
    void orderFront() override
    {
        m_visible = true;
        ++ordersFront;
    }
    void orderOut() override { m_visible = false; }
    bool isVisible() const override { return m_visible; }
    double alpha() const override { return m_alpha; }
    void setAlpha(double alpha) override { m_alpha = alpha; }
    void animate(double alpha, std::optional<QRectF> frame, double duration, double delay,
                 std::function<void()> done) override
    {
        animations.append({alpha, frame, duration, delay});
        m_alpha = alpha;
        if (frame)
            m_frame = *frame;
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
    int ordersFront = 0;
    double contentScale = 0;
    QList<Animation> animations;

private:
    QRectF m_frame;
    bool m_visible = false;
    double m_alpha = 1;
    bool m_clickThrough = false;
    bool m_content = false;
};
