#pragma once

#include <QHash>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A stand-in for a local Ollama server: real HTTP/1.1 on the loopback address, answering
// "/api/tags" with `models`, "/api/ps" with `loaded` and "/api/generate" with 200 unless told
// otherwise. It records every request it saw, and answers while the test runs the event loop.
class FakeOllamaServer final : public QObject
{
public:
    struct Reply
    {
        enum class Kind {
            http, // an HTTP answer with `status` and `body`
            silent, // reads the request and never answers
            hangUp, // closes the connection without a word
            garbage, // answers with bytes that are not HTTP
        };
        Kind kind = Kind::http;
        int status = 200;
        QByteArray body;

        static Reply http(int status, QByteArray body = {}) { return {Kind::http, status, body}; }
        static Reply of(Kind kind) { return {kind, 0, {}}; }
    };

    struct Request
    {
        QByteArray method;
        QString path;
        QHash<QByteArray, QByteArray> headers; // names lower-cased
        QByteArray body;

        QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    };

    QStringList models;
    QStringList loaded;
    QHash<QString, Reply> byPath; // an answer per path that replaces the usual one
    QHash<QString, Reply> generateByModel; // an answer to "/api/generate" per model in its body
    QList<Request> requests;

    FakeOllamaServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    m_buffers.remove(socket);
                    socket->deleteLater();
                });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    ~FakeOllamaServer() override
    {
        // The connections are children of the listening server and would report their closing
        // to us after our own members are gone: close them first, without a word.
        for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>()) {
            socket->disconnect(this);
            delete socket;
        }
    }

    bool listening() const { return m_server.isListening(); }
    QUrl base() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
    }

    QList<Request> requestsTo(const QString &path) const
    {
        QList<Request> out;
        std::copy_if(requests.begin(), requests.end(), std::back_inserter(out),
                     [&](const Request &r) { return r.path == path; });
        return out;
    }

    // Hangs up on the requests left unanswered, and on those still to come that would be.
    void hangUpSilent()
    {
        m_hangUpSilent = true;
        for (const QPointer<QTcpSocket> &socket : std::exchange(m_held, {})) {
            if (socket)
                socket->disconnectFromHost();
        }
    }

private:
    static QByteArray modelList(const QStringList &names)
    {
        // The fields a real server sends besides the name, which the program ignores.
        QJsonArray array;
        for (const QString &name : names)
            array.append(QJsonObject{{"name", name}, {"model", name}, {"size", 4661224676.0}});
        return QJsonDocument(QJsonObject{{"models", array}}).toJson(QJsonDocument::Compact);
    }

    void readFrom(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        // One connection may carry several requests one after the other (keep-alive).
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            Request request{
                requestLine.value(0), QString::fromLatin1(requestLine.value(1)), {}, {}};
            for (const QByteArray &line : lines.mid(1)) {
                if (const qsizetype colon = line.indexOf(':'); colon > 0)
                    request.headers.insert(line.left(colon).trimmed().toLower(),
                                           line.mid(colon + 1).trimmed());
            }
            const qsizetype length = request.headers.value("content-length", "0").toLongLong();
            if (buffer.size() < end + 4 + length)
                return;
            request.body = buffer.mid(end + 4, length);
            buffer.remove(0, end + 4 + length);
            requests << request;
            answer(socket, request);
            if (socket->state() != QAbstractSocket::ConnectedState)
                return;
        }
    }

    void answer(QTcpSocket *socket, const Request &request)
    {
        Reply reply = Reply::http(404, R"({"error":"not found"})");
        if (byPath.contains(request.path))
            reply = byPath.value(request.path);
        else if (request.path == "/api/tags")
            reply = Reply::http(200, modelList(models));
        else if (request.path == "/api/ps")
            reply = Reply::http(200, modelList(loaded));
        else if (request.path == "/api/generate")
            reply = generateByModel.value(request.json().value("model").toString(),
                                          Reply::http(200, R"({"response":"ready","done":true})"));
        if (reply.kind == Reply::Kind::silent && m_hangUpSilent)
            reply.kind = Reply::Kind::hangUp;
        if (reply.kind == Reply::Kind::silent) {
            m_held << socket;
        } else if (reply.kind == Reply::Kind::hangUp) {
            socket->disconnectFromHost();
        } else if (reply.kind == Reply::Kind::garbage) {
            socket->write("\x01\x02 this is not HTTP at all \xff\xfe\r\n\r\n");
            socket->disconnectFromHost();
        } else {
            socket->write("HTTP/1.1 " + QByteArray::number(reply.status)
                          + (reply.status == 200 ? " OK" : " Error")
                          + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: "
                          + QByteArray::number(reply.body.size())
                          + "\r\nConnection: keep-alive\r\n\r\n" + reply.body);
        }
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_held;
    bool m_hangUpSilent = false;
};
