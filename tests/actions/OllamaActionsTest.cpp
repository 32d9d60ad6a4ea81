#include "actions/FakeOllamaServer.h"
#include "actions/ServiceFixture.h"

#include "actions/OllamaClient.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeOllamaServer::Reply;

const QString kOffline = "Ollama offline";

// The service against the stand-in server; waits after starting it are recorded and run at once.
class Ollama : public ServiceFixture
{
protected:
    FakeOllamaServer server;

    void adjust(Options &o) const override { o.ollamaBase = server.base(); }

    void SetUp() override
    {
        feedback.nextTurn = true;
        ServiceFixture::SetUp();
    }

    void settle()
    {
        ASSERT_TRUE(waitFor([&] { return !service->isWorking(); }));
    }

    void makeDown() // nothing listens at its address
    {
        const QUrl url("http://127.0.0.1:" + QString::number(LoopbackServer::freePort()));
        make([&](Options &o) { o.ollamaBase = url; });
    }
};

TEST_F(Ollama, WakeWarmsTheFirstChatModelAndNamesItWithoutItsTagOrSaysWhyNot)
{
    make([](Options &o) { o.timeouts.generateMs = 300; });
    const QStringList two{"llama3:8b", "qwen2:7b"};
    const Reply silent = Reply::of(Reply::Kind::silent),
                oom = Reply::http(500, R"({"error":"out of memory"})");
    // What the status, the toast and the log say, and the models warmed.
    const struct Case
    {
        QStringList models;
        std::optional<Reply> tags, warm;
        QString said, warmed;
    } cases[]
        = {{{"nomic-embed-text", "llama3:8b", "mistral"}, {}, {}, "Awake · llama3", "llama3:8b"},
           {{"nomic-embed-text", "mxbai-EMBED-large:335m"}, {}, {}, "No models — ollama pull", ""},
           {two, Reply::http(200, "<html>proxy login</html>"), {}, "No models — ollama pull", ""},
           {two, {}, silent, "Wake failed — The request timed out.", two[0]},
           {two, {}, oom, "Wake failed — generate failed", two[0]}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.said.toStdString());
        server.models = c.models;
        server.byPath.clear();
        server.generateByModel.clear();
        server.requests.clear();
        if (c.tags)
            server.byPath.insert("/api/tags", *c.tags);
        if (c.warm)
            server.generateByModel.insert(c.models[0], *c.warm);
        const qsizetype before = toasts.size();
        service->wakeAI();
        EXPECT_EQ(service->lastStatus(), "Waking local AI…");
        settle();
        ASSERT_EQ(toasts.size(), before + 1);
        EXPECT_EQ(service->lastStatus(), toasts.last().title);
        const QString message = toasts.last().message;
        EXPECT_EQ(toasts.last().title + (message.isEmpty() ? "" : " — " + message), c.said);
        EXPECT_EQ(log.lines.last(), "Vantle: " + c.said);
        QStringList warmed;
        for (const FakeOllamaServer::Request &request : server.requestsTo("/api/generate"))
            warmed << request.json().value("model").toString();
        EXPECT_EQ(warmed.join(' '), c.warmed);
    }
    // The server was up: nothing was started.
    EXPECT_TRUE(tools.calls.isEmpty() && feedback.waits.isEmpty());
}

TEST(OllamaClientParsing, ModelNamesAndEndpointsWhateverTheSlashes)
{
    EXPECT_TRUE(OllamaClient::modelNames(R"({"models": {"name": "x"}})").isEmpty());
    EXPECT_EQ(OllamaClient::modelNames(R"({"models": [{"size": 1}, {"name": 7}, {"name": "ok"}]})"),
              QStringList{"ok"});
    EXPECT_EQ(OllamaClient::endpoint(QUrl("http://host:1/ollama/"), "/api/tags"),
              QUrl("http://host:1/ollama/api/tags"));
}

TEST(OllamaClientAnswers, AnAnswerOverTheCapIsGivenUpAndOneUnderItRead)
{
    FakeOllamaServer server;
    OllamaClient client;
    client.setBase(server.base());
    client.setTimeouts({10000, 10000, 10000, 10000});
    for (const qint64 size :
         {OllamaClient::maxAnswerBytes - 1024, OllamaClient::maxAnswerBytes + 1}) {
        server.byPath["/api/tags"] = Reply::http(200, QByteArray(size, ' ') + R"({"models":[]})");
        std::optional<bool> up;
        client.checkServer(&server, [&](bool answer) { up = answer; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return up.has_value(); }, 5000));
        EXPECT_EQ(*up, size < OllamaClient::maxAnswerBytes) << size;
    }
}

