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
#include <memory>

// A TCP server on 127.0.0.1 over plain sockets that the event loop drives, so the program's HTTP
// client meets a real peer on the same thread. Each connection hands what it has received to
// `onData`, which takes what it used from `input` and may answer, close, or leave the peer waiting.
class LoopbackServer final : public QObject
{
public:
    class Connection
    {
    public:
        QByteArray input;

        explicit Connection(int fd)
            : m_fd(fd)
            , m_read(fd, QSocketNotifier::Read)
            , m_write(fd, QSocketNotifier::Write)
        {
            m_write.setEnabled(false);
            QObject::connect(&m_write, &QSocketNotifier::activated, [this] { flush(); });
        }
        ~Connection() { shut(); }
        void write(const QByteArray &bytes) { m_out += bytes, flush(); }
        void close() { m_closing = true, flush(); } // once everything written has gone
        bool isOpen() const { return m_fd >= 0 && !m_closing; }
        QSocketNotifier &readNotifier() { return m_read; }
        int fd() const { return m_fd; }
        void shut()
        {
            m_read.setEnabled(false), m_write.setEnabled(false);
            if (m_fd >= 0)
                ::close(std::exchange(m_fd, -1));
        }

    private:
        void flush()
        {
            while (m_fd >= 0 && !m_out.isEmpty()) {
                const ssize_t n = ::send(m_fd, m_out.constData(), m_out.size(), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                m_out.remove(0, n);
            }
            m_write.setEnabled(m_fd >= 0 && !m_out.isEmpty());
            if (m_out.isEmpty() && m_closing)
                shut();
        }

        int m_fd;
        QSocketNotifier m_read, m_write;
        QByteArray m_out;
        bool m_closing = false;
    };

    std::function<void(Connection &)> onData = [](Connection &) {};

    LoopbackServer()
    {
        m_fd = bound(0);
        ::listen(m_fd, 16);
        m_accept = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_accept.get(), &QSocketNotifier::activated, this, [this] {
            const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                return;
            Connection &c = *m_connections.emplace_back(std::make_unique<Connection>(fd));
            connect(&c.readNotifier(), &QSocketNotifier::activated, this, [this, &c] {
                char buffer[65536];
                const ssize_t n = ::recv(c.fd(), buffer, sizeof buffer, 0);
                if (n <= 0)
                    return c.shut();
                c.input.append(buffer, n);
                onData(c);
            });
        });
    }
    ~LoopbackServer() override
    {
        m_accept.reset();
        m_connections.clear();
        ::close(m_fd);
    }

    quint16 port() const { return portOf(m_fd); }
    // A port nothing listens on: bound for a moment and given back.
    static quint16 freePort()
    {
        const int fd = bound(0);
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
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    static int bound(quint16 port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const sockaddr_in address = addressOf(port);
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

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_accept;
    std::list<std::unique_ptr<Connection>> m_connections;
};
