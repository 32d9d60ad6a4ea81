#include "FuzzSupport.h"
#include "FuzzVariants.h"

#include "platform/linux/MprisTracks.h"

// A media player's answers over the bus: its name among the bus names, its Player properties
// (PlaybackStatus, Metadata) and its Identity, as the now-playing readout reads them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::initializer_list<const char *> keys{"PlaybackStatus", "Metadata",     "xesam:title",
                                                   "xesam:artist",   "xesam:album",  "mpris:length",
                                                   "mpris:artUrl",   "mpris:trackid"};
    QStringList names;
    for (int n = in.ConsumeIntegralInRange<int>(0, 5); n > 0; --n)
        names << Fuzz::text(in,
                            {"org.mpris.MediaPlayer2.spotify",
                             "org.mpris.MediaPlayer2.GnomeMusic.instance2",
                             "org.mpris.MediaPlayer2.playerctld", "org.mpris.MediaPlayer2."});
    const QStringList players = MprisTracks::orderPlayers(names);
    Fuzz::require(players.size() <= names.size(), "no more players than names");

    QVariantMap properties;
    for (int n = in.ConsumeIntegralInRange<int>(0, 4); n > 0; --n)
        properties.insert(Fuzz::text(in, keys), Fuzz::variant(in, keys));
    const QVariant identity = Fuzz::variant(in, keys);
    const QString bus = players.value(0, QStringLiteral("org.mpris.MediaPlayer2.vlc"));
    if (const std::optional<PlayerTrack> track
        = MprisTracks::trackFrom(bus, properties, identity)) {
        Fuzz::require(!track->title.isEmpty(), "a track has a title");
        for (const QString &t : {track->title, track->artist, track->app})
            Fuzz::require(t.size() <= MprisTracks::maxTextLength + 1, "texts are cut");
    }
    const QString cleaned = MprisTracks::cleanText(Fuzz::text(in, {}));
    Fuzz::require(cleaned == cleaned.trimmed(), "clean text is trimmed");
    return 0;
}
