#include "actions/FakeOllamaServer.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>

FakeOllamaServer::FakeOllamaServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeOllamaServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

FakeOllamaServer::~FakeOllamaServer()
{
    // The connections are children of the listening server and would report their closing to
    // us after our own members are gone: close them first, without a word.
    for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>()) {
        socket->disconnect(this);
        delete socket;
    }
    m_server.close();
}

QUrl FakeOllamaServer::base() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

QJsonObject FakeOllamaServer::Request::json() const
{
    return QJsonDocument::fromJson(body).object();
}

QList<FakeOllamaServer::Request> FakeOllamaServer::requestsTo(const QString &path) const
{
    QList<Request> out;
    for (const Request &r : requests) {
        if (r.path == path)
            out << r;
    }
    return out;
}

QByteArray FakeOllamaServer::modelList(const QStringList &names)
{
    QJsonArray array;
    for (const QString &name : names) {
        // The fields a real server sends besides the name, which the program ignores.
        array.append(QJsonObject{{QStringLiteral("name"), name},
                                 {QStringLiteral("model"), name},
                                 {QStringLiteral("size"), 4661224676.0}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("models"), array}})
        .toJson(QJsonDocument::Compact);
}

void FakeOllamaServer::hangUpSilent()
{
    m_hangUpSilent = true;
    for (const QPointer<QTcpSocket> &socket : std::as_const(m_held)) {
        if (socket)
            socket->disconnectFromHost();
    }
    m_held.clear();
}

void FakeOllamaServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeOllamaServer::readFrom(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    // One connection may carry several requests one after the other (keep-alive).
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        Request request;
        request.method = requestLine.value(0);
        request.path = QString::fromLatin1(requestLine.value(1));
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
            }
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        requests << request;
        answer(socket, request);
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
    }
}

void FakeOllamaServer::answer(QTcpSocket *socket, const Request &request)
{
    Reply reply = Reply::http(404, QByteArrayLiteral("{\"error\":\"not found\"}"));
    if (byPath.contains(request.path)) {
        reply = byPath.value(request.path);
    } else if (request.path == QLatin1String("/api/tags")) {
        reply = Reply::http(200, modelList(models));
    } else if (request.path == QLatin1String("/api/ps")) {
        reply = Reply::http(200, modelList(loaded));
    } else if (request.path == QLatin1String("/api/generate")) {
        const QString model = request.json().value(QStringLiteral("model")).toString();
        reply = generateByModel.value(
            model, Reply::http(200, QByteArrayLiteral("{\"response\":\"ready\",\"done\":true}")));
    }

    if (reply.kind == Reply::Kind::silent && m_hangUpSilent)
        reply.kind = Reply::Kind::hangUp;
    switch (reply.kind) {
    case Reply::Kind::silent:
        m_held << socket;
        return;
    case Reply::Kind::hangUp:
        socket->disconnectFromHost();
        return;
    case Reply::Kind::garbage:
        socket->write(QByteArrayLiteral("\x01\x02 this is not HTTP at all \xff\xfe\r\n\r\n"));
        socket->disconnectFromHost();
        return;
    case Reply::Kind::http:
        break;
    }
    QByteArray head = QByteArrayLiteral("HTTP/1.1 ") + QByteArray::number(reply.status)
        + (reply.status == 200 ? " OK" : " Error") + "\r\n";
    head += "Content-Type: application/json; charset=utf-8\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: keep-alive\r\n\r\n";
    socket->write(head + reply.body);
}
