#include "ui/widgets/GlyphSprites.h"

#include "platform/Rounding.h"
#include "ui/CachedPaint.h"
#include "ui/CoreShadow.h"

#include <QCache>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QHashFunctions>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Sprites of the glyphs in use, in device pixels; a glyph is a few hundred bytes to a couple of
// kilobytes, its shadow's margin included.
constexpr int kSpriteKilobytes = 384;

struct Placed
{
    int font; // index into fonts()
    quint32 glyph;
    QPointF at; // baseline origin, relative to the line's
};

// The fonts glyphs have come from: a handful (the theme's weights and sizes, and fallbacks).
// Main thread only, like all painting of readouts.
std::vector<QRawFont> &fonts()
{
    static std::vector<QRawFont> known;
    return known;
}

int fontIndex(const QRawFont &font)
{
    std::vector<QRawFont> &known = fonts();
    const auto found = std::find(known.begin(), known.end(), font);
    if (found != known.end())
        return int(found - known.begin());
    known.push_back(font);
    return int(known.size()) - 1;
}

// A run of text in one font: the key of the shaped runs and advances kept below.
struct RunKey
{
    QString text;
    QFont font;
    bool operator==(const RunKey &) const = default;
};

size_t qHash(const RunKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.text, k.font);
}

// The glyphs of `text` shaped on their own, placed from the run's baseline origin. A readout's
// lines are made of few runs (each digit, and the words between them), so the runs are kept as
// well as the lines: a new figure is put together from runs already shaped.
const std::vector<Placed> &shapedRun(const QString &text, const QFont &font)
{
    static QCache<RunKey, std::vector<Placed>> runs(256);
    RunKey key{text, font};
    if (const std::vector<Placed> *known = runs.object(key))
        return *known;
    auto *run = new std::vector<Placed>;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine row = layout.createLine();
    if (row.isValid())
        row.setLineWidth(1e6);
    layout.endLayout();
    if (row.isValid()) {
        const QPointF baseline(0, row.y() + row.ascent());
        for (const QGlyphRun &glyphRun : layout.glyphRuns()) {
            const int index = fontIndex(glyphRun.rawFont());
            const QList<quint32> glyphs = glyphRun.glyphIndexes();
            const QList<QPointF> positions = glyphRun.positions();
            for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
                run->push_back({index, glyphs[i], positions[i] - baseline});
        }
    }
    runs.insert(std::move(key), run);
    return *run;
}

struct LineKey
{
    QString text;
    QFont font;
    bool tabularDigits;
    bool operator==(const LineKey &) const = default;
};

size_t qHash(const LineKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.text, k.font, k.tabularDigits);
}

const std::vector<Placed> &shaped(const QString &text, const QFont &font, bool tabularDigits)
{
    static QCache<LineKey, std::vector<Placed>> lines(128);
    LineKey key{text, font, tabularDigits};
    if (const std::vector<Placed> *known = lines.object(key))
        return *known;
    auto *line = new std::vector<Placed>;
    for (const GlyphSprites::Piece &piece : GlyphSprites::pieces(text, font, tabularDigits))
        for (const Placed &glyph : shapedRun(piece.text, font))
            line->push_back({glyph.font, glyph.glyph, piece.origin + glyph.at});
    lines.insert(std::move(key), line);
    return *line;
}

// A device position split into its whole pixel and the eighth inside it (0 to 7). The toolkit
// places a glyph to a quarter pixel across (or a whole one) and to a whole pixel down; any
// position inside the same eighth lands the glyph on the same pixels, so the sprite drawn at the
// eighth's middle is that glyph's rendering.
std::pair<int, int> eighths(double devicePixels)
{
    // In 64ths first, as the toolkit holds glyph positions.
    const double fixed = std::round(devicePixels * 64) / 64;
    const int whole = int(Rounding::floor(fixed));
    return {whole, std::clamp(int(Rounding::floor((fixed - whole) * 8)), 0, 7)};
}

double middle(int eighth)
{
    return (eighth + 0.5) / 8;
}

struct SpriteKey
{
    int font;
    quint32 glyph;
    int scaleX, scaleY; // thousandths of a device pixel per unit
    QRgb colour;
    int blur; // thousandths of a device pixel; 0 for the glyph itself
    int phase; // eighths of a pixel inside the whole one, x * 8 + y
    bool operator==(const SpriteKey &) const = default;
};

size_t qHash(const SpriteKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.font, k.glyph, k.scaleX, k.scaleY, k.colour, k.blur, k.phase);
}

struct Sprite
{
    QImage image;
    QPoint anchor; // top-left corner, from the glyph's whole device pixel
};

QCache<SpriteKey, Sprite> &sprites()
{
    static QCache<SpriteKey, Sprite> cache(kSpriteKilobytes);
    return cache;
}

