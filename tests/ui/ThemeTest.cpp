#include "ui/CachedPaint.h"
#include "ui/CoreCircleIcon.h"
#include "ui/CoreCircleIconButton.h"
#include "ui/CoreFrostPanel.h"
#include "ui/CorePressButtonStyle.h"
#include "ui/CoreShapes.h"
#include "ui/CoreSpringAnimation.h"
#include "ui/CoreTheme.h"
#include "ui/CoreWhiteCard.h"
#include "ui/FlashModifier.h"
#include "ui/PulseRing.h"
#include "ui/Symbols.h"
#include "widgets/WidgetTestSupport.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>
#include <QVariantAnimation>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

using WidgetTest::near, WidgetTest::painted;

// The glyphs the icon font shapes `text` into; a ligature it knows is exactly one.
QList<quint32> shape(const QString &text)
{
    QTextLayout layout(text, Symbols::font(24));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QList<quint32> glyphs;
    for (const QGlyphRun &run : layout.glyphRuns())
        glyphs += run.glyphIndexes();
    return glyphs;
}

// Bounding box of the pixels `sfName` inks when drawn into `rect`.
QRectF inkOf(const QString &sfName, const QRectF &rect)
{
    const QImage image = painted(
        {100, 100}, [&](QPainter &p) { Symbols::draw(p, rect, sfName, Qt::black, 30); },
        Qt::transparent);
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 64)
                box |= QRect(x, y, 1, 1);
    return box;
}

bool isWhite(const QColor &c)
{
    return c.red() > 225 && c.green() > 225 && c.blue() > 225;
}

QImage paintIcon(const CoreCircleIcon &icon)
{
    return painted({140, 100}, [&](QPainter &painter) { icon.paint(painter, {80, 50}); });
}

} // namespace

TEST(ThemeFonts, SymbolsAreOneGlyphDistinctPerStateAndCentredLayoutPointsArePixels)
{
    ASSERT_EQ(QFontInfo(Symbols::font(24)).family(), "Material Icons");
    ASSERT_FALSE(Symbols::names().isEmpty());
    // Drawn by character: each character is the glyph its word shapes to in the installed font.
    const QRawFont raw = QRawFont::fromFont(Symbols::font(24));
    const auto glyphOf
        = [&](char32_t c) { return raw.glyphIndexesForString(QString::fromUcs4(&c, 1)); };
    for (const QString &name : Symbols::names()) {
        const QList<quint32> shaped = shape(Symbols::ligature(name));
        EXPECT_EQ(shaped.size(), 1) << name.toStdString();
        EXPECT_EQ(glyphOf(Symbols::codePoint(name)), shaped) << name.toStdString();
    }

    EXPECT_FALSE(Symbols::isMapped("no.such.symbol"));
    EXPECT_EQ(Symbols::ligature("no.such.symbol"), Symbols::fallbackLigature());
    EXPECT_EQ(shape(Symbols::fallbackLigature()).size(), 1);
    EXPECT_EQ(glyphOf(Symbols::codePoint("no.such.symbol")), shape(Symbols::fallbackLigature()));
    EXPECT_FALSE(inkOf("no.such.symbol", QRectF(0, 0, 100, 100)).isEmpty());
    // Views tell states apart by these pairs; collapsing them onto one glyph loses the state.
    for (const auto &[a, b] : {std::pair{"eye.fill", "eye.slash.fill"},
                               {"pin.fill", "pin.slash.fill"},
                               {"star.fill", "star"},
                               {"play.fill", "pause.fill"},
                               {"checkmark.circle", "checkmark.circle.fill"}})
        EXPECT_NE(shape(Symbols::ligature(a)), shape(Symbols::ligature(b))) << a;

    // "plus" is symmetric, so its ink is centred exactly when the glyph is.
    const QRectF rect(20, 30, 40, 40);
    const QRectF ink = inkOf("plus", rect);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), rect.center().x(), 1.5);
    EXPECT_NEAR(ink.center().y(), rect.center().y(), 1.5);

    // 14 points of layout length are 14 logical pixels: 10.5 typographic points at 96 dpi.
    EXPECT_DOUBLE_EQ(themeFont(14, ThemeWeight::bold).pointSizeF(), 10.5);
}

