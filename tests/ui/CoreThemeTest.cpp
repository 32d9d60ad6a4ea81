#include "ui/CoreTheme.h"

#include <gtest/gtest.h>

TEST(HpColor, BordersBelongToAmber)
{
    EXPECT_EQ(hpColor(0.3), CoreTheme::hpAmber());
    EXPECT_EQ(hpColor(0.5), CoreTheme::hpAmber());
    EXPECT_EQ(hpColor(0.2999), CoreTheme::hpRed());
    EXPECT_EQ(hpColor(0.5001), CoreTheme::hpGreen());
}

TEST(CoreThemePalette, ComponentsAreExactFractionsOf255)
{
    // 16-bit channels hold n/255 exactly as n·257.
    const QColor gold = CoreTheme::gold().toRgb();
    EXPECT_EQ(gold.rgba64().red(), 238 * 257);
    EXPECT_EQ(gold.rgba64().green(), 170 * 257);
    EXPECT_EQ(gold.rgba64().blue(), 13 * 257);
}

TEST(ThemeFont, BoldAndRegularPickTheirOwnFacesEveryOtherWeightSemibold)
{
    const QFont bold = themeFont(14, ThemeWeight::bold);
    EXPECT_EQ(bold.family(), "Exo 2");
    EXPECT_EQ(bold.weight(), QFont::Bold);
    // 14 points of layout length are 14 logical pixels: 10.5 typographic points at 96 dpi.
    EXPECT_DOUBLE_EQ(bold.pointSizeF(), 10.5);
    EXPECT_EQ(themeFont(13, ThemeWeight::regular).weight(), QFont::Normal);
    for (ThemeWeight weight : {ThemeWeight::medium, ThemeWeight::heavy, ThemeWeight::semibold,
                               ThemeWeight::light, ThemeWeight::black})
        EXPECT_EQ(themeFont(10, weight).weight(), QFont::DemiBold) << int(weight);
}
