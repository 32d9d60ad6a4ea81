#include "ui/CoreTheme.h"

#include <QFontMetricsF>
#include <QHash>

namespace {

QColor rgb255(int red, int green, int blue, double opacity = 1.0)
{
    return QColor::fromRgbF(float(red / 255.0), float(green / 255.0), float(blue / 255.0),
                            float(opacity));
}

} // namespace

namespace CoreTheme {

// Function-local statics: built on first use, never rebuilt.
#define KAIDRO_THEME_COLOUR(name, ...)                                                             \
    const QColor &name()                                                                           \
    {                                                                                              \
        static const QColor colour = rgb255(__VA_ARGS__);                                          \
        return colour;                                                                             \
    }

KAIDRO_THEME_COLOUR(panelShade, 66, 66, 66, 0.86)
KAIDRO_THEME_COLOUR(gold, 238, 170, 13)
KAIDRO_THEME_COLOUR(silver, 205, 208, 213)
KAIDRO_THEME_COLOUR(ink, 58, 60, 64)
KAIDRO_THEME_COLOUR(cardWhite, 250, 250, 250)
KAIDRO_THEME_COLOUR(iconIdle, 211, 214, 219)
KAIDRO_THEME_COLOUR(iconIdleLight, 242, 242, 242)
KAIDRO_THEME_COLOUR(frostSolid, 244, 244, 244, 0.94)
KAIDRO_THEME_COLOUR(frostGlass, 255, 255, 255, 0.88)
KAIDRO_THEME_COLOUR(railGrey, 216, 216, 216, 0.92)
KAIDRO_THEME_COLOUR(textSecondary, 92, 95, 102)
KAIDRO_THEME_COLOUR(textMuted, 128, 128, 128)
KAIDRO_THEME_COLOUR(accentBlue, 53, 119, 179)
KAIDRO_THEME_COLOUR(accentPink, 210, 60, 105)
KAIDRO_THEME_COLOUR(hpGreen, 132, 222, 28)
KAIDRO_THEME_COLOUR(hpAmber, 232, 192, 30)
KAIDRO_THEME_COLOUR(hpRed, 232, 59, 46)
KAIDRO_THEME_COLOUR(tierCalm, 74, 224, 58)
KAIDRO_THEME_COLOUR(tierActive, 232, 42, 42)
KAIDRO_THEME_COLOUR(tierStrong, 177, 60, 214)
KAIDRO_THEME_COLOUR(tierOverwhelming, 139, 15, 30)
KAIDRO_THEME_COLOUR(tierLethal, 26, 26, 28)

#undef KAIDRO_THEME_COLOUR

} // namespace CoreTheme

const QColor &hpColor(double fraction)
{
    if (fraction < 0.3)
        return CoreTheme::hpRed();
    if (fraction <= 0.5)
        return CoreTheme::hpAmber();
    return CoreTheme::hpGreen();
}

double fontSizeForLength(double length)
{
    return length * 72.0 / 96.0;
}

QFont themeFont(double pointSize, ThemeWeight weight)
{
    // The readouts ask for the same few fonts on every paint. Handing out copies of one font
    // keeps the engine Qt resolved for it, so each paint skips the font database. The kept font
    // resolves its engine at once: copies given letter spacing are fonts of their own that only
    // borrow it, and an engine held by none of the kept fonts is dropped by Qt's font cache on a
    // timer some ten seconds after the last copy went (a wake-up for nothing while the panels
    // are hidden), to be resolved again the next time the command bar opens.
    static QHash<std::pair<double, int>, QFont> made;
    const std::pair key(pointSize, int(weight));
    if (const auto found = made.constFind(key); found != made.cend())
        return *found;
    QFont font(QStringLiteral("Exo 2"));
    font.setPointSizeF(fontSizeForLength(pointSize));
    switch (weight) {
    case ThemeWeight::bold:
        font.setWeight(QFont::Bold);
        break;
    case ThemeWeight::regular:
        font.setWeight(QFont::Normal);
        break;
    default:
        font.setWeight(QFont::DemiBold);
        break;
    }
    QFontMetricsF(font).height();
    return made.insert(key, font).value();
}

QFont themeFont(const ThemeType &type)
{
    QFont font = themeFont(type.size, type.weight);
    if (type.tracking != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, type.tracking);
    return font;
}
