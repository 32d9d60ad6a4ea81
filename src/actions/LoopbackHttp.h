#pragma once

#include "actions/HttpAnswerReader.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>

class QSocketNotifier;

// One HTTP/1.1 call to a server on this machine, over a non-blocking socket that the main
// thread's event loop drives: connecting, sending and reading never wait. The request goes out
// with "Host", "Content-Length" and "Connection: close"; HttpAnswerReader reads the answer. Only
// http:// to "localhost" or a loopback address is called, so nothing is ever looked up by name and
// no proxy is involved.
class LoopbackHttp final : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method = "GET";
        QUrl url;
        QByteArray contentType; // sent only with a body
        QByteArray body;
        int idleMs = 0; // gives up after this long without a byte moving; 0: no such limit
        int totalMs = 30000; // the whole call
        qint64 maxBodyBytes = 8 * 1024 * 1024;
    };

    struct Response
    {
        enum class Failure { none, timedOut, tooLarge, transport };
        Failure failure = Failure::none;
        int status = 0; // set when failure is none
        QByteArray body;
        QString error; // what went wrong, for a transport failure
    };

    explicit LoopbackHttp(Request request, QObject *parent = nullptr);
    ~LoopbackHttp() override;

    // Starts the call (once). `done` runs exactly once, from the event loop (never inside
    // start), unless this object is destroyed first: then the call ends silently.
    void start(std::function<void(const Response &)> done);

private:
    void connectNext();
    void onWritable();
    void onReadable();
    void touch();
    void remember(const QString &error);
    void fail(Response::Failure failure, const QString &error = {});
    void finish(const Response &response);
    void closeSocket();

    Request m_request;
    std::function<void(const Response &)> m_done;
    QList<QByteArray> m_addresses; // sockaddr_in or sockaddr_in6, tried in turn
    QString m_lastError;
    int m_fd = -1;
    QSocketNotifier *m_readNotifier = nullptr, *m_writeNotifier = nullptr;
    QByteArray m_out;
    qsizetype m_sent = 0;
    bool m_connected = false;
    HttpAnswerReader m_reader;
    bool m_finished = false;
    QTimer m_idle, m_total;
};
