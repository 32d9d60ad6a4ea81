#include "ui/widgets/ReadoutText.h"

#include "ui/CachedPaint.h"
#include "ui/CoreShadow.h"
#include "ui/widgets/GlyphSprites.h"

#include <QCache>
#include <QFontMetricsF>
#include <QHashFunctions>
#include <QPainter>
#include <QTime>

#include <algorithm>

namespace {

// Draws `text` with its baseline starting at `origin`, each digit centred in a cell of the
// widest digit's width when `tabularDigits` is set, as width() measures it.
void drawRuns(QPainter &painter, const QString &text, const QFont &font, QPointF origin,
              bool tabularDigits)
{
    for (const GlyphSprites::Piece &piece : GlyphSprites::pieces(text, font, tabularDigits))
        painter.drawText(origin + piece.origin, piece.text);
}

// A measured or cut line: the words, the font and how it was measured.
struct LineKey
{
    QString text;
    QFont font;
    double extra; // whether digits are tabular, or the room a cut line had
    bool operator==(const LineKey &) const = default;
};

size_t qHash(const LineKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.text, k.font, k.extra);
}

} // namespace

namespace ReadoutText {

double width(const QString &text, const QFont &font, bool tabularDigits)
{
    // Shaping a run of text costs more than everything else a readout does to place it, and
    // the same few labels are measured on every repaint. Main thread only.
    static QCache<LineKey, double> widths(512);
    LineKey key{text, font, tabularDigits ? 1.0 : 0.0};
    if (const double *known = widths.object(key))
        return *known;
    const double measured = GlyphSprites::lineAdvance(text, font, tabularDigits);
    widths.insert(std::move(key), new double(measured));
    return measured;
}

double height(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return metrics.ascent() + metrics.descent();
}

namespace {

// The box a line of `text` takes in `rect`: placed horizontally by `alignment`, centred
// vertically on the font's ascent and descent.
QRectF lineBox(const QString &text, const QFont &font, const QRectF &rect, Qt::Alignment alignment,
               bool tabularDigits)
{
    const QFontMetricsF metrics(font);
    const double textWidth = ReadoutText::width(text, font, tabularDigits);
    double x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - textWidth;
    else if (alignment & Qt::AlignHCenter)
        x = rect.center().x() - textWidth / 2;
    const double height = metrics.ascent() + metrics.descent();
    return {x, rect.top() + (rect.height() - height) / 2, textWidth, height};
}

} // namespace

void drawPlain(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
               const QFont &font, const QColor &colour, bool tabularDigits)
{
    const QRectF line = lineBox(text, font, rect, alignment, tabularDigits);
    QFont unhinted = font;
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    painter.save();
    painter.setFont(unhinted);
    painter.setPen(colour);
    drawRuns(painter, text, unhinted,
             QPointF(line.left(), line.top() + QFontMetricsF(font).ascent()), tabularDigits);
    painter.restore();
}

QString elided(const QString &text, const QFont &font, double maxWidth)
{
    // Eliding shapes the text again; readouts elide the same words on every repaint.
    static QCache<LineKey, QString> cuts(256);
    const double room = std::max(0.0, maxWidth);
    LineKey key{text, font, room};
    if (const QString *known = cuts.object(key))
        return *known;
    const QString cut = QFontMetricsF(font).elidedText(text, Qt::ElideRight, room);
    cuts.insert(std::move(key), new QString(cut));
    return cut;
}

void draw(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
          const QFont &font, const QColor &colour, double shadowOpacity, double shadowRadius,
          bool tabularDigits)
{
    if (text.isEmpty())
        return;
    // Where the words land, from the metrics alone: the outline is built only when the cache
    // has no rendering of these words in this font and colour.
    const QRectF line = lineBox(text, font, rect, alignment, tabularDigits);
    // Room for glyphs that reach past their advance and for the dropped, blurred shadow.
    const double margin = CoreShadow::reach(shadowRadius) + 1 + 0.25 * line.height();
    const QRectF bounds = line.adjusted(-margin, -margin, margin, margin);

    // The words, then everything else about their look folded into one number: a key is built
    // on every repaint of every label, and formatting each figure on its own cost more than
    // blitting the rendering it finds.
    const size_t look = qHashMulti(0, qHash(font), colour.rgba(), qRound(shadowOpacity * 1000),
                                   qRound(shadowRadius * 1000), tabularDigits);
    QString key;
    key.reserve(text.size() + 28);
    key += QLatin1String("kaidro-text|") + QString::number(quint64(look), 36) + QLatin1Char('|')
        + text;
    CachedPaint::draw(painter, key, bounds, [&](QPainter &p) {
        // Drawn relative to the line box, so the same words render the same wherever they go,
        // from glyphs rendered and blurred once each.
        QFont unhinted = font;
        unhinted.setHintingPreference(QFont::PreferNoHinting);
        const QPointF baseline(line.left(), line.top() + QFontMetricsF(font).ascent());
        if (GlyphSprites::draw(p, baseline, text, unhinted, colour, shadowOpacity, shadowRadius,
                               QPointF(0, 1), tabularDigits))
            return;
        // Glyphs come from the font's glyph cache: no outline is built, and no fill is handed
        // to Qt's thread pool.
        if (shadowOpacity > 0)
            CoreShadow::paintDrawn(p, line, QColor::fromRgbF(0, 0, 0, float(shadowOpacity)),
                                   shadowRadius, QPointF(0, 1), [&](QPainter &q) {
                                       drawPlain(q, line, Qt::AlignLeft, text, font,
                                                 q.pen().color(), tabularDigits);
                                   });
        drawPlain(p, line, Qt::AlignLeft, text, font, colour, tabularDigits);
    });
}

QString withoutSeconds(const QString &format)
{
    // Plain code rather than a regular expression: the clock runs this at start and every
    // minute, and a pattern would page in the expression compiler for it alone.
    const auto isS = [&format](qsizetype i) { return i < format.size() && format.at(i) == u's'; };
    QString out;
    out.reserve(format.size());
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        const bool separator = (c == u'.' || c == u':') && isS(i + 1);
        if (!separator && c != u's') {
            out += c;
            continue;
        }
        i += separator ? 1 : 0;
        while (isS(i + 1))
            ++i;
    }
    return out;
}

QString shortTime(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, withoutSeconds(locale.timeFormat(QLocale::ShortFormat)));
}

} // namespace ReadoutText
