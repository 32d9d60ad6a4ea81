#include "ui/Symbols.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

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
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Symbols::draw(painter, rect, sfName, Qt::black, 30);
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 64)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(Symbols, EveryMappedNameAndTheFallbackShapeToOneGlyphOfTheIconFont)
{
    ASSERT_EQ(QFontInfo(Symbols::font(24)).family(), "Material Icons");
    ASSERT_FALSE(Symbols::names().isEmpty());
    for (const QString &name : Symbols::names())
        EXPECT_EQ(shape(Symbols::ligature(name)).size(), 1) << name.toStdString();

    EXPECT_FALSE(Symbols::isMapped("no.such.symbol"));
    EXPECT_EQ(Symbols::ligature("no.such.symbol"), Symbols::fallbackLigature());
    EXPECT_EQ(shape(Symbols::fallbackLigature()).size(), 1);
    EXPECT_FALSE(inkOf("no.such.symbol", QRectF(0, 0, 100, 100)).isEmpty());
}

TEST(Symbols, StateTogglesHaveDistinctPicturesAndDrawCentred)
{
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
}
