#include "ui/Symbols.h"

#include "ui/CoreTheme.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

namespace {

const QString kFontFamily = QStringLiteral("Material Icons");
const QString kFontFile = QStringLiteral(
    "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf");

struct Entry
{
    const char *sfName;
    const char *ligature;
};

// Every symbol name the interface draws. Each ligature must shape to a single glyph of the
// installed font (the unit tests check it); a word the font lacks comes out as loose letters
// that the font draws as nothing.
constexpr Entry kTable[] = {
    // Menu tree.
    {"person.fill", "person"},
    {"bag.fill", "shopping_bag"},
    {"shippingbox.fill", "inventory_2"},
    {"cube.fill", "view_in_ar"},
    {"hand.raised.fill", "pan_tool"},
    {"sparkles", "auto_awesome"},
    {"square.stack.3d.up.fill", "layers"},
    {"bolt.fill", "bolt"},
    {"star.fill", "star"},
    {"moon.fill", "dark_mode"},
    {"shield.lefthalf.filled", "security"},
    {"rectangle.3.group.fill", "view_quilt"},
    {"figure.fencing", "sports_martial_arts"},
    {"shield.fill", "shield"},
    {"seal.fill", "workspace_premium"},
    {"person.2.fill", "group"},
    {"waveform.path.ecg", "monitor_heart"},
    {"bubble.left.and.bubble.right.fill", "forum"},
    {"bubble.left.fill", "chat_bubble"},
    {"envelope.fill", "mail"},
    {"mappin.and.ellipse", "location_on"},
    {"building.2.fill", "apartment"},
    {"map.fill", "map"},
    {"flag.fill", "flag"},
    {"gearshape.fill", "settings"},
    {"slider.horizontal.3", "tune"},
    {"timer", "timer"},
    {"gauge.with.dots.needle.33percent", "speed"},
    {"square.grid.2x2.fill", "grid_view"},
    {"heart.fill", "favorite"},
    {"chart.bar.fill", "bar_chart"},
    {"clock.fill", "schedule"},
    {"diamond.fill", "diamond"},
    {"music.note", "music_note"},
    {"person.crop.rectangle.fill", "badge"},
    {"square.stack.fill", "filter_none"},
    {"eye.slash.fill", "visibility_off"},
    {"eye.fill", "visibility"},
    {"square.dashed", "crop_free"},
    {"arrow.up.and.down.and.arrow.left.and.right", "open_with"},
    {"arrow.counterclockwise", "replay"},
    {"questionmark", "question_mark"},
    {"xmark.circle.fill", "cancel"},
    {"rectangle.portrait.and.arrow.right", "logout"},
    {"chevron.right", "chevron_right"},
    {"person.crop.circle", "account_circle"},
    // Status item, command bar and setup check.
    {"circle.hexagongrid.fill", "hive"},
    {"checkmark.shield", "verified_user"},
    {"magnifyingglass", "search"},
    {"equal.circle.fill", "calculate"},
    {"globe", "public"},
    {"app.fill", "apps"},
    {"checkmark.seal.fill", "verified"},
    {"checkmark.circle.fill", "check_circle"},
    {"checkmark.circle", "check_circle_outline"},
    {"exclamationmark.triangle.fill", "warning"},
    {"minus.circle", "remove_circle_outline"},
    // Panels: clipboard, skills, loadouts, music, quests.
    {"link", "link"},
    {"folder.fill", "folder"},
    {"doc.text.fill", "description"},
    {"pin.fill", "push_pin"},
    {"pin.slash.fill", "location_off"},
    {"trash.fill", "delete"},
    {"star", "star_border"},
    {"plus", "add"},
    {"xmark", "close"},
    {"rectangle.on.rectangle.angled", "flip_to_front"},
    {"display.2", "desktop_windows"},
    {"backward.fill", "fast_rewind"},
    {"play.fill", "play_arrow"},
    {"pause.fill", "pause"},
    {"forward.fill", "fast_forward"},
};

const QHash<QString, QString> &table()
{
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> m;
        for (const Entry &entry : kTable)
            m.insert(QLatin1String(entry.sfName), QLatin1String(entry.ligature));
        return m;
    }();
    return map;
}

void ensureFontRegistered()
{
    static const bool once = [] {
        if (!QFontDatabase::families().contains(kFontFamily))
            QFontDatabase::addApplicationFont(kFontFile);
        return true;
    }();
    Q_UNUSED(once);
}

// Shaping a ligature is the costly part of drawing a symbol, and the interface draws the same
// few dozen symbols at a handful of sizes, so the shaped runs are kept.
QGlyphRun shapedRun(const QString &ligature, double pointSize)
{
    static QHash<QPair<QString, double>, QGlyphRun> cache;
    const auto key = qMakePair(ligature, pointSize);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;

    QTextLayout layout(ligature, Symbols::font(pointSize));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    const QGlyphRun run = runs.isEmpty() ? QGlyphRun() : runs.first();
    if (cache.size() > 512)
        cache.clear();
    cache.insert(key, run);
    return run;
}

} // namespace

QString Symbols::ligature(const QString &sfName)
{
    return table().value(sfName, fallbackLigature());
}

QString Symbols::fallbackLigature()
{
    return QStringLiteral("help_outline");
}

bool Symbols::isMapped(const QString &sfName)
{
    return table().contains(sfName);
}

QStringList Symbols::names()
{
    QStringList list;
    for (const Entry &entry : kTable)
        list.append(QLatin1String(entry.sfName));
    return list;
}

QString Symbols::family()
{
    return kFontFamily;
}

QFont Symbols::font(double pointSize)
{
    ensureFontRegistered();
    QFont font(kFontFamily);
    font.setPointSizeF(fontSizeForLength(pointSize));
    // Letters of an unknown word must not be filled in from another family.
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

void Symbols::draw(QPainter &painter, const QRectF &rect, const QString &sfName,
                   const QColor &colour, double pointSize)
{
    QGlyphRun run = shapedRun(ligature(sfName), pointSize);
    // Anything but one glyph means the word did not form a ligature: there is no picture.
    if (run.glyphIndexes().size() != 1)
        return;

    // Centre the glyph's em box: the icons are drawn optically centred inside it.
    const QRawFont raw = run.rawFont();
    const double advance = raw.advancesForGlyphIndexes(run.glyphIndexes()).value(0).x();
    const QPointF baseline(rect.center().x() - advance / 2.0,
                           rect.center().y() + (raw.ascent() - raw.descent()) / 2.0);
    run.setPositions({QPointF(0, 0)});

    painter.save();
    painter.setPen(colour);
    painter.drawGlyphRun(baseline, run);
    painter.restore();
}
