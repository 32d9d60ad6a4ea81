#include "actions/FakeOllamaServer.h"
#include "actions/ServiceFixture.h"

#include <QJsonObject>
#include <QLocale>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTcpServer>
#include <QTimer>

namespace {

using Reply = FakeOllamaServer::Reply;

const QString kOffline = "Ollama offline";

// The service talks to a stand-in server on the loopback address. Waits after starting the
// server are recorded and run at once.
class Ollama : public ServiceFixture
{
protected:
    FakeOllamaServer server;
    QList<int> &waits = feedback.waits;
    // Runs before each recorded wait is let go, with how many came before it.
    std::function<void(int)> &beforeWait = feedback.beforeLater;

    HUDActionService::Options ollamaOptions()
    {
        HUDActionService::Options o = options();
        o.ollamaBase = server.base();
        return o;
    }

    void SetUp() override
    {
        feedback.run = FakeFeedback::Run::nextTurn;
        ServiceFixture::SetUp();
        ASSERT_TRUE(server.listening());
        make(ollamaOptions());
    }

    // Runs the event loop until the wake or unload is over.
    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !service->isWorking(); }, kWaitMs));
    }

    // Remakes the service with other options; with `down`, nothing listens at its address.
    void remake(std::function<void(HUDActionService::Options &)> change, bool down = false)
    {
        HUDActionService::Options o = ollamaOptions();
        if (down) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            o.ollamaBase = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
        }
        change(o);
        make(o);
    }
};

TEST_F(Ollama, WakeWarmsTheFirstChatModelAndNamesItWithoutItsTag)
{
    server.models = {"nomic-embed-text:latest", "llama3:8b", "mistral:latest"};
    service->wakeAI();
    EXPECT_TRUE(service->isWorking());
    EXPECT_EQ(service->lastStatus(), "Waking local AI…");
    settle();
    EXPECT_EQ(service->lastStatus(), "Awake · llama3");
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, "Awake · llama3");
    EXPECT_TRUE(toasts[0].message.isEmpty());

    const QList<FakeOllamaServer::Request> generate = server.requestsTo("/api/generate");
    ASSERT_EQ(generate.size(), 1);
    EXPECT_EQ(generate[0].method, QByteArray("POST"));
    EXPECT_EQ(generate[0].headers.value("content-type"), QByteArray("application/json"));
    EXPECT_EQ(generate[0].json(),
              (QJsonObject{{"model", "llama3:8b"},
                           {"prompt", "Reply with exactly: ready"},
                           {"stream", false},
                           {"keep_alive", "30m"},
                           {"options", QJsonObject{{"num_predict", 8}}}}));
    // The server was up: nothing was started.
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_TRUE(waits.isEmpty());
}

TEST_F(Ollama, OnlyEmbeddingModelsOrAListThatIsNotJsonAskForAPull)
{
    server.models = {"nomic-embed-text:latest", "mxbai-EMBED-large:335m"};
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), "No models — ollama pull");
    EXPECT_EQ(toasts.last().title, "No models — ollama pull");
    EXPECT_TRUE(server.requestsTo("/api/generate").isEmpty());

    server.byPath.insert("/api/tags", Reply::http(200, "<html>proxy login</html>"));
    toasts.clear();
    service->wakeAI();
    settle();
    EXPECT_EQ(toasts.last().title, "No models — ollama pull");
    EXPECT_TRUE(OllamaClient::modelNames(R"({"models": {"name": "x"}})").isEmpty());
    EXPECT_EQ(OllamaClient::modelNames(R"({"models": [{"size": 1}, {"name": 7}, {"name": "ok"}]})"),
              QStringList{"ok"});
}

TEST_F(Ollama, WarmThatOutlastsItsTimeLimitOrAnswersWithAnErrorFails)
{
    remake([](HUDActionService::Options &o) { o.timeouts.generateMs = 300; });
    server.models = {"llama3:8b", "qwen2:7b"};
    server.generateByModel.insert("llama3:8b", Reply::of(Reply::Kind::silent));
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), "Wake failed");
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].message, "The request timed out.");
    EXPECT_EQ(log.lines.last(), "Vantle: Wake failed — The request timed out.");

    server.generateByModel.insert("llama3:8b", Reply::http(500, R"({"error":"out of memory"})"));
    service->wakeAI();
    settle();
    EXPECT_EQ(toasts.last().title + " " + toasts.last().message, "Wake failed generate failed");
}

TEST_F(Ollama, WakeStartsAServerThatIsDownAndUsesItOnceItAnswers)
{
    server.models = {"qwen2.5-coder:7b"};
    server.byPath.insert("/api/tags", Reply::http(503));
    // The server comes up during the third wait.
    beforeWait = [this](int before) {
        if (before == 2)
            server.byPath.clear();
    };
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), "Awake · qwen2.5-coder");
    EXPECT_EQ(waits, QList<int>({400, 400, 400}));
    ASSERT_FALSE(tools.calls.isEmpty());
    const FakeToolRunner::Call &start = tools.calls.last();
    EXPECT_TRUE(start.detached);
    EXPECT_EQ(start.program, "/bin/sh");
    EXPECT_EQ(
        start.arguments,
        QStringList({"-lc", "command -v ollama >/dev/null && ollama serve >/dev/null 2>&1 &"}));
}

