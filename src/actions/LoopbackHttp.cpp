#include "actions/LoopbackHttp.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using Failure = LoopbackHttp::Response::Failure;

const QString kNotHttp = QStringLiteral("The answer was not valid HTTP.");
const QString kHeaderTooLarge = QStringLiteral("The answer's header was too large.");
const QString kClosed = QStringLiteral("Connection closed");

// A chunk-size line is a few hex digits and perhaps an extension; anything longer is not one.
constexpr qsizetype kMaxChunkLine = 1024;
// Bytes read in one turn of the event loop, so a fast sender cannot hold the main thread.
constexpr int kReadsPerTurn = 16;

QString errorText(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return QStringLiteral("Connection refused");
    case ECONNRESET:
    case EPIPE:
        return kClosed;
    default:
        return qt_error_string(error);
    }
}

template <typename Address> QByteArray bytesOf(const Address &address)
{
    return QByteArray(reinterpret_cast<const char *>(&address), sizeof address);
}

// The socket addresses `host` names, when it names this machine's loopback interface: a name is
// never looked up, so nothing here can wait on a resolver or reach another machine.
QList<QByteArray> loopbackAddresses(const QString &host, quint16 port)
{
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    v6.sin6_addr = in6addr_loopback;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return {bytesOf(v4), bytesOf(v6)};
    }
    const QByteArray text = host.toLatin1();
    if (inet_pton(AF_INET, text.constData(), &v4.sin_addr) == 1
        && (ntohl(v4.sin_addr.s_addr) >> 24) == 127)
        return {bytesOf(v4)};
    if (inet_pton(AF_INET6, text.constData(), &v6.sin6_addr) == 1
        && IN6_IS_ADDR_LOOPBACK(&v6.sin6_addr))
        return {bytesOf(v6)};
    return {};
}

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

} // namespace

LoopbackHttp::LoopbackHttp(Request request, QObject *parent)
    : QObject(parent)
    , m_request(std::move(request))
{
    for (QTimer *timer : {&m_idle, &m_total}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this] { fail(Failure::timedOut); });
    }

    const QUrl &url = m_request.url;
    if (url.scheme() == QLatin1String("http") && url.port(80) > 0)
        m_addresses = loopbackAddresses(url.host(), quint16(url.port(80)));
    if (m_addresses.isEmpty())
        m_lastError = QStringLiteral("Only http:// on this machine is called, not %1.")
                          .arg(url.toDisplayString());

    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());
    m_out = m_request.method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    if (!m_request.body.isEmpty() || m_request.method != "GET") {
        if (!m_request.contentType.isEmpty())
            m_out += "Content-Type: " + m_request.contentType + "\r\n";
        m_out += "Content-Length: " + QByteArray::number(m_request.body.size()) + "\r\n";
    }
    m_out += "Connection: close\r\n\r\n" + m_request.body;
}

void LoopbackHttp::start(std::function<void(const Response &)> done)
{
    if (m_done || m_finished)
        return;
    m_done = std::move(done);
    m_total.start(m_request.totalMs);
    touch();
    // Even a refusal on the spot is told from the event loop, never inside start.
    QTimer::singleShot(0, this, &LoopbackHttp::connectNext);
}

LoopbackHttp::~LoopbackHttp()
{
    closeSocket();
}

void LoopbackHttp::closeSocket()
{
    // A notifier may be the one whose signal is running: it goes when control is back.
    for (QSocketNotifier **notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            std::exchange(*notifier, nullptr)->deleteLater();
        }
    }
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    m_connected = false;
}

void LoopbackHttp::connectNext()
{
    closeSocket();
    if (m_finished)
        return;
    if (m_addresses.isEmpty()) {
        fail(Failure::transport, m_lastError);
        return;
    }
    const QByteArray address = m_addresses.takeFirst();
    const auto *peer = reinterpret_cast<const sockaddr *>(address.constData());
    m_fd = ::socket(peer->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        fail(Failure::transport, errorText(errno));
        return;
    }
    m_sent = 0;
    if (::connect(m_fd, peer, socklen_t(address.size())) == 0) {
        m_connected = true;
    } else if (errno != EINPROGRESS) {
        remember(errorText(errno));
        connectNext();
        return;
    }
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &LoopbackHttp::onWritable);
    // Read from the start: a server may answer (or close) before it has taken the whole body.
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(m_connected);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &LoopbackHttp::onReadable);
}

void LoopbackHttp::remember(const QString &error)
{
    // "localhost" is tried over IPv4 first: its refusal says more than a host without IPv6.
    if (m_lastError.isEmpty())
        m_lastError = error;
}

void LoopbackHttp::touch()
{
    if (m_request.idleMs > 0)
        m_idle.start(m_request.idleMs);
}

void LoopbackHttp::onWritable()
{
    if (!m_connected) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0) {
            remember(errorText(error));
            connectNext();
            return;
        }
        m_connected = true;
        m_readNotifier->setEnabled(true);
    }
    while (m_sent < m_out.size()) {
        const ssize_t n
            = ::send(m_fd, m_out.constData() + m_sent, size_t(m_out.size() - m_sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0) {
            fail(Failure::transport, errorText(errno));
            return;
        }
        m_sent += n;
        touch();
    }
    m_writeNotifier->setEnabled(false);
}

