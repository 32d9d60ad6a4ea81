#pragma once

#include <QColor>
#include <QFont>

// The palette of the game interface. Each colour is built once, on first use, from its exact
// n/255 components and opacity, and shared by reference from then on.
namespace CoreTheme {
const QColor &panelShade();
const QColor &gold();
const QColor &silver();
const QColor &ink();
const QColor &cardWhite();
const QColor &iconIdle();
const QColor &iconIdleLight();
const QColor &frostSolid();
const QColor &frostGlass();
const QColor &railGrey();
const QColor &textSecondary();
const QColor &textMuted();
const QColor &accentBlue();
const QColor &accentPink();
const QColor &hpGreen();
const QColor &hpAmber();
const QColor &hpRed();
const QColor &tierCalm();
const QColor &tierActive();
const QColor &tierStrong();
const QColor &tierOverwhelming();
const QColor &tierLethal();
} // namespace CoreTheme

// The weights a view may ask for. The theme family ships three faces, so everything other than
// bold and regular lands on the semibold face.
enum class ThemeWeight {
    ultraLight,
    thin,
    light,
    regular,
    medium,
    semibold,
    bold,
    heavy,
    black,
};

// HP fill colour: red below 0.3, amber from 0.3 to 0.5 inclusive, green above 0.5.
const QColor &hpColor(double fraction);

// Layout lengths are logical pixels; Qt sizes fonts in typographic points at 96 logical dpi.
// A text `length` points tall in the layout's units is this many font points.
double fontSizeForLength(double length);

// One step of the theme's type scale: a text size in layout points, the weight and the letter
// spacing (tracking) in layout points. Each view names the steps it draws with.
struct ThemeType
{
    double size = 0;
    ThemeWeight weight = ThemeWeight::regular;
    double tracking = 0;
};

// The theme font for one step of the type scale.
QFont themeFont(const ThemeType &type);

// The theme font ("Exo 2") at `pointSize` in the face that `weight` selects. Until the Exo 2
// files are registered the family is missing and Qt substitutes the system font.
QFont themeFont(double pointSize, ThemeWeight weight);
