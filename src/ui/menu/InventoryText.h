#pragma once

#include "clipboard/ClipItem.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The texts of the clipboard pack: tile captions, the footer counts, and which clips a search
// keeps.
namespace InventoryText {

// "link", "folder.fill" or "doc.text.fill" for the clip's kind.
QString kindSymbol(ClipItem::Kind kind);
// The clip on one line: runs of white space (line breaks included) become one space, ends
// trimmed, at most `limit` characters with "…" after.
QString shortText(const QString &text, int limit = 140);
// "JUST NOW" under 10 seconds, else the relative date in upper case ("5 MINUTES AGO"), then
// "  ·  " and the source app in upper case when there is one. `locale` is an ICU locale name;
// empty: the process's.
QString caption(const ClipItem &clip, const QDateTime &now, const QString &locale = {});
// The clips whose text holds every word of `query`, in any case; all of them for a blank query.
QList<ClipItem> matching(const QList<ClipItem> &clips, const QString &query);
// "1 item", "3 items + 1 pinned".
QString countLine(int items, int pinned);

} // namespace InventoryText
