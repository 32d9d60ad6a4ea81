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

const QString kOffline = QStringLiteral("Ollama offline");

// The service talks to a stand-in server on the loopback address. Waits after starting the
// server are recorded and run at once.
class Ollama : public ServiceFixture
{
protected:
    FakeOllamaServer server;
    QList<int> waits;
    // Runs before each recorded wait is let go, with how many came before it.
    std::function<void(int)> beforeWait;

    HUDActionService::Options ollamaOptions()
    {
        HUDActionService::Options o = options();
        o.ollamaBase = server.base();
        o.schedule = [this](int ms, std::function<void()> then) {
            if (beforeWait)
                beforeWait(int(waits.size()));
            waits << ms;
            QTimer::singleShot(0, std::move(then));
        };
        return o;
    }

    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_TRUE(server.listening());
        make(ollamaOptions());
    }

    // Runs the event loop until the wake or unload is over.
    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !service->isWorking(); }, kWaitMs));
    }

    static QUrl closedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
    }
};

TEST_F(Ollama, WakeWarmsTheFirstChatModelAndNamesItWithoutItsTag)
{
    server.models = {QStringLiteral("nomic-embed-text:latest"), QStringLiteral("llama3:8b"),
                     QStringLiteral("mistral:latest")};

    service->wakeAI();
    EXPECT_TRUE(service->isWorking());
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Waking local AI…"));
    settle();

    EXPECT_EQ(service->lastStatus(), QStringLiteral("Awake · llama3"));
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, QStringLiteral("Awake · llama3"));
    EXPECT_TRUE(toasts[0].message.isEmpty());

    const QList<FakeOllamaServer::Request> generate
        = server.requestsTo(QStringLiteral("/api/generate"));
    ASSERT_EQ(generate.size(), 1);
    EXPECT_EQ(generate[0].method, QByteArray("POST"));
    EXPECT_EQ(generate[0].headers.value("content-type"), QByteArray("application/json"));
    const QJsonObject body = generate[0].json();
    EXPECT_EQ(body.value(QStringLiteral("model")).toString(), QStringLiteral("llama3:8b"));
    EXPECT_EQ(body.value(QStringLiteral("prompt")).toString(),
              QStringLiteral("Reply with exactly: ready"));
    EXPECT_EQ(body.value(QStringLiteral("stream")), QJsonValue(false));
    EXPECT_EQ(body.value(QStringLiteral("keep_alive")), QJsonValue(QStringLiteral("30m")));
    EXPECT_EQ(body.value(QStringLiteral("options")).toObject().value(QStringLiteral("num_predict")),
              QJsonValue(8));
    // The server was up: nothing was started.
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_TRUE(waits.isEmpty());
}

TEST_F(Ollama, WakeWithOnlyEmbeddingModelsAsksForAPull)
{
    server.models
        = {QStringLiteral("nomic-embed-text:latest"), QStringLiteral("mxbai-EMBED-large:335m")};
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("No models — ollama pull"));
    EXPECT_EQ(toasts.last().title, QStringLiteral("No models — ollama pull"));
    EXPECT_TRUE(server.requestsTo(QStringLiteral("/api/generate")).isEmpty());
}

TEST_F(Ollama, AModelListThatIsNotJsonReadsAsNoModels)
{
    server.byPath.insert(QStringLiteral("/api/tags"), Reply::http(200, "<html>proxy login</html>"));
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("No models — ollama pull"));

    EXPECT_TRUE(OllamaClient::modelNames(R"({"models": {"name": "x"}})").isEmpty());
    EXPECT_EQ(OllamaClient::modelNames(R"({"models": [{"size": 1}, {"name": 7}, {"name": "ok"}]})"),
              QStringList{QStringLiteral("ok")});
}

TEST_F(Ollama, WarmThatOutlastsItsTimeLimitFails)
{
    HUDActionService::Options o = ollamaOptions();
    o.timeouts.generateMs = 300;
    make(o);
    server.models = {QStringLiteral("llama3:8b")};
    server.generateByModel.insert(QStringLiteral("llama3:8b"), Reply::of(Reply::Kind::silent));

    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Wake failed"));
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].message, QStringLiteral("The request timed out."));
    EXPECT_EQ(log.lines.last(), QStringLiteral("Vantle: Wake failed — The request timed out."));
}

