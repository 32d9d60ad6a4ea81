#include "ui/menu/InventoryText.h"

#include "commandbar/RelativeDate.h"

#include <QRegularExpression>
#include <QStringList>

namespace InventoryText {

QString kindSymbol(ClipItem::Kind kind)
{
    switch (kind) {
    case ClipItem::Kind::link:
        return QStringLiteral("link");
    case ClipItem::Kind::path:
        return QStringLiteral("folder.fill");
    case ClipItem::Kind::text:
        break;
    }
    return QStringLiteral("doc.text.fill");
}

QString shortText(const QString &text, int limit)
{
    const QString line = text.simplified();
    if (line.size() <= limit)
        return line;
    // Never cut a surrogate pair in half.
    int cut = limit;
    if (cut > 0 && line.at(cut - 1).isHighSurrogate())
        --cut;
    return line.left(cut) + QStringLiteral("…");
}

QString caption(const ClipItem &clip, const QDateTime &now, const QString &locale)
{
    QString age;
    const qint64 ms = clip.date.msecsTo(now);
    if (!clip.date.isValid() || ms < 10000)
        age = QStringLiteral("JUST NOW");
    else
        age = RelativeDate::text(clip.date, now, locale).toUpper();
    if (!clip.sourceApp.isEmpty())
        age += QStringLiteral("  ·  ") + clip.sourceApp.toUpper();
    return age;
}

QList<ClipItem> matching(const QList<ClipItem> &clips, const QString &query)
{
    const QStringList words
        = query.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return clips;
    QList<ClipItem> kept;
    for (const ClipItem &clip : clips) {
        const bool all = std::all_of(words.cbegin(), words.cend(), [&clip](const QString &w) {
            return clip.text.contains(w, Qt::CaseInsensitive);
        });
        if (all)
            kept << clip;
    }
    return kept;
}

QString countLine(int items, int pinned)
{
    QString line = QString::number(items)
        + (items == 1 ? QStringLiteral(" item") : QStringLiteral(" items"));
    if (pinned > 0)
        line += QStringLiteral(" + ") + QString::number(pinned) + QStringLiteral(" pinned");
    return line;
}

} // namespace InventoryText