TEST_F(Ollama, WakeGivesUpAfterSixteenChecksWhenNothingListensAndUnloadStartsNothing)
{
    remake([](HUDActionService::Options &) {}, true);
    service->wakeAI();
    settle();
    EXPECT_EQ(waits.size(), 16);
    EXPECT_EQ(service->lastStatus(), kOffline);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, kOffline);
    EXPECT_EQ(toasts[0].message, "Install/start Ollama, then try Tessar Skills / WAKE again.");
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, "/bin/sh");

    // Unloading with the server down starts nothing.
    waits.clear();
    service->unloadAI();
    settle();
    EXPECT_EQ(service->lastStatus(), kOffline);
    EXPECT_EQ(log.lines.last(), "Vantle: Ollama offline");
    EXPECT_EQ(tools.calls.size(), 1);
    EXPECT_TRUE(waits.isEmpty());
}

TEST_F(Ollama, AServerThatSpeaksNoHttpIsOfflineAndTheRestrictedEditionStartsNothing)
{
    remake([](HUDActionService::Options &o) { o.restricted = true; });
    server.byPath.insert("/api/tags", Reply::of(Reply::Kind::garbage));
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), kOffline);
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_TRUE(workspace.attempts.isEmpty());
}

TEST_F(Ollama, UnloadCountsOnlyTheModelsTheServerLetGo)
{
    server.loaded = {"llama3:8b", "qwen2:7b", "phi3:mini"};
    server.generateByModel.insert("qwen2:7b", Reply::http(500));
    server.generateByModel.insert("phi3:mini", Reply::of(Reply::Kind::hangUp));
    service->unloadAI();
    EXPECT_EQ(service->lastStatus(), "Unloading models…");
    settle();
    EXPECT_EQ(service->lastStatus(), "Unloaded 1 model");
    EXPECT_EQ(toasts.last().title, "Unloaded 1 model");
    // Qt sends a request again, once, when the connection drops before any answer.
    QStringList models;
    for (const FakeOllamaServer::Request &request : server.requestsTo("/api/generate")) {
        const QJsonObject body = request.json();
        if (!models.contains(body.value("model").toString()))
            models << body.value("model").toString();
        // The number 0, not the text "0": the server unloads at once.
        EXPECT_EQ(body,
                  (QJsonObject{{"model", body.value("model")},
                               {"prompt", ""},
                               {"stream", false},
                               {"keep_alive", 0}}));
    }
    EXPECT_EQ(models, server.loaded);

    server.generateByModel.clear();
    server.loaded = {"llama3:8b", "qwen2:7b"};
    service->unloadAI();
    settle();
    EXPECT_EQ(service->lastStatus(), "Unloaded 2 models");
    server.loaded.clear();
    service->unloadAI();
    settle();
    EXPECT_EQ(service->lastStatus(), "Idle · nothing loaded");
}

TEST_F(Ollama, WorkingStaysOnUntilTheLastOfOverlappingRequestsEnds)
{
    server.models = {"llama3:8b"};
    server.generateByModel.insert("llama3:8b", Reply::of(Reply::Kind::silent));
    QSignalSpy working(service.get(), &HUDActionService::isWorkingChanged);
    service->wakeAI(); // its warm gets no answer until the server hangs up
    service->unloadAI(); // nothing loaded: over after two calls
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service->lastStatus() == "Idle · nothing loaded"; }, kWaitMs));
    EXPECT_TRUE(service->isWorking());
    server.hangUpSilent();
    settle();
    EXPECT_EQ(service->lastStatus(), "Wake failed");
    ASSERT_EQ(working.size(), 2);
    EXPECT_TRUE(working[0][0].toBool());
    EXPECT_FALSE(working[1][0].toBool());
}

TEST_F(Ollama, StatusSummaryGoesOnTheClipboardButNotIntoTheLog)
{
    server.loaded = {"llama3:8b", "qwen2:7b"};
    stats.physical = 17179869184.0 + 1073741824.0 * 0.25;
    service->copyStatus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pasteboard.written.isEmpty(); }, kWaitMs));
    EXPECT_EQ(pasteboard.written[0].split('\n'),
              QStringList({"Kaidro · " + QSysInfo::machineHostName(),
                           "Time: " + QLocale().toString(clock.now(), QLocale::ShortFormat),
                           "Mem total: 16.2 GB", "Ollama: up", "Loaded: llama3:8b, qwen2:7b"}));
    EXPECT_EQ(service->lastStatus(), "Status copied");
    EXPECT_EQ(toasts.last().message, pasteboard.written[0]);
    EXPECT_EQ(log.lines, QStringList{"Vantle: Status copied"});

    remake([](HUDActionService::Options &) {}, true);
    service->copyStatus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pasteboard.written.size() == 2; }, kWaitMs));
    EXPECT_TRUE(pasteboard.written[1].endsWith("Ollama: down\nLoaded: none"));
}

TEST(OllamaEndpoint, PathsJoinTheBaseWhateverItsSlashes)
{
    EXPECT_EQ(OllamaClient::endpoint(QUrl("http://127.0.0.1:11434"), "api/generate"),
              QUrl("http://127.0.0.1:11434/api/generate"));
    EXPECT_EQ(OllamaClient::endpoint(QUrl("http://host:1/ollama/"), "/api/tags"),
              QUrl("http://host:1/ollama/api/tags"));
}

} // namespace