TEST(CoreCircleIcon, SelectedIsGoldWithAPointerIdleHasAWhiteRingTheButtonSpringsAndTakesFaceClicks)
{
    // Faces centred on (80, 50): the selected one has its pointer at the left, the idle one not.
    const double pointerX = 80 - (0.55 * 54 + 2) * 1.08;
    EXPECT_TRUE(isWhite(
        paintIcon(CoreCircleIcon("person.fill", true)).pixelColor(int(pointerX + 3), 50 + 4)));
    EXPECT_FALSE(
        isWhite(paintIcon(CoreCircleIcon("person.fill")).pixelColor(int(pointerX + 3), 54)));

    // The centre of "plus" is inked white on the gold disc, the same with the cached shadow.
    const QImage plus = paintIcon(CoreCircleIcon("plus", true));
    EXPECT_GT(WidgetTest::countNear(plus, QRect(79, 49, 3, 3), Qt::white, 60), 0);
    EXPECT_EQ(plus, paintIcon(CoreCircleIcon("plus", true)));

    CoreCircleIconButton button("person.fill");
    button.setSelected(true);
    for (CoreSpringAnimation *s : button.findChildren<CoreSpringAnimation *>())
        if (s->state() == QAbstractAnimation::Running)
            s->setCurrentTime(s->duration());
    EXPECT_DOUBLE_EQ(button.selectionScale(), CoreCircleIcon::selectedScale);

    int clicked = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&clicked] { ++clicked; });
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicked, 0) << "the shadow margin is not part of the button";
    QTest::mouseClick(&button, Qt::LeftButton, {}, button.faceCentre().toPoint());
    EXPECT_EQ(clicked, 1);
}

TEST(CoreShapes, SkewedPlatesSlantByTheTangentOfTheirSkewEitherWay)
{
    for (int degrees = -80; degrees <= 80; degrees += 5) {
        const double expected = std::tan(degrees * std::numbers::pi / 180.0);
        EXPECT_NEAR(skewSlope(degrees), expected, 1e-12 * std::max(1.0, std::abs(expected)))
            << degrees;
    }
    // A negative skew moves the top edge right, a positive one the bottom edge left.
    const double s = std::tan(30 * std::numbers::pi / 180.0) * 40;
    const QPolygonF leaning = CoreSkewedRect(QRectF(10, 20, 100, 40), -30).toFillPolygon();
    EXPECT_NEAR(leaning.at(0).x(), 10 + s, 1e-9);
    EXPECT_NEAR(leaning.at(3).x(), 10, 1e-9);
    const QPolygonF back = CoreSkewedRect(QRectF(10, 20, 100, 40), 30).toFillPolygon();
    EXPECT_NEAR(back.at(0).x(), 10, 1e-9);
    EXPECT_NEAR(back.at(2).x(), 110 - s, 1e-9);
}

TEST(CorePanels, FrostHasAnOpenCutCornerAndShadowBelowTheWhiteCardFitsItsContentUnderARule)
{
    const QRectF rect(40, 30, 120, 80);
    const QImage image
        = painted({200, 140}, [&](QPainter &p) { CoreFrostPanel(18, true).paint(p, rect); });
    EXPECT_LT(image.pixelColor(158, 32).red(), 110) << "top-right corner is cut away";
    EXPECT_GT(image.pixelColor(44, 34).red(), 220) << "top-left corner is whole";

    const QImage shadowed
        = painted({200, 140}, [&](QPainter &p) { CoreFrostPanel().paint(p, rect); });
    const int below = shadowed.pixelColor(100, 110 + 6).red();
    EXPECT_LT(below, WidgetTest::backdrop.red() - 5);
    EXPECT_LT(below, shadowed.pixelColor(100, 30 - 6).red()) << "the shadow falls below";

    const QSizeF content(200, 50);
    const QSizeF card = CoreWhiteCard::sizeForContent("Quest", content);
    QRectF area;
    const QImage carded
        = painted({int(card.width()) + 40, int(card.height()) + 40}, [&](QPainter &p) {
              area = CoreWhiteCard::paint(p, QRectF(QPointF(20, 20), card), "Quest");
          });
    EXPECT_DOUBLE_EQ(area.width(), content.width());
    EXPECT_NEAR(area.height(), content.height(), 1e-9);
    EXPECT_TRUE(near(carded.pixelColor(200, 20 + card.height() - 5), CoreTheme::cardWhite(), 6));

    const QSizeF titled
        = CoreWhiteCard::sizeForContent("A title much wider than its content", QSizeF(10, 10));
    EXPECT_GT(titled.width(), 10 + 28 + 50) << "a long title widens the card";
}

