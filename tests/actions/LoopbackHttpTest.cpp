#include "actions/LoopbackHttp.h"
#include "support/LoopbackServer.h"

#include <QTest>

#include <optional>

namespace {

using Response = LoopbackHttp::Response;

// What a call ended with, in one line: "200 body", or the failure.
std::string outcome(const Response &r)
{
    using F = Response::Failure;
    return r.failure == F::none    ? std::to_string(r.status) + ' ' + r.body.toStdString()
        : r.failure == F::timedOut ? "timed out"
        : r.failure == F::tooLarge ? "too large"
                                   : r.error.toStdString();
}

std::string call(LoopbackHttp::Request request)
{
    std::optional<std::string> got;
    LoopbackHttp http(std::move(request));
    http.start([&](const Response &r) { got = outcome(r); });
    EXPECT_FALSE(got) << "answered inside start";
    return QTest::qWaitFor([&] { return got.has_value(); }, 5000) ? *got : "no answer";
}

const std::string kNotHttp = "The answer was not valid HTTP.";

TEST(LoopbackHttp, ReadsEachFramingAndRefusesWhatIsNotHttp)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const struct Case
    {
        QByteArray answer;
        bool close; // after answering
        std::string expected;
    } cases[] = {
        {ok + "Content-Length: 5\r\n\r\nhello and more", false, "200 hello"},
        {ok + "Transfer-Encoding: chunked\r\n\r\n5;x\r\nhello\r\n1\r\n!\r\n0\r\nT: 1\r\n\r\n",
         false, "200 hello!"},
        {"HTTP/1.0 404 Not Found\r\n\r\nread to the end", true, "404 read to the end"},
        {"HTTP/1.1 100 Continue\r\n\r\n" + ok + "content-length: 2\r\n\r\nok", false, "200 ok"},
        {"HTTP/1.1 204 No Content\r\n\r\n", false, "204 "},
        {ok + "Content-Length: 10\r\n\r\nabc", true, "Connection closed"},
        {"", true, "Connection closed"},
        {ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhel", true, "Connection closed"},
        {"\x01\x02 not HTTP \xff\r\n\r\n", false, kNotHttp},
        {"HTTP/1.1 20 OK\r\n\r\n", false, kNotHttp},
        {"HTTP/2 200 OK\r\n\r\n", false, kNotHttp},
        {ok + "No colon here\r\n\r\n", false, kNotHttp},
        {ok + "Bad Name: x\r\n\r\n", false, kNotHttp},
        {ok + "X: a\rb\r\n\r\n", false, kNotHttp},
        {ok + "Content-Length: 1x\r\n\r\n", false, kNotHttp},
        {ok + "Content-Length: 2\r\nContent-Length: 3\r\n\r\n", false, kNotHttp},
        {ok + "Transfer-Encoding: gzip, chunked\r\n\r\n", false, kNotHttp},
        {ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", false, kNotHttp},
        {ok + "Transfer-Encoding: chunked\r\n\r\n1\r\nab\r\n", false, kNotHttp},
        {ok + "X: " + QByteArray(70000, 'x'), false, "The answer's header was too large."},
        // Over the cap of 16 bytes, by each framing.
        {ok + "Content-Length: 17\r\n\r\n", false, "too large"},
        {ok + "Transfer-Encoding: chunked\r\n\r\n9\r\n123456789\r\n9\r\n", false, "too large"},
        {ok + "\r\n" + QByteArray(17, 'x'), false, "too large"},
        {ok + "Content-Length: 9\r\n\r\nstalls", false, "timed out"}, // the idle limit
    };
    LoopbackServer server;
    const QUrl url("http://localhost:" + QString::number(server.port()));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer.left(60).toStdString());
        server.onData = [&](LoopbackServer::Connection &peer) {
            if (peer.input.contains("\r\n\r\n"))
                peer.write(c.answer);
            if (c.close)
                peer.close();
        };
        EXPECT_EQ(call({"GET", url, {}, {}, 300, 5000, 16}), c.expected);
    }
}

TEST(LoopbackHttp, SendsOneClosingRequestAndReachesOnlyThisMachine)
{
    LoopbackServer server;
    QByteArray received;
    server.onData = [&](LoopbackServer::Connection &peer) {
        received = peer.input;
        if (received.endsWith("{}"))
            peer.write("HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n");
    };
    const std::string port = std::to_string(server.port()),
                      refusing = "http://[::1]:" + std::to_string(LoopbackServer::freePort());
    const auto get = [](const std::string &url, const std::string &body = {}) {
        return call({body.empty() ? "GET" : "POST", QUrl(QString::fromStdString(url)),
                     "application/json", QByteArray::fromStdString(body), 0, 300});
    };
    EXPECT_EQ(get("http://127.0.0.1:" + port + "/api/x?q=a%20b", "{}"), "201 ");
    EXPECT_EQ(received.toStdString(),
              "POST /api/x?q=a%20b HTTP/1.1\r\nHost: 127.0.0.1:" + port
                  + "\r\nContent-Type: application/json\r\nContent-Length: 2\r\n"
                    "Connection: close\r\n\r\n{}");

    server.onData = [](LoopbackServer::Connection &) {}; // hears and never answers
    const std::string elsewhere = "Only http:// on this machine is called, not ";
    for (const auto &[url, expected] :
         {std::pair<std::string, std::string>{"http://127.0.0.1:" + port, "timed out"},
          {refusing, "Connection refused"},
          {"http://localhost:" + refusing.substr(13), "Connection refused"},
          {"http://192.168.1.1:" + port, elsewhere + "http://192.168.1.1:" + port + "."},
          {"https://127.0.0.1:" + port, elsewhere + "https://127.0.0.1:" + port + "."}})
        EXPECT_EQ(get(url), expected) << url;

    // A call dropped while it waits ends without a word.
    bool answered = false;
    auto http = std::make_unique<LoopbackHttp>(
        LoopbackHttp::Request{"GET", QUrl(QString::fromStdString("http://127.0.0.1:" + port))});
    http->start([&](const Response &) { answered = true; });
    QTest::qWait(50);
    http.reset();
    QTest::qWait(50);
    EXPECT_FALSE(answered);
}

} // namespace
