#pragma once

#include "commandbar/CommandItem.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QRegion>
#include <QString>

class QPainter;

// How the command bar draws one row: where its parts go, what it draws over the card, and
// which rows a new list or highlight draws differently. No widget and no model: the view
// paints with it and repaints by it.
class CommandBarRow final
{
public:
    // Where a row's parts go, and its words as they fit.
    struct Layout
    {
        QRectF icon;
        QRectF cap;
        QRectF title;
        QRectF subtitle;
        QString titleText;
        QString subtitleText;
    };

    static Layout layout(const QRectF &row, const CommandItem &item);
    // Where a row's app icon or symbol goes.
    static QRectF iconBox(const QRectF &row);
    // The part of `row` that `item` draws over the row's background.
    static QRegion ink(const QRectF &row, const CommandItem &item);
    // The rows drawn differently after a change of the list or the highlight: a row that came
    // or went, one whose highlight changed and one whose words, symbol, app or key cap differ.
    // Row 0 of an empty list holds the empty-list text.
    static QList<int> changed(const QList<CommandItem> &before, int selectedBefore,
                              const QList<CommandItem> &after, int selectedAfter);

    static QFont titleFont();
    static QFont subtitleFont();
    // Has the toolkit rasterize and keep the rows' printable ASCII glyphs, once a run.
    static void warmGlyphs();
    // A key's label in a small outlined cap, in the rows and the footer.
    static void paintKeyCap(QPainter &painter, const QRectF &rect, const QString &label,
                            const QColor &text, const QColor &outline);
    static double keyCapWidth(const QString &label);
};