TEST(CorePressButtonStyle, BrightensWithinOpacityAndItsSpringOvershootsLandsAndRetargetsSmoothly)
{
    QImage image(3, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(50, 50, 50, 100)); // half-covered, premultiplied
    image.setPixel(2, 0, qRgba(250, 10, 10, 255));
    CorePressButtonStyle::brighten(image, 0.08);
    EXPECT_EQ(image.pixel(0, 0), qRgba(0, 0, 0, 0)) << "transparent stays transparent";
    EXPECT_EQ(image.pixel(1, 0), qRgba(58, 58, 58, 100)) << "light scaled by coverage";
    EXPECT_EQ(image.pixel(2, 0), qRgba(255, 30, 30, 255)) << "clamped, never above alpha";

    CoreSpringAnimation spring(CoreCircleIcon::springResponse, CoreCircleIcon::springDamping);
    spring.setValue(1.0);
    spring.animateTo(1.08);
    ASSERT_EQ(spring.state(), QAbstractAnimation::Running);
    ASSERT_TRUE(spring.duration() > 100 && spring.duration() < 1500) << spring.duration();
    double peak = 0;
    for (int t = 0; t < spring.duration(); t += 5) {
        spring.setCurrentTime(t);
        peak = std::max(peak, spring.value());
    }
    EXPECT_GT(peak, 1.08 + 0.002) << "an underdamped spring overshoots";
    EXPECT_LT(peak, 1.08 + 0.08 * 0.2);
    spring.setCurrentTime(spring.duration());
    EXPECT_EQ(spring.value(), 1.08);

    CoreSpringAnimation press(CorePressButtonStyle::springResponse,
                              CorePressButtonStyle::springDamping);
    press.setValue(1.0);
    press.animateTo(CorePressButtonStyle::pressedScale);
    press.setCurrentTime(40);
    const double midway = press.value();
    ASSERT_LT(midway, 1.0);
    ASSERT_GT(midway, CorePressButtonStyle::pressedScale);
    press.animateTo(1.0);
    EXPECT_DOUBLE_EQ(press.value(), midway);
    press.setCurrentTime(5);
    // Still moving down for a moment: the velocity carried over.
    EXPECT_LT(press.value(), midway);
    EXPECT_GT(press.value(), midway - 0.03);
}

TEST(PulseRing, RestsInvisibleSwingsForeverAsAGoldRingKeepsOnePulseAndCoversItsFlashTarget)
{
    PulseRing ring;
    ring.resize(60, 40);
    EXPECT_TRUE(ring.testAttribute(Qt::WA_TransparentForMouseEvents));

    ring.setActive(true);
    QVariantAnimation *pulse = ring.pulseAnimation();
    ASSERT_NE(pulse, nullptr);
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

    ring.setActive(true);
    EXPECT_EQ(ring.findChildren<QAbstractAnimation *>().size(), 1);
    EXPECT_EQ(pulse->currentTime(), half) << "a second activation must not restart the pulse";
    ring.setActive(false);
    EXPECT_EQ(ring.ringOpacity(), 0.0);
    EXPECT_EQ(ring.findChildren<QAbstractAnimation *>().size(), 0);
    ring.setActive(true);
    EXPECT_EQ(ring.findChildren<QAbstractAnimation *>().size(), 1) << "the ring can pulse again";

    QWidget target;
    target.resize(80, 50);
    auto *flash = new FlashModifier(&target);
    target.show();
    target.resize(120, 30);
    EXPECT_EQ(flash->ring()->geometry(), QRect(0, 0, 120, 30));
    // Widgets later in the child list stack on top: the ring stays above a late child.
    auto *late = new QWidget(&target);
    EXPECT_GT(target.children().indexOf(flash->ring()), target.children().indexOf(late));
}

TEST(CachedPaint, KeepsWhatIsDrawnTwiceDropsWhatIsNoLongerDrawnAndNeverKeepsAOneOff)
{
    QImage target(40, 40, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&target);
    QHash<QString, int> renderings;
    const auto draw = [&](const QString &key) {
        CachedPaint::draw(painter, "cache-test|" + key, QRectF(0, 0, 4, 4),
                          [&](QPainter &) { ++renderings[key]; });
    };
    // "plate" is drawn with every new figure, each figure once; "old" once at the start.
    draw("old");
    for (int i = 0; i < 2 * CachedPaint::kRenderingsPerRound; ++i) {
        draw("plate");
        draw(QString::number(i));
    }
    const QString last = QString::number(2 * CachedPaint::kRenderingsPerRound - 1);
    draw("old");
    draw("plate");
    draw(last);
    draw(last);
    // The plate was rendered for its first two draws and blitted from then on.
    EXPECT_EQ(renderings.value("plate"), 2);
    // Two rounds on, "old" is new again: rendered, and still not kept.
    EXPECT_EQ(renderings.value("old"), 2);
    draw("old");
    EXPECT_EQ(renderings.value("old"), 3);
    // A figure drawn again soon after is kept from its second drawing.
    EXPECT_EQ(renderings.value(last), 2);
    // Each one-off is drawn where a kept rendering would be: the paints land on the target.
    QImage drawn(10, 10, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter onto(&drawn);
    for (int i = 0; i < 3; ++i)
        CachedPaint::draw(onto, QStringLiteral("cache-test|dot"), QRectF(2, 2, 4, 4),
                          [](QPainter &p) { p.fillRect(QRectF(2, 2, 4, 4), Qt::red); });
    onto.end();
    EXPECT_EQ(drawn.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(drawn.pixelColor(7, 7).alpha(), 0);
}
