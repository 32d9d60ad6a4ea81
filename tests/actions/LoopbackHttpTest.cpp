#include "actions/LoopbackHttp.h"
#include "support/LoopbackServer.h"

#include <QTest>

#include <optional>

namespace {

using Response = LoopbackHttp::Response;

// What a call ended with, in one line: "200 body", or the failure.
QString outcome(const Response &r)
{
    switch (r.failure) {
    case Response::Failure::none:
        return QString::number(r.status) + ' ' + QString::fromLatin1(r.body);
    case Response::Failure::timedOut:
        return "timed out";
    case Response::Failure::tooLarge:
        return "too large";
    case Response::Failure::transport:
        return r.error;
    }
    return {};
}

QString call(LoopbackHttp::Request request)
{
    std::optional<QString> got;
    LoopbackHttp http(std::move(request));
    http.start([&](const Response &r) { got = outcome(r); });
    EXPECT_FALSE(got) << "answered inside start";
    return QTest::qWaitFor([&] { return got.has_value(); }, 5000) ? *got : "no answer";
}

const QString kNotHttp = "The answer was not valid HTTP.";

TEST(LoopbackHttp, ReadsEachFramingAndRefusesWhatIsNotHttp)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const struct Case
    {
        QByteArray answer;
        bool close, drip; // close after answering; send one byte per turn of the event loop
        QString expected;
    } cases[] = {
        {ok + "Content-Length: 5\r\n\r\nhello and more", false, false, "200 hello"},
        {ok
             + "Transfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n6\r\n world\r\n0\r\nT: "
               "1\r\n\r\n",
         false, true, "200 hello world"},
        {"HTTP/1.0 404 Not Found\r\n\r\nread to the end", true, true, "404 read to the end"},
        {"HTTP/1.1 100 Continue\r\n\r\n" + ok + "content-length: 2\r\n\r\nok", false, false,
         "200 ok"},
        {"HTTP/1.1 204 No Content\r\n\r\n", false, false, "204 "},
        {ok + "Content-Length: 10\r\n\r\nabc", true, false, "Connection closed"},
        {"", true, false, "Connection closed"},
        {ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhel", true, false, "Connection closed"},
        {"\x01\x02 not HTTP \xff\r\n\r\n", false, false, kNotHttp},
        {"HTTP/1.1 20 OK\r\n\r\n", false, false, kNotHttp},
        {"HTTP/2 200 OK\r\n\r\n", false, false, kNotHttp},
        {ok + "No colon here\r\n\r\n", false, false, kNotHttp},
        {ok + "Bad Name: x\r\n\r\n", false, false, kNotHttp},
        {ok + "X: a\rb\r\n\r\n", false, false, kNotHttp},
        {ok + "Content-Length: 1x\r\n\r\n", false, false, kNotHttp},
        {ok + "Content-Length: 2\r\nContent-Length: 3\r\n\r\n", false, false, kNotHttp},
        {ok + "Transfer-Encoding: gzip, chunked\r\n\r\n", false, false, kNotHttp},
        {ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", false, false, kNotHttp},
        {ok + "Transfer-Encoding: chunked\r\n\r\n1\r\nab\r\n", false, false, kNotHttp},
        {ok + "X: " + QByteArray(70000, 'x'), false, false, "The answer's header was too large."},
        {ok + "Content-Length: 17\r\n\r\n", false, false, "too large"},
        {ok + "Transfer-Encoding: chunked\r\n\r\n9\r\n123456789\r\n9\r\n", false, false,
         "too large"},
        {ok + "\r\n" + QByteArray(17, 'x'), false, false, "too large"},
        {ok + "Content-Length: 9\r\n\r\nstalls", false, false, "timed out"},
    };
    LoopbackServer server;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer.left(60).toStdString());
        QTimer drip;
        server.onData = [&](LoopbackServer::Connection &peer) {
            if (!peer.input.contains("\r\n\r\n"))
                return;
            if (!c.drip) {
                peer.write(c.answer);
                return c.close ? peer.close() : void();
            }
            QObject::connect(&drip, &QTimer::timeout, [&, sent = 0]() mutable {
                if (sent < c.answer.size())
                    return peer.write(c.answer.mid(sent++, 1));
                drip.stop();
                if (c.close)
                    peer.close();
            });
            drip.start(0);
        };
        // The idle limit ends the call that stalls; the answers that stop short of 16 bytes
        // of body are over the cap.
        EXPECT_EQ(call({"GET",
                        QUrl("http://localhost:" + QString::number(server.port())),
                        {},
                        {},
                        300,
                        5000,
                        16}),
                  c.expected);
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
    const QString port = QString::number(server.port());
    EXPECT_EQ(call({"POST", QUrl("http://127.0.0.1:" + port + "/api/x?q=a%20b"), "application/json",
                    "{}", 0, 5000}),
              "201 ");
    EXPECT_EQ(received,
              "POST /api/x?q=a%20b HTTP/1.1\r\nHost: 127.0.0.1:" + port.toLatin1()
                  + "\r\nContent-Type: application/json\r\nContent-Length: 2\r\n"
                    "Connection: close\r\n\r\n{}");

    server.onData = [](LoopbackServer::Connection &) {}; // hears and never answers
    const QString free = QString::number(LoopbackServer::freePort());
    for (const auto &[url, expected] :
         {std::pair{"http://127.0.0.1:" + port, QString("timed out")},
          {"http://[::1]:" + free, "Connection refused"},
          {"http://localhost:" + free, "Connection refused"},
          {"http://192.168.1.1:" + port,
           "Only http:// on this machine is called, not http://192.168.1.1:" + port + "."},
          {"https://127.0.0.1:" + port,
           "Only http:// on this machine is called, not https://127.0.0.1:" + port + "."}})
        EXPECT_EQ(call({"GET", QUrl(url), {}, {}, 0, 300}), expected) << url.toStdString();

    // A call dropped while it waits ends without a word.
    bool answered = false;
    auto http = std::make_unique<LoopbackHttp>(
        LoopbackHttp::Request{"GET", QUrl("http://127.0.0.1:" + port)});
    http->start([&](const Response &) { answered = true; });
    QTest::qWait(50);
    http.reset();
    QTest::qWait(50);
    EXPECT_FALSE(answered);
}

} // namespace
