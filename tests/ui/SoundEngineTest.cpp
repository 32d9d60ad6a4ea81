#include "app/CueSoundModule.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeSystemLog.h"
#include "support/TestHelpers.h"
#include "ui/CoreSoundEngine.h"
#include "ui/EffectCueSoundPlayer.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using Cue = SoundCue;

namespace {

const QString generatedSounds = QStringLiteral(KAIDRO_RESOURCES_DIR "/sounds");
const QStringList allNames
    = {"zel_open", "zel_close", "zel_select", "zel_confirm", "zel_cancel", "zel_hover"};
constexpr Cue allCues[]
    = {Cue::open, Cue::close, Cue::select, Cue::confirm, Cue::cancel, Cue::hover};

// Stands in for a real player and hands every start, with its volume, to the test.
struct RecordingPlayer final : CueSoundPlayer
{
    std::function<void(float volume)> onRestart;
    float volume = -1.0f;
    void setVolume(float v) override { volume = v; }
    void restart() override { onRestart(volume); }
};

struct SoundEngine : ::testing::Test
{
    // An engine over the generated cues but the `omitted` and `replaced` ones, logging each start.
    std::unique_ptr<CoreSoundEngine> makeEngine(const QStringList &omitted = {},
                                                const QMap<QString, QByteArray> &replaced = {})
    {
        for (const QString &name : allNames) {
            const QString file = m_folder.filePath(name + ".wav");
            if (replaced.contains(name))
                writeFile(file, replaced[name]);
            else if (!omitted.contains(name)
                     && !QFile::copy(generatedSounds + "/" + name + ".wav", file))
                ADD_FAILURE() << "could not copy " << name.toStdString();
        }
        return std::make_unique<CoreSoundEngine>(
            m_folder.path(), m_clock,
            [this](const QString &path) -> std::unique_ptr<CueSoundPlayer> {
                const QString name = QFileInfo(path).completeBaseName();
                m_created << name;
                auto player = std::make_unique<RecordingPlayer>();
                player->onRestart
                    = [=, this](float v) { m_played << name + ' ' + QString::number(v); };
                return player;
            });
    }

    void playEveryCue(CoreSoundEngine &engine)
    {
        for (Cue cue : allCues) {
            m_clock.advance(1.0);
            engine.play(cue);
        }
    }

    QTemporaryDir m_folder;
    FakeClock m_clock;
    QStringList m_created;
    QStringList m_played;
};

} // namespace

TEST_F(SoundEngine, MissingFilesAndFilesThatAreNotWavesSilenceOnlyTheirCues)
{
    auto engine = makeEngine({"zel_hover"},
                             {{"zel_open", "this is not a sound at all"},
                              {"zel_close", ""},
                              {"zel_select", QByteArray("RIFF$\0\0", 7)},
                              {"zel_confirm", QByteArray("RIFF$\0\0\0AVI ", 12)}});
    EXPECT_EQ(m_created, QStringList{"zel_cancel"});
    playEveryCue(*engine);
    EXPECT_EQ(m_played, QStringList{"zel_cancel 1"});
    EXPECT_EQ(engine->lastHoverAt(), 0.0) << "a missing hover leaves the throttle untouched";
}

TEST_F(SoundEngine, LoadsEachSoundOnceRestartsItsPlayerAtTheVolumeThrottlesHoverAndCanBeOff)
{
    auto engine = makeEngine();
    EXPECT_EQ(m_created, allNames);
    EXPECT_TRUE(m_played.isEmpty());
    engine->play(Cue::confirm, 0.6f);
    engine->play(Cue::confirm);
    engine->play(Cue::confirm, 3.0f);
    EXPECT_EQ(m_created.count("zel_confirm"), 1) << "playing must never make a player";
    EXPECT_EQ(m_played, QStringList({"zel_confirm 0.6", "zel_confirm 1", "zel_confirm 1"}))
        << "1 by default, and clamped to 1";

    // A hover tick too close to the last is dropped; other cues neither wait for nor move it.
    m_played.clear();
    m_clock.setUptime(500.0);
    engine->play(Cue::hover, 0.3f);
    m_clock.setUptime(500.05);
    engine->play(Cue::hover, 0.3f);
    EXPECT_EQ(engine->lastHoverAt(), 500.0);
    engine->play(Cue::select);
    EXPECT_EQ(engine->lastHoverAt(), 500.0);
    m_clock.setUptime(500.1);
    engine->play(Cue::hover, 0.3f);
    EXPECT_EQ(m_played, QStringList({"zel_hover 0.3", "zel_select 1", "zel_hover 0.3"}));
    EXPECT_EQ(engine->lastHoverAt(), 500.1);

    // Disabled: nothing plays and the throttle stays; the change is signalled once.
    m_played.clear();
    int changes = 0;
    QObject::connect(engine.get(), &CoreSoundEngine::isEnabledChanged, [&] { ++changes; });
    engine->setEnabled(false);
    engine->setEnabled(false);
    EXPECT_EQ(changes, 1);
    playEveryCue(*engine);
    EXPECT_TRUE(m_played.isEmpty());
    EXPECT_EQ(engine->lastHoverAt(), 500.1);
    engine->setEnabled(true);
    engine->play(Cue::hover);
    EXPECT_EQ(m_played, QStringList({"zel_hover 1"}));
}

