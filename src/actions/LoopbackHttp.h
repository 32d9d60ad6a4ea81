#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>

class QSocketNotifier;

// One HTTP/1.1 call to a server on this machine, over a non-blocking socket that the main
// thread's event loop drives: connecting, sending and reading never wait. The request goes out
// with "Host", "Content-Length" and "Connection: close"; the answer may be framed by
// "Content-Length", by chunks or by the server closing. Only http:// to "localhost" or a loopback
// address is called, so nothing is ever looked up by name and no proxy is involved.
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

    // A status line and headers longer than this are not an answer we read.
    static constexpr qsizetype maxHeaderBytes = 64 * 1024;

    explicit LoopbackHttp(Request request, QObject *parent = nullptr);
    ~LoopbackHttp() override;

    // Starts the call (once). `done` runs exactly once, from the event loop (never inside
    // start), unless this object is destroyed first: then the call ends silently.
    void start(std::function<void(const Response &)> done);

private:
    enum class Framing { length, chunked, close };

    void connectNext();
    void onWritable();
    void onReadable();
    void touch();
    void remember(const QString &error);
    // Takes what it can of m_in; false when it needs more bytes or the call is over.
    bool parse();
    bool parseHead();
    bool parseChunks();
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

    QByteArray m_in;
    bool m_inBody = false;
    Framing m_framing = Framing::close;
    qint64 m_remaining = 0; // bytes of the body, or of the current chunk, still to come
    enum class ChunkPart { size, data, dataEnd, trailer } m_chunkPart = ChunkPart::size;
    Response m_response;
    bool m_finished = false;

    QTimer m_idle, m_total;
};