// The glyph rendered at its position inside a pixel, or its shadow: the glyph in the shadow's
// colour, blurred.
const Sprite *sprite(const SpriteKey &key, QPainter::RenderHints hints, double blurRadius)
{
    if (const Sprite *known = sprites().object(key))
        return known;
    const QRawFont &font = fonts()[size_t(key.font)];
    const double sx = key.scaleX / 1000.0, sy = key.scaleY / 1000.0;
    const QPointF phase(middle(key.phase / 8), middle(key.phase % 8));
    const QRectF box = font.boundingRect(key.glyph);
    const int pad = 2 + (key.blur ? int(Rounding::ceil(CoreShadow::reach(blurRadius))) : 0);
    const QRect pixels = QRectF(box.left() * sx + phase.x(), box.top() * sy + phase.y(),
                                box.width() * sx, box.height() * sy)
                             .toAlignedRect()
                             .adjusted(-pad, -pad, pad, pad);
    auto *out
        = new Sprite{QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied), pixels.topLeft()};
    out->image.fill(Qt::transparent);
    {
        QPainter p(&out->image);
        p.setRenderHints(hints);
        p.translate(phase - QPointF(pixels.topLeft()));
        p.scale(sx, sy);
        p.setPen(QColor::fromRgba(key.colour));
        QGlyphRun run;
        run.setRawFont(font);
        run.setGlyphIndexes({key.glyph});
        run.setPositions({QPointF()});
        p.drawGlyphRun(QPointF(), run);
    }
    if (key.blur)
        CoreShadow::blurSilhouette(out->image, blurRadius, QColor::fromRgba(key.colour));
    // A black shadow is its alpha alone, which the toolkit lays down as black: a byte a pixel
    // instead of four, and the shadows are three quarters of the sprites.
    if (key.blur && (key.colour & RGB_MASK) == 0)
        out->image = out->image.convertToFormat(QImage::Format_Alpha8);
    else
        out->image = CachedPaint::kept(out->image);
    const int cost = std::max(1, int(out->image.sizeInBytes() / 1024));
    if (!sprites().insert(key, out, cost))
        return nullptr;
    return sprites().object(key);
}

} // namespace

namespace GlyphSprites {

namespace {

double advance(const QString &text, const QFont &font)
{
    static QCache<RunKey, double> advances(512);
    RunKey key{text, font};
    if (const double *known = advances.object(key))
        return *known;
    const double measured = QFontMetricsF(font).horizontalAdvance(text);
    advances.insert(std::move(key), new double(measured));
    return measured;
}

double digitCell(const QFont &font)
{
    static QHash<QFont, double> cells;
    if (const auto found = cells.constFind(font); found != cells.constEnd())
        return *found;
    const QFontMetricsF metrics(font);
    double cell = 0;
    for (char c = '0'; c <= '9'; ++c)
        cell = std::max(cell, metrics.horizontalAdvance(QChar(c)));
    // The readouts use a handful of fonts; more than that are passing requests.
    if (cells.size() >= 64)
        cells.clear();
    cells.insert(font, cell);
    return cell;
}

// The pieces of a line set with tabular digits, and in `end` where the line ends.
std::vector<Piece> tabularPieces(const QString &text, const QFont &font, double &end)
{
    std::vector<Piece> out;
    const double cell = digitCell(font);
    double x = 0;
    QString run;
    auto flushRun = [&] {
        if (run.isEmpty())
            return;
        const double runAdvance = advance(run, font);
        out.push_back({std::exchange(run, QString()), QPointF(x, 0)});
        x += runAdvance;
    };
    for (const QChar c : text) {
        if (!c.isDigit()) {
            run += c;
            continue;
        }
        flushRun();
        QString digit(c);
        const double digitAdvance = advance(digit, font);
        out.push_back({std::move(digit), QPointF(x + (cell - digitAdvance) / 2, 0)});
        x += cell;
    }
    flushRun();
    end = x;
    return out;
}

} // namespace

std::vector<Piece> pieces(const QString &text, const QFont &font, bool tabularDigits)
{
    if (!tabularDigits)
        return {{text, QPointF()}};
    double end = 0;
    return tabularPieces(text, font, end);
}

double lineAdvance(const QString &text, const QFont &font, bool tabularDigits)
{
    if (!tabularDigits)
        return advance(text, font);
    double end = 0;
    tabularPieces(text, font, end);
    return end;
}

bool draw(QPainter &painter, QPointF origin, const QString &text, const QFont &font,
          const QColor &colour, double shadowOpacity, double shadowRadius, QPointF shadowOffset,
          bool tabularDigits)
{
    const QTransform world = painter.worldTransform();
    if (!painter.device() || painter.device()->devType() != QInternal::Image
        || world.type() > QTransform::TxScale || world.m11() <= 0 || world.m22() <= 0)
        return false;
    const double ratio = painter.device()->devicePixelRatio();
    const QTransform device = world * QTransform::fromScale(ratio, ratio);
    const int scaleX = int(std::lround(device.m11() * 1000));
    const int scaleY = int(std::lround(device.m22() * 1000));
    const double blurRadius = shadowRadius * std::sqrt(device.m11() * device.m22());
    // The shadow moves by whole pixels, as a blurred line laid down at its offset would.
    const QPointF moved = device.map(shadowOffset) - device.map(QPointF());
    const QPoint shadowShift(int(std::lround(moved.x())), int(std::lround(moved.y())));
    const QRgb shadowColour = QColor::fromRgbF(0, 0, 0, float(shadowOpacity)).rgba();
    const std::vector<Placed> &line = shaped(text, font, tabularDigits);

    painter.save();
    painter.resetTransform();
    painter.scale(1 / ratio, 1 / ratio);
    const auto layer = [&](bool shadow) {
        for (const Placed &g : line) {
            const QPointF at = device.map(origin + g.at);
            const auto [x, ex] = eighths(at.x());
            const auto [y, ey] = eighths(at.y());
            const SpriteKey key{g.font,
                                g.glyph,
                                scaleX,
                                scaleY,
                                shadow ? shadowColour : colour.rgba(),
                                shadow ? std::max(1, int(std::lround(blurRadius * 1000))) : 0,
                                ex * 8 + ey};
            if (const Sprite *s = sprite(key, painter.renderHints(), blurRadius))
                painter.drawImage(QPoint(x, y) + s->anchor + (shadow ? shadowShift : QPoint()),
                                  s->image);
        }
    };
    if (shadowOpacity > 0) {
        // Overlapping shadows add up, as the blur of the glyphs together would.
        painter.setCompositionMode(QPainter::CompositionMode_Plus);
        layer(true);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    layer(false);
    painter.restore();
    return true;
}

} // namespace GlyphSprites
