#include "ui/CoreTheme.h"

#include <gtest/gtest.h>

TEST(HpColor, BordersBelongToAmber)
{
    EXPECT_EQ(hpColor(0.3), CoreTheme::hpAmber());
    EXPECT_EQ(hpColor(0.5), CoreTheme::hpAmber());
    EXPECT_EQ(hpColor(0.2999), CoreTheme::hpRed());
    EXPECT_EQ(hpColor(0.5001), CoreTheme::hpGreen());
}

TEST(CoreThemePalette, TranslucentColoursKeepTheirOpacity)
{
    EXPECT_NEAR(CoreTheme::panelShade().alphaF(), 0.86, 1e-4);
    EXPECT_NEAR(CoreTheme::frostSolid().alphaF(), 0.94, 1e-4);
    EXPECT_NEAR(CoreTheme::frostGlass().alphaF(), 0.88, 1e-4);
    EXPECT_NEAR(CoreTheme::railGrey().alphaF(), 0.92, 1e-4);
    EXPECT_EQ(CoreTheme::gold().alpha(), 255);
}

TEST(CoreThemePalette, ComponentsAreExactFractionsOf255)
{
    // 16-bit channels hold n/255 exactly as n·257.
    const QColor gold = CoreTheme::gold().toRgb();
    EXPECT_EQ(gold.rgba64().red(), 238 * 257);
    EXPECT_EQ(gold.rgba64().green(), 170 * 257);
    EXPECT_EQ(gold.rgba64().blue(), 13 * 257);
    EXPECT_EQ(QColor(CoreTheme::textSecondary()).rgb(), qRgb(92, 95, 102));
}

TEST(ThemeFont, BoldAndRegularPickTheirOwnFaces)
{
    const QFont bold = themeFont(14, ThemeWeight::bold);
    EXPECT_EQ(bold.family(), "Exo 2");
    EXPECT_EQ(bold.weight(), QFont::Bold);
    // 14 points of layout length are 14 logical pixels: 10.5 typographic points at 96 dpi.
    EXPECT_DOUBLE_EQ(bold.pointSizeF(), 10.5);
    EXPECT_EQ(themeFont(13, ThemeWeight::regular).weight(), QFont::Normal);
}

TEST(ThemeFont, EveryOtherWeightPicksSemibold)
{
    for (ThemeWeight weight : {ThemeWeight::medium, ThemeWeight::heavy, ThemeWeight::semibold,
                               ThemeWeight::light, ThemeWeight::black}) {
        EXPECT_EQ(themeFont(10, weight).weight(), QFont::DemiBold) << int(weight);
    }
}
