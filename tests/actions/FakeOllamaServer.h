#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A stand-in for a local Ollama server: real HTTP/1.1 on the loopback address, answering
// "/api/tags" with `models`, "/api/ps" with `loaded` and "/api/generate" with 200 unless told
// otherwise. It records every request it saw. Lives on the test's thread; it answers while the
// test runs the event loop.
class FakeOllamaServer final : public QObject
{
    Q_OBJECT
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

        QJsonObject json() const;
    };

    QStringList models;
    QStringList loaded;
    // An answer per path that replaces the usual one ("/api/tags" → garbage).
    QHash<QString, Reply> byPath;
    // An answer to "/api/generate" per model named in its body.
    QHash<QString, Reply> generateByModel;
    QList<Request> requests;

    explicit FakeOllamaServer(QObject *parent = nullptr);
    ~FakeOllamaServer() override;

    bool listening() const { return m_server.isListening(); }
    QUrl base() const;
    // The requests to `path`, in order.
    QList<Request> requestsTo(const QString &path) const;

    // Hangs up on the requests left unanswered, and on those still to come that would be.
    void hangUpSilent();

    static QByteArray modelList(const QStringList &names);

private:
    void accept();
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_held;
    bool m_hangUpSilent = false;
};