TEST_F(Ollama, WakeStartsAServerThatIsDownAndUsesItOnceItAnswers)
{
    server.models = {"qwen2.5-coder:7b"};
    server.byPath.insert("/api/tags", Reply::http(503));
    // The server comes up during the third wait.
    feedback.beforeLater = [this](int before) {
        if (before == 2)
            server.byPath.clear();
    };
    service->wakeAI();
    settle();
    EXPECT_EQ(std::tuple(service->lastStatus(), feedback.waits, tools.calls.value(0).detached),
              std::tuple("Awake · qwen2.5-coder", QList<int>({400, 400, 400}), true));
    EXPECT_EQ(tools.calls.size(), 1);
}

TEST_F(Ollama, WakeGivesUpAfterSixteenChecksAndUnloadStartsNothing)
{
    makeDown();
    service->wakeAI();
    settle();
    // The server was started once.
    EXPECT_EQ(std::tuple(feedback.waits.size(), service->lastStatus(), tools.calls.size()),
              std::tuple(16, kOffline, 1));

    feedback.waits.clear();
    service->unloadAI();
    settle();
    EXPECT_EQ(std::tuple(feedback.waits.size(), service->lastStatus(), tools.calls.size()),
              std::tuple(0, kOffline, 1));

    // A server that speaks no HTTP is offline too.
    make();
    server.byPath.insert("/api/tags", Reply::of(Reply::Kind::garbage));
    service->wakeAI();
    settle();
    EXPECT_EQ(service->lastStatus(), kOffline);
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
    QStringList models;
    for (const FakeOllamaServer::Request &request : server.requestsTo("/api/generate")) {
        QJsonObject body = request.json();
        models << body.take("model").toString();
        // The number 0, not the text "0": the server unloads at once.
        EXPECT_EQ(body, (QJsonObject{{"prompt", ""}, {"stream", false}, {"keep_alive", 0}}));
    }
    EXPECT_EQ(models, server.loaded);

    server.generateByModel.clear();
    for (const auto &[loaded, status] : {std::pair{QStringList{"a:1", "b:2"}, "Unloaded 2 models"},
                                         {QStringList{}, "Idle · nothing loaded"}}) {
        server.loaded = loaded;
        service->unloadAI();
        settle();
        EXPECT_EQ(service->lastStatus(), status);
    }
}

TEST_F(Ollama, WorkingStaysOnUntilTheLastOfOverlappingRequestsEnds)
{
    make([](Options &o) { o.timeouts.generateMs = 3000; });
    server.models = {"llama3:8b"};
    server.generateByModel.insert("llama3:8b", Reply::of(Reply::Kind::silent));
    QSignalSpy working(service.get(), &HUDActionService::isWorkingChanged);
    service->wakeAI(); // its warm gets no answer and times out
    service->unloadAI(); // nothing loaded: over after two calls
    ASSERT_TRUE(waitFor([&] { return service->lastStatus() == "Idle · nothing loaded"; }));
    EXPECT_TRUE(service->isWorking());
    settle();
    EXPECT_EQ(service->lastStatus(), "Wake failed");
    ASSERT_EQ(working.size(), 2);
    EXPECT_EQ(std::pair(working[0][0].toBool(), working[1][0].toBool()), std::pair(true, false));
}

TEST_F(Ollama, StatusSummaryGoesOnTheClipboardButNotIntoTheLog)
{
    server.loaded = {"llama3:8b", "qwen2:7b"};
    stats.physical = 17179869184.0 + 1073741824.0 * 0.25;
    service->copyStatus();
    ASSERT_TRUE(waitFor([&] { return !pasteboard.written.isEmpty(); }));
    EXPECT_TRUE(pasteboard.written[0].endsWith("Mem total: 16.2 GB\nOllama: up\n"
                                               "Loaded: llama3:8b, qwen2:7b"));
    EXPECT_EQ(log.lines, QStringList{"Vantle: Status copied"});

    makeDown();
    service->copyStatus();
    ASSERT_TRUE(waitFor([&] { return pasteboard.written.size() == 2; }));
    EXPECT_TRUE(pasteboard.written[1].endsWith("Ollama: down\nLoaded: none"));
}

} // namespace