TEST_F(Ollama, WarmAnsweredWithAnErrorIsGenerateFailed)
{
    server.models = {QStringLiteral("llama3:8b")};
    server.generateByModel.insert(QStringLiteral("llama3:8b"),
                                  Reply::http(500, R"({"error":"out of memory"})"));
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Wake failed"));
    EXPECT_EQ(toasts.last().message, QStringLiteral("generate failed"));
}

TEST_F(Ollama, WakeStartsAServerThatIsDownAndUsesItOnceItAnswers)
{
    server.models = {QStringLiteral("qwen2.5-coder:7b")};
    server.byPath.insert(QStringLiteral("/api/tags"), Reply::http(503));
    // The server comes up during the third wait.
    beforeWait = [this](int before) {
        if (before == 2)
            server.byPath.clear();
    };

    service->wakeAI();
    settle();

    EXPECT_EQ(service->lastStatus(), QStringLiteral("Awake · qwen2.5-coder"));
    EXPECT_EQ(waits, QList<int>({400, 400, 400}));
    ASSERT_FALSE(tools.calls.isEmpty());
    const FakeToolRunner::Call &start = tools.calls.last();
    EXPECT_TRUE(start.detached);
    EXPECT_EQ(start.program, QStringLiteral("/bin/sh"));
    EXPECT_EQ(start.arguments,
              QStringList({QStringLiteral("-lc"),
                           QStringLiteral("command -v ollama >/dev/null && ollama serve "
                                          ">/dev/null 2>&1 &")}));
}

TEST_F(Ollama, WakeGivesUpAfterSixteenChecksWhenNothingListens)
{
    HUDActionService::Options o = ollamaOptions();
    o.ollamaBase = closedPort();
    make(o);

    service->wakeAI();
    settle();

    EXPECT_EQ(waits.size(), 16);
    EXPECT_EQ(service->lastStatus(), kOffline);
    ASSERT_EQ(toasts.size(), 1);
    EXPECT_EQ(toasts[0].title, kOffline);
    EXPECT_EQ(toasts[0].message,
              QStringLiteral("Install/start Ollama, then try Tessar Skills / WAKE again."));
    ASSERT_EQ(tools.calls.size(), 1);
    EXPECT_EQ(tools.calls[0].program, QStringLiteral("/bin/sh"));
}

TEST_F(Ollama, AServerThatSpeaksNoHttpIsOfflineAndTheRestrictedEditionStartsNothing)
{
    HUDActionService::Options o = ollamaOptions();
    o.restricted = true;
    make(o);
    server.byPath.insert(QStringLiteral("/api/tags"), Reply::of(Reply::Kind::garbage));

    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), kOffline);
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_TRUE(workspace.attempts.isEmpty());
}

TEST_F(Ollama, UnloadCountsOnlyTheModelsTheServerLetGo)
{
    server.loaded
        = {QStringLiteral("llama3:8b"), QStringLiteral("qwen2:7b"), QStringLiteral("phi3:mini")};
    server.generateByModel.insert(QStringLiteral("qwen2:7b"), Reply::http(500));
    server.generateByModel.insert(QStringLiteral("phi3:mini"), Reply::of(Reply::Kind::hangUp));

    service->unloadAI();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Unloading models…"));
    settle();

    EXPECT_EQ(service->lastStatus(), QStringLiteral("Unloaded 1 model"));
    EXPECT_EQ(toasts.last().title, QStringLiteral("Unloaded 1 model"));
    // Qt sends a request again, once, when the connection drops before any answer.
    QStringList models;
    for (const FakeOllamaServer::Request &request :
         server.requestsTo(QStringLiteral("/api/generate"))) {
        const QJsonObject body = request.json();
        if (!models.contains(body.value(QStringLiteral("model")).toString()))
            models << body.value(QStringLiteral("model")).toString();
        EXPECT_EQ(body.value(QStringLiteral("prompt")), QJsonValue(QString()));
        EXPECT_EQ(body.value(QStringLiteral("stream")), QJsonValue(false));
        // The number 0, not the text "0": the server unloads at once.
        EXPECT_EQ(body.value(QStringLiteral("keep_alive")), QJsonValue(0));
    }
    EXPECT_EQ(models, server.loaded);
}

