#include "ui/PulseRing.h"
#include "ui/FlashModifier.h"

#include <QImage>
#include <QVariantAnimation>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

int animationsOf(const QObject &object)
{
    return int(object.findChildren<QAbstractAnimation *>().size());
}

} // namespace

TEST(PulseRing, RestsInvisibleKeepsOnePulseWhenActivatedTwiceAndDropsItWhenDeactivated)
{
    PulseRing ring;
    EXPECT_FALSE(ring.isActive());
    EXPECT_EQ(ring.ringOpacity(), 0.0);
    EXPECT_EQ(ring.pulseAnimation(), nullptr);
    EXPECT_TRUE(ring.testAttribute(Qt::WA_TransparentForMouseEvents));

    ring.setActive(true);
    QVariantAnimation *pulse = ring.pulseAnimation();
    ASSERT_NE(pulse, nullptr);
    pulse->setCurrentTime(700);
    ASSERT_GT(ring.ringOpacity(), 0.5);
    ring.setActive(true);
    EXPECT_EQ(ring.pulseAnimation(), pulse);
    EXPECT_EQ(animationsOf(ring), 1);
    EXPECT_EQ(pulse->state(), QAbstractAnimation::Running);
    EXPECT_EQ(pulse->currentTime(), 700) << "a second activation must not restart the pulse";

    ring.setActive(false);
    EXPECT_EQ(ring.ringOpacity(), 0.0);
    EXPECT_EQ(ring.pulseAnimation(), nullptr);
    EXPECT_EQ(animationsOf(ring), 0);
    ring.setActive(true);
    EXPECT_EQ(animationsOf(ring), 1) << "the ring can pulse again";
}

TEST(PulseRing, SwingsUpAndBackDownForeverAsAGoldRingInsideItsBounds)
{
    PulseRing ring;
    ring.resize(60, 40);
    EXPECT_EQ(ring.ringRect(), QRectF(1.5, 1.5, 57, 37));
    ring.setActive(true);
    QVariantAnimation *pulse = ring.pulseAnimation();
    EXPECT_EQ(pulse->loopCount(), -1);
    const int half = PulseRing::halfPeriodMs;
    // Eased at both ends, and the way back mirrors the way up.
    pulse->setCurrentTime(70);
    const double early = ring.ringOpacity();
    EXPECT_LT(early - 0.1, 0.05 * (0.95 - 0.1));
    pulse->setCurrentTime(2 * half - 70);
    EXPECT_NEAR(ring.ringOpacity(), early, 1e-3);
    for (const auto &[ms, opacity] : {std::pair{0, 0.1}, {2 * half - 1, 0.1}, {half, 0.95}}) {
        pulse->setCurrentTime(ms);
        EXPECT_NEAR(ring.ringOpacity(), opacity, 1e-3) << ms << " ms";
    }

    QImage image(ring.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    ring.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    const QColor left = image.pixelColor(2, 20);
    EXPECT_GT(left.red(), 150);
    EXPECT_GT(left.red(), left.blue() + 100) << "gold, not grey";
    EXPECT_EQ(image.pixelColor(30, 20), QColor(Qt::black)) << "no fill";
}

TEST(FlashModifier, RingCoversTheTargetFollowsItsSizeStaysOnTopAndPulses)
{
    QWidget target;
    target.resize(80, 50);
    auto *flash = new FlashModifier(&target);
    target.show();
    EXPECT_EQ(flash->ring()->geometry(), QRect(0, 0, 80, 50));
    target.resize(120, 30);
    EXPECT_EQ(flash->ring()->geometry(), QRect(0, 0, 120, 30));
    // Widgets later in the child list stack on top: the ring stays above a late child.
    auto *late = new QWidget(&target);
    EXPECT_GT(target.children().indexOf(flash->ring()), target.children().indexOf(late));

    flash->setActive(true);
    EXPECT_TRUE(flash->isActive());
    EXPECT_NE(flash->ring()->pulseAnimation(), nullptr);
    flash->setActive(false);
    EXPECT_EQ(flash->ring()->ringOpacity(), 0.0);
}