void LoopbackHttp::onReadable()
{
    char buffer[16384];
    for (int turn = 0; turn < kReadsPerTurn && !m_finished; ++turn) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            touch();
            m_in.append(buffer, n);
            while (parse()) { }
        } else if (n == 0) {
            // The server closed: the end of an answer framed by closing, else a cut-off one.
            if (m_inBody && m_framing == Framing::close)
                finish(m_response);
            else
                fail(Failure::transport, kClosed);
        } else if (errno != EINTR) {
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                fail(Failure::transport, errorText(errno));
            return;
        }
    }
}

void LoopbackHttp::fail(Response::Failure failure, const QString &error)
{
    Response response;
    response.failure = failure;
    response.error = error;
    finish(response);
}

void LoopbackHttp::finish(const Response &response)
{
    if (std::exchange(m_finished, true))
        return;
    closeSocket();
    m_idle.stop();
    m_total.stop();
    if (auto done = std::exchange(m_done, nullptr))
        done(response);
}

bool LoopbackHttp::parse()
{
    if (m_finished)
        return false;
    if (!m_inBody)
        return parseHead();
    if (m_framing == Framing::chunked)
        return parseChunks();
    const qsizetype take = m_framing == Framing::length
        ? qsizetype(std::min<qint64>(m_remaining, m_in.size()))
        : m_in.size();
    m_response.body += m_in.left(take);
    m_in.remove(0, take);
    m_remaining -= take;
    if (m_response.body.size() > m_request.maxBodyBytes)
        fail(Failure::tooLarge);
    else if (m_framing == Framing::length && m_remaining == 0)
        finish(m_response); // bytes past the announced length are not ours to read
    return false;
}

bool LoopbackHttp::parseHead()
{
    const qsizetype end = m_in.indexOf("\r\n\r\n");
    if (end < 0 || end + 4 > maxHeaderBytes) {
        if (m_in.size() > maxHeaderBytes)
            fail(Failure::transport, kHeaderTooLarge);
        return false;
    }
    const QByteArray head = m_in.left(end);
    m_in.remove(0, end + 4);
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
            const bool digits = !value.isEmpty() && value.size() <= 18
                && std::all_of(value.begin(), value.end(),
                               [](char c) { return isdigit(uchar(c)); });
            // Two lengths that differ leave the answer's end unknown.
            valid = digits && (!length || *length == value.toLongLong());
            length = value.toLongLong();
        } else if (valid && name == "transfer-encoding") {
            for (const QByteArray &coding : value.toByteArray().toLower().split(','))
                codings << coding.trimmed();
        }
    }
    // We ask for no coding; one we do not read is as unreadable as garbage.
    if (!valid || (!codings.isEmpty() && codings != QList<QByteArray>{"chunked"})) {
        fail(Failure::transport, kNotHttp);
        return false;
    }
    if (status < 200) // an interim answer; the real one follows
        return true;

    m_response.status = status;
    m_inBody = true;
    if (status == 204 || status == 304 || m_request.method == "HEAD") {
        finish(m_response);
        return false;
    }
    if (!codings.isEmpty()) {
        m_framing = Framing::chunked;
    } else if (length) {
        m_framing = Framing::length;
        m_remaining = *length;
        if (*length > m_request.maxBodyBytes) {
            fail(Failure::tooLarge);
            return false;
        }
    }
    return true;
}

bool LoopbackHttp::parseChunks()
{
    switch (m_chunkPart) {
    case ChunkPart::size: {
        const qsizetype end = m_in.indexOf("\r\n");
        if (end < 0) {
            if (m_in.size() > kMaxChunkLine)
                fail(Failure::transport, kNotHttp);
            return false;
        }
        QByteArray digits = m_in.left(end);
        m_in.remove(0, end + 2);
        digits.truncate(digits.indexOf(';') < 0 ? digits.size() : digits.indexOf(';'));
        bool ok = !digits.isEmpty() && digits.size() <= 15
            && std::all_of(digits.begin(), digits.end(), [](char c) { return isxdigit(uchar(c)); });
        m_remaining = ok ? digits.toLongLong(&ok, 16) : 0;
        if (!ok)
            fail(Failure::transport, kNotHttp);
        else if (m_response.body.size() + m_remaining > m_request.maxBodyBytes)
            fail(Failure::tooLarge);
        else
            m_chunkPart = m_remaining == 0 ? ChunkPart::trailer : ChunkPart::data;
        return ok && !m_finished;
    }
    case ChunkPart::data: {
        const qsizetype take = qsizetype(std::min<qint64>(m_remaining, m_in.size()));
        m_response.body += m_in.left(take);
        m_in.remove(0, take);
        m_remaining -= take;
        if (m_remaining > 0)
            return false;
        m_chunkPart = ChunkPart::dataEnd;
        return true;
    }
    case ChunkPart::dataEnd:
        if (m_in.size() < 2)
            return false;
        if (!m_in.startsWith("\r\n")) {
            fail(Failure::transport, kNotHttp);
            return false;
        }
        m_in.remove(0, 2);
        m_chunkPart = ChunkPart::size;
        return true;
    case ChunkPart::trailer: {
        // Trailer fields are skipped; an empty line ends the answer.
        const qsizetype end = m_in.indexOf("\r\n");
        if (end < 0) {
            if (m_in.size() > maxHeaderBytes)
                fail(Failure::transport, kHeaderTooLarge);
            return false;
        }
        m_in.remove(0, end + 2);
        if (end == 0)
            finish(m_response);
        return end != 0;
    }
    }
    return false;
}