TEST_F(Ollama, UnloadCountsInThePlural)
{
    server.loaded = {QStringLiteral("llama3:8b"), QStringLiteral("qwen2:7b")};
    service->unloadAI();
    settle();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Unloaded 2 models"));

    server.loaded.clear();
    service->unloadAI();
    settle();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Idle · nothing loaded"));
}

TEST_F(Ollama, UnloadWithTheServerDownStartsNothing)
{
    HUDActionService::Options o = ollamaOptions();
    o.ollamaBase = closedPort();
    make(o);
    service->unloadAI();
    settle();
    EXPECT_EQ(service->lastStatus(), kOffline);
    EXPECT_EQ(log.lines.last(), QStringLiteral("Vantle: Ollama offline"));
    EXPECT_TRUE(tools.calls.isEmpty());
    EXPECT_TRUE(waits.isEmpty());
}

TEST_F(Ollama, WorkingStaysOnUntilTheLastOfOverlappingRequestsEnds)
{
    server.models = {QStringLiteral("llama3:8b")};
    server.generateByModel.insert(QStringLiteral("llama3:8b"), Reply::of(Reply::Kind::silent));
    QSignalSpy working(service.get(), &HUDActionService::isWorkingChanged);

    service->wakeAI(); // its warm gets no answer until the server hangs up
    service->unloadAI(); // nothing loaded: over after two calls
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return service->lastStatus() == QStringLiteral("Idle · nothing loaded"); }, kWaitMs));
    EXPECT_TRUE(service->isWorking());

    server.hangUpSilent();
    settle();
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Wake failed"));
    ASSERT_EQ(working.size(), 2);
    EXPECT_TRUE(working[0][0].toBool());
    EXPECT_FALSE(working[1][0].toBool());
}

TEST_F(Ollama, StatusSummaryGoesOnTheClipboardButNotIntoTheLog)
{
    server.loaded = {QStringLiteral("llama3:8b"), QStringLiteral("qwen2:7b")};
    stats.physical = 17179869184.0 + 1073741824.0 * 0.25;

    service->copyStatus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pasteboard.written.isEmpty(); }, kWaitMs));

    const QStringList lines = pasteboard.written[0].split(QLatin1Char('\n'));
    EXPECT_EQ(lines,
              QStringList(
                  {QStringLiteral("Kaidro · ") + QSysInfo::machineHostName(),
                   QStringLiteral("Time: ") + QLocale().toString(clock.now(), QLocale::ShortFormat),
                   QStringLiteral("Mem total: 16.2 GB"), QStringLiteral("Ollama: up"),
                   QStringLiteral("Loaded: llama3:8b, qwen2:7b")}));
    EXPECT_EQ(service->lastStatus(), QStringLiteral("Status copied"));
    EXPECT_EQ(toasts.last().message, pasteboard.written[0]);
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("Vantle: Status copied")});
}

TEST_F(Ollama, StatusSummaryWithTheServerDown)
{
    HUDActionService::Options o = ollamaOptions();
    o.ollamaBase = closedPort();
    make(o);
    service->copyStatus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pasteboard.written.isEmpty(); }, kWaitMs));
    EXPECT_TRUE(pasteboard.written[0].endsWith(QStringLiteral("Ollama: down\nLoaded: none")));
}

TEST(OllamaEndpoint, PathsJoinTheBaseWhateverItsSlashes)
{
    EXPECT_EQ(OllamaClient::endpoint(QUrl(QStringLiteral("http://127.0.0.1:11434")),
                                     QStringLiteral("api/generate")),
              QUrl(QStringLiteral("http://127.0.0.1:11434/api/generate")));
    EXPECT_EQ(OllamaClient::endpoint(QUrl(QStringLiteral("http://host:1/ollama/")),
                                     QStringLiteral("/api/tags")),
              QUrl(QStringLiteral("http://host:1/ollama/api/tags")));
}

} // namespace
