#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Reads one HTTP/1.x answer from the bytes a server sends, however they are split: the status
// line and header fields, strictly and within a size limit, then a body framed by
// "Content-Length", by chunks or by the server closing. Interim (1xx) answers are skipped.
class HttpAnswerReader final
{
public:
    enum class State { reading, done, broken, tooLarge };

    // A status line and header fields longer than this are not an answer we read.
    static constexpr qsizetype maxHeaderBytes = 64 * 1024;

    // `bodyless`: the answer to a HEAD request, which has none whatever its fields say.
    explicit HttpAnswerReader(qint64 maxBodyBytes, bool bodyless = false)
        : m_maxBodyBytes(maxBodyBytes)
        , m_bodyless(bodyless)
    { }

    // Takes the next bytes the server sent and says where the answer stands.
    State feed(QByteArrayView bytes);
    // The server closed: an answer framed by closing is complete, any other is cut short.
    State close();

    State state() const { return m_state; }
    int status() const { return m_status; }
    const QByteArray &body() const { return m_body; }
    // What is wrong with a broken answer.
    QString error() const { return m_error; }

private:
    enum class Framing { length, chunked, close };
    enum class ChunkPart { size, data, dataEnd, trailer };

    // Each takes what it can of m_in; false when it needs more bytes or the answer is over.
    bool parseHead();
    bool parseBody();
    bool parseChunks();
    bool settle(State state, const QString &error = {}); // always false

    qint64 m_maxBodyBytes;
    bool m_bodyless;
    State m_state = State::reading;
    QByteArray m_in;
    bool m_inBody = false;
    Framing m_framing = Framing::close;
    ChunkPart m_chunkPart = ChunkPart::size;
    qint64 m_remaining = 0; // bytes of the body, or of the current chunk, still to come
    int m_status = 0;
    QByteArray m_body;
    QString m_error;
};
