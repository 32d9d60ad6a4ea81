#include "actions/LoopbackHttp.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace {

using Failure = LoopbackHttp::Response::Failure;

// Bytes read in one turn of the event loop, so a fast sender cannot hold the main thread.
constexpr int kReadsPerTurn = 16;

QString errorText(int error)
{
    switch (error) {
    case ECONNREFUSED:
        return QStringLiteral("Connection refused");
    case ECONNRESET:
    case EPIPE:
        return QStringLiteral("Connection closed");
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

} // namespace

LoopbackHttp::LoopbackHttp(Request request, QObject *parent)
    : QObject(parent)
    , m_request(std::move(request))
    , m_reader(m_request.maxBodyBytes, m_request.method == "HEAD")
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
    using State = HttpAnswerReader::State;
    State state = State::reading;
    for (int turn = 0; turn < kReadsPerTurn && state == State::reading; ++turn) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0) {
            fail(Failure::transport, errorText(errno));
            return;
        }
        touch();
        state = n > 0 ? m_reader.feed(QByteArrayView(buffer, n)) : m_reader.close();
    }
    Response response;
    switch (state) {
    case State::reading:
        return;
    case State::done:
        response.status = m_reader.status();
        response.body = m_reader.body();
        finish(response);
        return;
    case State::broken:
        fail(Failure::transport, m_reader.error());
        return;
    case State::tooLarge:
        fail(Failure::tooLarge);
        return;
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
