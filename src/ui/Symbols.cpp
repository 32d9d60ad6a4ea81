#include "ui/Symbols.h"

#include "ui/CoreTheme.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>

namespace {

const QString kFontFamily = QStringLiteral("Material Icons");
const QString kFontFile = QStringLiteral(
    "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf");

struct Entry
{
    const char *sfName;
    const char *ligature;
    char32_t codePoint; // the font's character for the same picture
};

// Every symbol name the interface draws. Each ligature must shape to a single glyph of the
// installed font, the same glyph its character maps to (the unit tests check both); a character
// the font lacks draws nothing.
constexpr Entry kTable[] = {
    // Menu tree.
    {"person.fill", "person", 0xE7FD},
    {"bag.fill", "shopping_bag", 0xF1CC},
    {"shippingbox.fill", "inventory_2", 0xE1A1},
    {"cube.fill", "view_in_ar", 0xE9FE},
    {"hand.raised.fill", "pan_tool", 0xE925},
    {"sparkles", "auto_awesome", 0xE65F},
    {"square.stack.3d.up.fill", "layers", 0xE53B},
    {"bolt.fill", "bolt", 0xEA0B},
    {"star.fill", "star", 0xE838},
    {"moon.fill", "dark_mode", 0xE51C},
    {"shield.lefthalf.filled", "security", 0xE32A},
    {"rectangle.3.group.fill", "view_quilt", 0xE8F1},
    {"figure.fencing", "sports_martial_arts", 0xEAE9},
    {"shield.fill", "shield", 0xE9E0},
    {"seal.fill", "workspace_premium", 0xE7AF},
    {"person.2.fill", "group", 0xE7EF},
    {"waveform.path.ecg", "monitor_heart", 0xEAA2},
    {"bubble.left.and.bubble.right.fill", "forum", 0xE0BF},
    {"bubble.left.fill", "chat_bubble", 0xE0CA},
    {"envelope.fill", "mail", 0xE158},
    {"mappin.and.ellipse", "location_on", 0xE0C8},
    {"building.2.fill", "apartment", 0xEA40},
    {"map.fill", "map", 0xE55B},
    {"flag.fill", "flag", 0xE153},
    {"gearshape.fill", "settings", 0xE8B8},
    {"slider.horizontal.3", "tune", 0xE429},
    {"timer", "timer", 0xE425},
    {"gauge.with.dots.needle.33percent", "speed", 0xE9E4},
    {"square.grid.2x2.fill", "grid_view", 0xE9B0},
    {"heart.fill", "favorite", 0xE87D},
    {"chart.bar.fill", "bar_chart", 0xE26B},
    {"clock.fill", "schedule", 0xE8B5},
    {"diamond.fill", "diamond", 0xEAD5},
    {"music.note", "music_note", 0xE405},
    {"person.crop.rectangle.fill", "badge", 0xEA67},
    {"square.stack.fill", "filter_none", 0xE3E0},
    {"eye.slash.fill", "visibility_off", 0xE8F5},
    {"eye.fill", "visibility", 0xE8F4},
    {"square.dashed", "crop_free", 0xE3C2},
    {"arrow.up.and.down.and.arrow.left.and.right", "open_with", 0xE89F},
    {"arrow.counterclockwise", "replay", 0xE042},
    {"questionmark", "question_mark", 0xEB8B},
    {"xmark.circle.fill", "cancel", 0xE5C9},
    {"rectangle.portrait.and.arrow.right", "logout", 0xE9BA},
    {"chevron.right", "chevron_right", 0xE5CC},
    {"person.crop.circle", "account_circle", 0xE853},
    // Status item, command bar and setup check.
    {"circle.hexagongrid.fill", "hive", 0xEAA6},
    {"checkmark.shield", "verified_user", 0xE8E8},
    {"magnifyingglass", "search", 0xE8B6},
    {"equal.circle.fill", "calculate", 0xEA5F},
    {"globe", "public", 0xE80B},
    {"app.fill", "apps", 0xE5C3},
    {"checkmark.seal.fill", "verified", 0xEF76},
    {"checkmark.circle.fill", "check_circle", 0xE86C},
    {"checkmark.circle", "check_circle_outline", 0xE92D},
    {"exclamationmark.triangle.fill", "warning", 0xE002},
    {"minus.circle", "remove_circle_outline", 0xE15D},
    // Panels: clipboard, skills, loadouts, music, quests.
    {"link", "link", 0xE157},
    {"folder.fill", "folder", 0xE2C7},
    {"doc.text.fill", "description", 0xE873},
    {"pin.fill", "push_pin", 0xF10D},
    {"pin.slash.fill", "location_off", 0xE0C7},
    {"trash.fill", "delete", 0xE872},
    {"star", "star_border", 0xE83A},
    {"plus", "add", 0xE145},
    {"xmark", "close", 0xE5CD},
    {"rectangle.on.rectangle.angled", "flip_to_front", 0xE883},
    {"display.2", "desktop_windows", 0xE30C},
    {"backward.fill", "fast_rewind", 0xE020},
    {"play.fill", "play_arrow", 0xE037},
    {"pause.fill", "pause", 0xE034},
    {"forward.fill", "fast_forward", 0xE01F},
};

const QHash<QString, const Entry *> &table()
{
    static const QHash<QString, const Entry *> map = [] {
        QHash<QString, const Entry *> m;
        for (const Entry &entry : kTable)
            m.insert(QLatin1String(entry.sfName), &entry);
        return m;
    }();
    return map;
}

constexpr Entry kFallback{"", "help_outline", 0xE8FD};

const Entry &entryFor(const QString &sfName)
{
    return *table().value(sfName, &kFallback);
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

// The glyph a symbol's character maps to, at a size. Looked up in the font's character map, not
// shaped from the ligature: the glyph is the same, and shaping would copy the font's ligature
// tables (some 60 KB) into memory for as long as the font is in use. Kept, since the interface
// draws the same few dozen symbols at a handful of sizes. Empty when the font lacks it.
QGlyphRun glyphRun(char32_t codePoint, double pointSize)
{
    static QHash<QPair<char32_t, double>, QGlyphRun> cache;
    const auto key = qMakePair(codePoint, pointSize);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;

    QGlyphRun run;
    const QRawFont raw = QRawFont::fromFont(Symbols::font(pointSize));
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUcs4(&codePoint, 1));
    if (glyphs.size() == 1 && glyphs.first() != 0) {
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
    }
    if (cache.size() > 512)
        cache.clear();
    cache.insert(key, run);
    return run;
}

} // namespace

QString Symbols::ligature(const QString &sfName)
{
    return QLatin1String(entryFor(sfName).ligature);
}

char32_t Symbols::codePoint(const QString &sfName)
{
    return entryFor(sfName).codePoint;
}

QString Symbols::fallbackLigature()
{
    return QLatin1String(kFallback.ligature);
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
    QGlyphRun run = glyphRun(codePoint(sfName), pointSize);
    // No glyph: the installed font lacks the picture.
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
