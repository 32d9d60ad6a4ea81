#include "ui/widgets/ReadoutText.h"

#include "ui/CoreShadow.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace {

double widestDigit(const QFontMetricsF &metrics)
{
    double widest = 0;
    for (char c = '0'; c <= '9'; ++c)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(c)));
    return widest;
}

// Glyph outlines of `text` with its baseline starting at `origin`.
QPainterPath glyphs(const QString &text, const QFont &font, QPointF origin, bool tabularDigits)
{
    // Glyphs are drawn with overlapping contours; only the winding rule fills their overlaps.
    QPainterPath outline;
    outline.setFillRule(Qt::WindingFill);
    if (!tabularDigits) {
        outline.addText(origin, font, text);
        return outline;
    }
    const QFontMetricsF metrics(font);
    const double cell = widestDigit(metrics);
    QString run;
    auto flushRun = [&] {
        if (run.isEmpty())
            return;
        outline.addText(origin, font, run);
        origin.rx() += metrics.horizontalAdvance(run);
        run.clear();
    };
    for (const QChar c : text) {
        if (!c.isDigit()) {
            run += c;
            continue;
        }
        flushRun();
        const double advance = metrics.horizontalAdvance(c);
        outline.addText(origin + QPointF((cell - advance) / 2, 0), font, QString(c));
        origin.rx() += cell;
    }
    flushRun();
    return outline;
}

} // namespace

namespace ReadoutText {

double width(const QString &text, const QFont &font, bool tabularDigits)
{
    const QFontMetricsF metrics(font);
    if (!tabularDigits)
        return metrics.horizontalAdvance(text);
    const double cell = widestDigit(metrics);
    double total = 0;
    QString run;
    for (const QChar c : text) {
        if (c.isDigit()) {
            total += metrics.horizontalAdvance(run) + cell;
            run.clear();
        } else {
            run += c;
        }
    }
    return total + metrics.horizontalAdvance(run);
}

double height(const QFont &font)
{
    const QFontMetricsF metrics(font);
    return metrics.ascent() + metrics.descent();
}

QPainterPath path(const QString &text, const QFont &font, const QRectF &rect,
                  Qt::Alignment alignment, bool tabularDigits)
{
    const QFontMetricsF metrics(font);
    const double textWidth = width(text, font, tabularDigits);
    double x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - textWidth;
    else if (alignment & Qt::AlignHCenter)
        x = rect.center().x() - textWidth / 2;
    const double baseline = rect.top() + (rect.height() - metrics.ascent() - metrics.descent()) / 2
        + metrics.ascent();
    return glyphs(text, font, QPointF(x, baseline), tabularDigits);
}

QString elided(const QString &text, const QFont &font, double maxWidth)
{
    return QFontMetricsF(font).elidedText(text, Qt::ElideRight, std::max(0.0, maxWidth));
}

void draw(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
          const QFont &font, const QColor &colour, double shadowOpacity, double shadowRadius,
          bool tabularDigits)
{
    if (text.isEmpty())
        return;
    const QPainterPath outline = path(text, font, rect, alignment, tabularDigits);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (shadowOpacity > 0)
        CoreShadow::paint(painter, outline, QColor::fromRgbF(0, 0, 0, float(shadowOpacity)),
                          shadowRadius, QPointF(0, 1));
    painter.fillPath(outline, colour);
    painter.restore();
}

} // namespace ReadoutText
