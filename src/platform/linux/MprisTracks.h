#pragma once

#include "platform/MediaPlayers.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// Reading MPRIS players' answers into tracks. The answers come from other programs over the bus
// and may be anything: every function here takes what arrived and never trusts its shape.
namespace MprisTracks {

inline const QString busPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
// Titles, artists and names longer than this are cut for drawing.
constexpr qsizetype maxTextLength = 200;

// Players beyond this many are not asked: every read asks each of them twice.
constexpr qsizetype maxPlayers = 32;

// The MPRIS players among `busNames`, in the order they are asked: GNOME Music, then Spotify
// (each also under a name with an instance suffix), then the others by name; the first
// `maxPlayers` of them. `more`, when given, says whether there were more.
QStringList orderPlayers(const QStringList &busNames, bool *more = nullptr);

// Text for drawing: control characters become spaces, white space is collapsed and trimmed, and
// text over `maxTextLength` characters is cut (never inside a character) with an ellipsis.
QString cleanText(const QString &text);

// The track of the player at `busName` from its org.mpris.MediaPlayer2.Player properties and its
// Identity. Nothing when it is stopped or its metadata has no usable title.
std::optional<PlayerTrack> trackFrom(const QString &busName, const QVariantMap &playerProperties,
                                     const QVariant &identity);

} // namespace MprisTracks
