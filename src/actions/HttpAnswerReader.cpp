#include "actions/HttpAnswerReader.h"

#include <QList>

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

const QString kNotHttp = QStringLiteral("The answer was not valid HTTP.");
const QString kHeaderTooLarge = QStringLiteral("The answer's header was too large.");

// A chunk-size line is a few hex digits and perhaps an extension; anything longer is not one.
constexpr qsizetype kMaxChunkLine = 1024;

bool isTokenChar(char c)
{
    return c > 32 && c < 127 && !QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c);
}

// "HTTP/1.x NNN reason" with the status from 100 to 599; -1 for anything else.
int statusOf(QByteArrayView line)
{
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || (line[7] != '0' && line[7] != '1')
        || line[8] != ' ' || (line.size() > 12 && line[12] != ' '))
        return -1;
    int status = 0;
    for (const char c : line.sliced(9, 3)) {
        if (c < '0' || c > '9')
            return -1;
        status = status * 10 + (c - '0');
    }
    return status >= 100 && status < 600 ? status : -1;
}

// The lines of a header block, or nothing when one holds a bare CR or LF.
std::optional<QList<QByteArrayView>> headLines(QByteArrayView head)
{
    QList<QByteArrayView> lines;
    for (;;) {
        const qsizetype end = head.indexOf("\r\n");
        const QByteArrayView line = end < 0 ? head : head.first(end);
        if (line.contains('\r') || line.contains('\n'))
            return std::nullopt;
        lines << line;
        if (end < 0)
            return lines;
        head = head.sliced(end + 2);
    }
}

// One to `digits` digits of `base` (10 or 16), nothing else: no sign, no space.
bool isNumber(QByteArrayView text, qsizetype digits, int base)
{
    return !text.isEmpty() && text.size() <= digits
        && std::all_of(text.begin(), text.end(), [base](char c) {
               return base == 16 ? isxdigit(uchar(c)) != 0 : isdigit(uchar(c)) != 0;
           });
}

} // namespace

HttpAnswerReader::State HttpAnswerReader::feed(QByteArrayView bytes)
{
    if (m_state != State::reading)
        return m_state;
    m_in.append(bytes);
    while (m_state == State::reading && (m_inBody ? parseBody() : parseHead())) { }
    return m_state;
}

HttpAnswerReader::State HttpAnswerReader::close()
{
    if (m_state == State::reading) {
        if (m_inBody && m_framing == Framing::close)
            settle(State::done);
        else
            settle(State::broken, QStringLiteral("Connection closed"));
    }
    return m_state;
}

bool HttpAnswerReader::settle(State state, const QString &error)
{
    m_state = state;
    m_error = error;
    m_in.clear();
    return false;
}

bool HttpAnswerReader::parseHead()
{
    const qsizetype headEnd = m_in.indexOf("\r\n\r\n");
    if (headEnd < 0 || headEnd + 4 > maxHeaderBytes)
        return m_in.size() > maxHeaderBytes ? settle(State::broken, kHeaderTooLarge) : false;
    const QByteArray head = m_in.left(headEnd);
    m_in.remove(0, headEnd + 4);
    const std::optional<QList<QByteArrayView>> lines = headLines(head);
    const int status = lines ? statusOf(lines->first()) : -1;
    std::optional<qint64> length;
    QList<QByteArray> codings;
    bool valid = status > 0;
    for (qsizetype i = 1; valid && i < lines->size(); ++i) {
        const QByteArrayView line = lines->at(i);
        const qsizetype colon = line.indexOf(':');
        valid = colon > 0 && std::all_of(line.begin(), line.begin() + colon, isTokenChar);
        const QByteArray name = line.first(std::max<qsizetype>(colon, 0)).toByteArray().toLower();
        const QByteArrayView value = line.sliced(colon + 1).trimmed();
        if (valid && name == "content-length") {
            // Two lengths that differ leave the answer's end unknown.
            valid = isNumber(value, 18, 10) && (!length || *length == value.toLongLong());
            length = value.toLongLong();
        } else if (valid && name == "transfer-encoding") {
            for (const QByteArray &coding : value.toByteArray().toLower().split(','))
                codings << coding.trimmed();
        }
    }
    // We ask for no coding; one we do not read is as unreadable as garbage.
    if (!valid || (!codings.isEmpty() && codings != QList<QByteArray>{"chunked"}))
        return settle(State::broken, kNotHttp);
    if (status < 200) // an interim answer; the real one follows
        return true;

    m_status = status;
    m_inBody = true;
    if (status == 204 || status == 304 || m_bodyless)
        return settle(State::done);
    if (!codings.isEmpty()) {
        m_framing = Framing::chunked;
    } else if (length) {
        m_framing = Framing::length;
        m_remaining = *length;
        if (*length > m_maxBodyBytes)
            return settle(State::tooLarge);
    }
    return true;
}

bool HttpAnswerReader::parseBody()
{
    if (m_framing == Framing::chunked)
        return parseChunks();
    const qsizetype take = m_framing == Framing::length
        ? qsizetype(std::min<qint64>(m_remaining, m_in.size()))
        : m_in.size();
    m_body += m_in.left(take);
    m_in.remove(0, take);
    m_remaining -= take;
    if (m_body.size() > m_maxBodyBytes)
        return settle(State::tooLarge);
    // Bytes past the announced length are not ours to read.
    return m_framing == Framing::length && m_remaining == 0 ? settle(State::done) : false;
}

bool HttpAnswerReader::parseChunks()
{
    if (m_chunkPart == ChunkPart::data) {
        const qsizetype take = qsizetype(std::min<qint64>(m_remaining, m_in.size()));
        m_body += m_in.left(take);
        m_in.remove(0, take);
        m_remaining -= take;
        if (m_remaining > 0)
            return false;
        m_chunkPart = ChunkPart::dataEnd;
        return true;
    }
    if (m_chunkPart == ChunkPart::dataEnd) {
        if (m_in.size() < 2)
            return false;
        if (!m_in.startsWith("\r\n"))
            return settle(State::broken, kNotHttp);
        m_in.remove(0, 2);
        m_chunkPart = ChunkPart::size;
        return true;
    }
    // A chunk-size line, or a line of the trailer after the last chunk.
    const qsizetype lineEnd = m_in.indexOf("\r\n");
    if (lineEnd < 0) {
        const qsizetype limit = m_chunkPart == ChunkPart::size ? kMaxChunkLine : maxHeaderBytes;
        return m_in.size() > limit ? settle(State::broken, kNotHttp) : false;
    }
    QByteArray line = m_in.left(lineEnd);
    m_in.remove(0, lineEnd + 2);
    if (m_chunkPart == ChunkPart::trailer) // its fields are skipped; an empty line ends it
        return line.isEmpty() ? settle(State::done) : true;
    line.truncate(line.contains(';') ? line.indexOf(';') : line.size()); // an extension
    if (!isNumber(line, 15, 16))
        return settle(State::broken, kNotHttp);
    m_remaining = line.toLongLong(nullptr, 16);
    if (m_body.size() + m_remaining > m_maxBodyBytes)
        return settle(State::tooLarge);
    m_chunkPart = m_remaining == 0 ? ChunkPart::trailer : ChunkPart::data;
    return true;
}
