#pragma once

#include "support/LoopbackServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

// A stand-in Ollama server speaking HTTP/1.1 on the loopback address while the event loop runs:
// "/api/tags" lists `models`, "/api/ps" `loaded`; every request is recorded.
class FakeOllamaServer final : public QObject
{
public:
    struct Reply
    {
        // `silent` never answers; `garbage` answers with bytes that are not HTTP.
        enum class Kind { http, silent, hangUp, garbage } kind = Kind::http;
        int status = 200;
        QByteArray body;

        static Reply http(int status, QByteArray body = {}) { return {Kind::http, status, body}; }
        static Reply of(Kind kind) { return {kind, 0, {}}; }
    };

    struct Request
    {
        QString path;
        QByteArray body;

        QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    };

    QStringList models, loaded;
    QHash<QString, Reply> byPath; // an answer per path that replaces the usual one
    QHash<QString, Reply> generateByModel; // an answer to "/api/generate" per model in its body
    QList<Request> requests;

    FakeOllamaServer()
    {
        m_server.onData = [this](LoopbackServer::Connection &c) { readFrom(c); };
    }

    QUrl base() const { return QUrl("http://127.0.0.1:" + QString::number(m_server.port())); }

    QList<Request> requestsTo(const QString &path) const
    {
        QList<Request> out;
        std::copy_if(requests.begin(), requests.end(), std::back_inserter(out),
                     [&](const Request &r) { return r.path == path; });
        return out;
    }

private:
    // With the fields a real server sends besides the name, which the program ignores.
    static QByteArray modelList(const QStringList &names)
    {
        QJsonArray array;
        for (const QString &name : names)
            array.append(QJsonObject{{"name", name}, {"model", name}, {"size", 4661224676.0}});
        return QJsonDocument(QJsonObject{{"models", array}}).toJson(QJsonDocument::Compact);
    }

    // One connection may carry several requests one after the other (keep-alive).
    void readFrom(LoopbackServer::Connection &socket)
    {
        static const QRegularExpression contentLength("\r\ncontent-length: *(\\d+)");
        QByteArray &buffer = socket.input;
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = buffer.left(end).toLower();
            const qsizetype length
                = contentLength.match(QString::fromLatin1(head)).captured(1).toLongLong();
            if (buffer.size() < end + 4 + length)
                return;
            requests << Request{QString::fromLatin1(head.split(' ').value(1)),
                                buffer.mid(end + 4, length)};
            buffer.remove(0, end + 4 + length);
            answer(socket, requests.last());
            if (!socket.isOpen())
                return;
        }
    }

    void answer(LoopbackServer::Connection &socket, const Request &request)
    {
        Reply reply = Reply::http(404, R"({"error":"not found"})");
        if (byPath.contains(request.path))
            reply = byPath.value(request.path);
        else if (request.path == "/api/tags" || request.path == "/api/ps")
            reply = Reply::http(200, modelList(request.path == "/api/ps" ? loaded : models));
        else if (request.path == "/api/generate")
            reply = generateByModel.value(request.json().value("model").toString(),
                                          Reply::http(200, R"({"response":"ready","done":true})"));
        if (reply.kind == Reply::Kind::garbage)
            socket.write("\x01\x02 this is not HTTP at all \xff\xfe\r\n\r\n");
        else if (reply.kind == Reply::Kind::http)
            socket.write("HTTP/1.1 " + QByteArray::number(reply.status)
                         + (reply.status == 200 ? " OK" : " Error")
                         + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: "
                         + QByteArray::number(reply.body.size())
                         + "\r\nConnection: keep-alive\r\n\r\n" + reply.body);
        if (reply.kind == Reply::Kind::hangUp || reply.kind == Reply::Kind::garbage)
            socket.close();
    }

    LoopbackServer m_server;
};