// The generator writes 16-bit mono PCM after a 44-byte header.
TEST(GeneratedCues, AreDistinctShortCleanMonoWavesThatTheEffectPlayersLoad)
{
    QSet<QByteArray> seen;
    for (const QString &name : allNames) {
        SCOPED_TRACE(name.toStdString());
        QFile file(generatedSounds + "/" + name + ".wav");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray wav = file.readAll();
        ASSERT_GT(wav.size(), 44);
        EXPECT_LT((wav.size() - 44) / 2 / 44100.0, 0.5);

        const auto sample
            = [&](qsizetype at) { return qFromLittleEndian<qint16>(wav.data() + at); };
        int peak = 0;
        for (qsizetype at = 44; at + 1 < wav.size(); at += 2)
            peak = std::max(peak, std::abs(sample(at)));
        EXPECT_NEAR(20.0 * std::log10(peak / 32768.0), -6.0, 1.0);
        // Starting or stopping away from silence is heard as a click.
        EXPECT_LE(std::abs(sample(44)), 64);
        EXPECT_LE(std::abs(sample(wav.size() - 2)), 64);
        EXPECT_FALSE(seen.contains(wav.mid(44))) << "same sound as an earlier cue";
        seen.insert(wav.mid(44));
    }

    FakeClock clock;
    std::vector<const EffectCueSoundPlayer *> effects;
    CoreSoundEngine engine(generatedSounds, clock, [&](const QString &path) {
        auto player = std::make_unique<EffectCueSoundPlayer>(path);
        effects.push_back(player.get());
        return std::unique_ptr<CueSoundPlayer>(std::move(player));
    });
    ASSERT_EQ(effects.size(), 6u);
    const auto ready = [&](const EffectCueSoundPlayer *p) {
        return p->effect().status() == QSoundEffect::Ready;
    };
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return std::all_of(effects.begin(), effects.end(), ready); }, 2000));
    engine.play(Cue::open, 0.7f);
    engine.play(Cue::open);
}

// The program itself plays the cues through the module beside it, loaded at the first start.
TEST(CueSoundModuleTest, LoadsAtTheFirstStartAndWithoutItTheCuesAreSilentWithOneLogLine)
{
    FakeSystemLog log;
    QTemporaryDir empty;
    CueSoundModule missing({empty.path()}, log, [] { return true; });
    auto first = missing.player(generatedSounds + "/zel_open.wav");
    auto second = missing.player(generatedSounds + "/zel_close.wav");
    first->setVolume(0.5f);
    first->restart();
    second->restart();
    first->restart();
    EXPECT_FALSE(missing.isLoaded());
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].contains("vantle-sound.so is missing"));

    FakeSystemLog builtLog;
    CueSoundModule built(
        CueSoundModule::folders(QFileInfo(QStringLiteral(KAIDRO_VANTLE_PATH)).absolutePath()),
        builtLog, [] { return true; });
    auto cue = built.player(generatedSounds + "/zel_select.wav");
    EXPECT_FALSE(built.isLoaded()) << "a player alone loads nothing";
    cue->restart();
    cue->restart();
    EXPECT_TRUE(built.isLoaded());
    // Without a sound device (as on a build machine) the module says so once, and only that.
    EXPECT_LE(builtLog.lines.size(), 1);
    for (const QString &line : builtLog.lines)
        EXPECT_TRUE(line.contains("no sound device")) << line.toStdString();

    // Where no sound server can be reached, the module stays unloaded.
    FakeSystemLog serverlessLog;
    CueSoundModule serverless(
        built.folders(QFileInfo(QStringLiteral(KAIDRO_VANTLE_PATH)).absolutePath()), serverlessLog,
        [] { return false; });
    auto silent = serverless.player(generatedSounds + "/zel_open.wav");
    silent->restart();
    silent->restart();
    EXPECT_FALSE(serverless.isLoaded());
    EXPECT_EQ(serverlessLog.lines,
              QStringList{SystemLog::line("no sound device: the interface cues are silent")});
}
