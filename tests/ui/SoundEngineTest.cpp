#include "fakes/FakeClock.h"
#include "ui/CoreSoundEngine.h"
#include "ui/EffectCueSoundPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

using Cue = CoreSoundEngine::Cue;

namespace {

const QString generatedSounds = QStringLiteral(KAIDRO_RESOURCES_DIR "/sounds");

const QStringList allNames
    = {"zel_open", "zel_close", "zel_select", "zel_confirm", "zel_cancel", "zel_hover"};
constexpr Cue allCues[]
    = {Cue::open, Cue::close, Cue::select, Cue::confirm, Cue::cancel, Cue::hover};

struct Play
{
    QString name;
    float volume;
};

// Stands in for a real player and writes every start into the test's log.
class RecordingPlayer final : public CueSoundPlayer
{
public:
    RecordingPlayer(QString name, std::vector<Play> &log)
        : m_name(std::move(name))
        , m_log(log)
    { }
    void setVolume(float volume) override { m_volume = volume; }
    void restart() override { m_log.push_back({m_name, m_volume}); }

private:
    QString m_name;
    std::vector<Play> &m_log;
    float m_volume = -1.0f;
};

class SoundEngine : public ::testing::Test
{
protected:
    // Copies the generated cues, without the `omitted` ones, into the test's folder.
    void layOut(const QStringList &omitted = {})
    {
        for (const QString &name : allNames) {
            if (omitted.contains(name))
                continue;
            const QString file = name + ".wav";
            EXPECT_TRUE(QFile::copy(generatedSounds + "/" + file, m_folder.filePath(file)))
                << file.toStdString();
        }
    }

    // An engine over whatever the test's folder holds now.
    std::unique_ptr<CoreSoundEngine> createEngine()
    {
        return std::make_unique<CoreSoundEngine>(
            m_folder.path(), m_clock,
            [this](const QString &path) -> std::unique_ptr<CueSoundPlayer> {
                m_created << QFileInfo(path).completeBaseName();
                return std::make_unique<RecordingPlayer>(m_created.last(), m_plays);
            });
    }

    std::unique_ptr<CoreSoundEngine> makeEngine(const QStringList &omitted = {})
    {
        layOut(omitted);
        return createEngine();
    }

    QStringList played() const
    {
        QStringList names;
        for (const Play &play : m_plays)
            names << play.name;
        return names;
    }

