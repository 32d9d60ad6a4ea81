#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <list>

// A TCP server on 127.0.0.1 over plain sockets that the event loop drives, so the program's HTTP
// client meets a real peer on the same thread. Each connection hands what it has received to
// `onData`, which takes what it used from `input` and may answer, close, or leave the peer waiting.
class LoopbackServer final : public QObject
{
public:
    struct Connection
    {
        int fd;
        QSocketNotifier read{fd, QSocketNotifier::Read}, writable{fd, QSocketNotifier::Write};
        QByteArray input, out;
        bool closing = false;

        ~Connection() { shut(); }
        void write(const QByteArray &bytes) { out += bytes, flush(); }
        void close() { closing = true, flush(); } // once everything written has gone
        bool isOpen() const { return fd >= 0 && !closing; }
        void shut()
        {
            read.setEnabled(false), writable.setEnabled(false);
            if (fd >= 0)
                ::close(std::exchange(fd, -1));
        }
        void flush()
        {
            while (fd >= 0 && !out.isEmpty()) {
                const ssize_t n = ::send(fd, out.constData(), out.size(), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                out.remove(0, n);
            }
            writable.setEnabled(fd >= 0 && !out.isEmpty());
            if (out.isEmpty() && closing)
                shut();
        }
    };

    std::function<void(Connection &)> onData = [](Connection &) {};

    LoopbackServer()
        : m_fd(bound())
        , m_accept(m_fd, QSocketNotifier::Read)
    {
        ::listen(m_fd, 16);
        connect(&m_accept, &QSocketNotifier::activated, this, [this] {
            Connection &c = m_connections.emplace_back(
                ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            c.writable.setEnabled(false);
            connect(&c.writable, &QSocketNotifier::activated, this, [&c] { c.flush(); });
            connect(&c.read, &QSocketNotifier::activated, this, [this, &c] {
                char buffer[65536];
                const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    return c.shut();
                c.input.append(buffer, n);
                onData(c);
            });
        });
    }
    ~LoopbackServer() override
    {
        m_connections.clear();
        ::close(m_fd);
    }

    quint16 port() const { return portOf(m_fd); }
    // A port nothing listens on: bound for a moment and given back.
    static quint16 freePort()
    {
        const int fd = bound();
        const quint16 port = portOf(fd);
        ::close(fd);
        return port;
    }
    // Whether a server accepts on `port` (on loopback a connection is refused or made at once).
    static bool accepts(quint16 port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = addressOf(port);
        const bool ok = ::connect(fd, (const sockaddr *)&address, sizeof address) == 0;
        ::close(fd);
        return ok;
    }

private:
    static sockaddr_in addressOf(quint16 port)
    {
        return {AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    }
    static int bound()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const sockaddr_in address = addressOf(0);
        ::bind(fd, (const sockaddr *)&address, sizeof address);
        return fd;
    }
    static quint16 portOf(int fd)
    {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        ::getsockname(fd, (sockaddr *)&address, &length);
        return ntohs(address.sin_port);
    }

    int m_fd;
    QSocketNotifier m_accept;
    std::list<Connection> m_connections;
};
