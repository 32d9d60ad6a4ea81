#pragma once

#include "platform/Clock.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

class QJsonObject;
class QDeadlineTimer;

// Window frames, moves and raises over sway's IPC socket ($SWAYSOCK), the i3 wire format: the
// magic "i3-ipc", the payload's length and the message type as 32-bit integers in the host's
// byte order, then the payload (JSON in replies).
//
// Every call waits for its answer, at most `timeoutMs`: the window system's calls give their
// answer at once, and sway answers in well under a millisecond. A sway that does not answer in
// time is left alone for a few seconds (every call fails at once meanwhile), so a hung
// compositor costs the main thread one timeout, not one per poll.
class SwayIpc final
{
public:
    enum Message : quint32 { RunCommand = 0, GetTree = 4, GetVersion = 7 };

    // One application window (a view) of sway's tree.
    struct Window
    {
        qint64 id = 0; // the container id commands address as [con_id=…]
        qint64 pid = 0;
        QString appId; // empty for X11 clients, which have a class instead
        QString title;
        // The container with its borders and title bar, in sway's layout coordinates (logical
        // pixels, the top-left of the layout at 0,0, y down).
        QRect frame;
        bool focused = false;
        bool floating = false;
        bool visible = false; // on a shown workspace and not hidden behind a tab
    };

    static constexpr double kQuietSeconds = 5.0;

    // `clock` null: the system's clock.
    explicit SwayIpc(QString socketPath, const Clock *clock = nullptr, int timeoutMs = 250);
    ~SwayIpc();
    SwayIpc(const SwayIpc &) = delete;
    SwayIpc &operator=(const SwayIpc &) = delete;

    // $SWAYSOCK, empty outside a sway session.
    static QString socketFromEnvironment();

    // Whether a sway answers on the socket.
    bool reachable();
    // Every window of every workspace, scratchpad excluded; nothing when sway cannot be asked.
    std::optional<QList<Window>> windows();
    // Floats the window and puts its frame (title bar and borders included) on `frame`.
    bool setFrame(qint64 id, const QRect &frame);
    // Raises the window and gives it the focus.
    bool raise(qint64 id);

    // The windows of a GET_TREE answer.
    static QList<Window> windowsIn(const QJsonObject &tree);

    // One message and its answer's payload; nothing on failure or timeout.
    std::optional<QByteArray> ask(Message type, const QByteArray &payload = {});

private:
    bool command(const QString &text);
    void drop();
    // Waits for the connection to be ready for `events` (POLLIN, POLLOUT) until `deadline`.
    bool waitFor(short events, const QDeadlineTimer &deadline) const;

    QString m_path;
    SystemClock m_systemClock;
    const Clock &m_clock;
    int m_timeoutMs;
    // The connection, kept between calls; -1 when there is none.
    int m_fd = -1;
    double m_quietUntil = 0;
};