    QTemporaryDir m_folder;
    FakeClock m_clock;
    QStringList m_created;
    std::vector<Play> m_plays;
};

TEST_F(SoundEngine, MissingFilesSilenceOnlyTheirCues)
{
    auto engine = makeEngine({"zel_cancel", "zel_hover"});
    EXPECT_FALSE(engine->players().contains(Cue::cancel));
    for (Cue cue : allCues) {
        m_clock.advance(1.0);
        engine->play(cue);
    }
    EXPECT_EQ(played(), QStringList({"zel_open", "zel_close", "zel_select", "zel_confirm"}));
    EXPECT_EQ(engine->lastHoverAt(), 0.0) << "a missing hover leaves the throttle untouched";
}

TEST_F(SoundEngine, FilesThatAreNotWavesGetNoPlayer)
{
    layOut({"zel_open", "zel_close", "zel_select", "zel_confirm"});
    const auto write = [this](const QString &name, const QByteArray &bytes) {
        QFile file(m_folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("zel_open.wav", "this is not a sound at all");
    write("zel_close.wav", "");
    write("zel_select.wav", QByteArray("RIFF\x24\x00\x00", 7)); // cut off in the header
    write("zel_confirm.wav",
          QByteArray("RIFF\x24\x00\x00\x00"
                     "AVI ",
                     12));

    auto engine = createEngine();
    EXPECT_EQ(m_created, QStringList({"zel_cancel", "zel_hover"}));
    engine->play(Cue::select);
    EXPECT_TRUE(m_plays.empty());
}

TEST_F(SoundEngine, LoadsEverySoundOnceInCueOrderAndRestartsItsOnePlayerAtTheVolume)
{
    auto engine = makeEngine();
    EXPECT_EQ(m_created, allNames);
    EXPECT_EQ(engine->players().size(), 6u);
    EXPECT_TRUE(m_plays.empty());
    engine->play(Cue::confirm, 0.6f);
    engine->play(Cue::confirm);
    engine->play(Cue::confirm, 3.0f);
    EXPECT_EQ(m_created.count("zel_confirm"), 1) << "playing must never make a player";
    ASSERT_EQ(played(), QStringList({"zel_confirm", "zel_confirm", "zel_confirm"}));
    EXPECT_FLOAT_EQ(m_plays[0].volume, 0.6f);
    EXPECT_FLOAT_EQ(m_plays[1].volume, 1.0f);
    EXPECT_FLOAT_EQ(m_plays[2].volume, 1.0f);
}

TEST_F(SoundEngine, HoverTicksCloserThanTheThrottleAreDroppedAndADisabledEngineIsSilent)
{
    auto engine = makeEngine();
    m_clock.setUptime(500.0);
    engine->play(Cue::hover, 0.3f);
    m_clock.setUptime(500.05);
    engine->play(Cue::hover, 0.3f);
    EXPECT_EQ(played(), QStringList({"zel_hover"}));
    EXPECT_EQ(engine->lastHoverAt(), 500.0) << "a dropped tick must not move the throttle";

    // Other cues neither wait for nor move the throttle.
    engine->play(Cue::select);
    engine->play(Cue::select);
    EXPECT_EQ(engine->lastHoverAt(), 500.0);
    m_clock.setUptime(500.1);
    engine->play(Cue::hover, 0.3f);
    EXPECT_EQ(played(), QStringList({"zel_hover", "zel_select", "zel_select", "zel_hover"}));
    EXPECT_EQ(engine->lastHoverAt(), 500.1);

    // Disabled: nothing plays and the throttle stays; the change is signalled once.
    m_plays.clear();
    int changes = 0;
    QObject::connect(engine.get(), &CoreSoundEngine::isEnabledChanged, [&] { ++changes; });
    ASSERT_TRUE(engine->isEnabled());
    engine->setEnabled(false);
    engine->setEnabled(false);
    EXPECT_EQ(changes, 1);
    for (Cue cue : allCues) {
        m_clock.advance(1.0);
        engine->play(cue);
    }
    EXPECT_TRUE(m_plays.empty());
    EXPECT_EQ(engine->lastHoverAt(), 500.1);
    engine->setEnabled(true);
    engine->play(Cue::hover);
    EXPECT_EQ(played(), QStringList({"zel_hover"}));
}

QByteArray le(quint32 value, int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes += char(value >> (8 * i));
    return bytes;
}

std::uint32_t readLe(const QByteArray &bytes, qsizetype at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// The generator writes the canonical layout: RIFF, a 16-byte PCM "fmt " chunk, then "data".
TEST(GeneratedCues, AreDistinctShortCleanMonoWaves)
{
    QSet<QByteArray> seen;
    for (const QString &name : allNames) {
        SCOPED_TRACE(name.toStdString());
        QFile file(generatedSounds + "/" + name + ".wav");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray wav = file.readAll();
        ASSERT_GT(wav.size(), 44);
        const qsizetype dataBytes = wav.size() - 44;
        // PCM, mono, 44100 Hz, 2 bytes a frame, 16 bits, and the data filling the rest.
        EXPECT_EQ(wav.left(44),
                  "RIFF" + le(dataBytes + 36, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2)
                      + le(44100, 4) + le(44100 * 2, 4) + le(2, 2) + le(16, 2) + "data"
                      + le(dataBytes, 4));
        EXPECT_LT(dataBytes / 2 / 44100.0, 0.5);

        std::vector<int> samples;
        for (qsizetype at = 44; at < wav.size(); at += 2)
            samples.push_back(static_cast<std::int16_t>(readLe(wav, at, 2)));
        // Starting or stopping away from silence is heard as a click.
        EXPECT_LE(std::abs(samples.front()), 64);
        EXPECT_LE(std::abs(samples.back()), 64);
        int peak = 0;
        for (int s : samples)
            peak = std::max(peak, std::abs(s));
        EXPECT_NEAR(20.0 * std::log10(peak / 32768.0), -6.0, 1.0);

        EXPECT_FALSE(seen.contains(wav.mid(44))) << "same sound as an earlier cue";
        seen.insert(wav.mid(44));
    }
}

TEST(EffectPlayers, LoadAllGeneratedCues)
{
    FakeClock clock;
    std::vector<const EffectCueSoundPlayer *> effects;
    CoreSoundEngine engine(generatedSounds, clock, [&](const QString &path) {
        auto player = std::make_unique<EffectCueSoundPlayer>(path);
        effects.push_back(player.get());
        return std::unique_ptr<CueSoundPlayer>(std::move(player));
    });
    ASSERT_EQ(engine.players().size(), 6u);

    const auto loading = [&] {
        return std::any_of(effects.begin(), effects.end(), [](const EffectCueSoundPlayer *p) {
            const QSoundEffect::Status status = p->effect().status();
            return status == QSoundEffect::Null || status == QSoundEffect::Loading;
        });
    };
    QElapsedTimer waited;
    waited.start();
    while (loading() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (std::size_t i = 0; i < effects.size(); ++i)
        EXPECT_EQ(effects[i]->effect().status(), QSoundEffect::Ready)
            << allNames[int(i)].toStdString();

    // With no sound server this plays silently; it must not fail.
    engine.play(Cue::open, 0.7f);
    engine.play(Cue::open);
}

} // namespace
