#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

// The calls we make to a local Ollama server. Every answer arrives on the main thread through the
// callback, and only while `context` still exists. Nothing is cached and no cookie is kept
// between calls; each call is one connection of its own (LoopbackHttp), so the server must be on
// this machine: "localhost" or a loopback address.
class OllamaClient final : public QObject
{
    Q_OBJECT
public:
    struct Timeouts
    {
        int checkMs = 2000; // the whole server check
        int idleMs = 8000; // a list call that hears nothing for this long gives up
        int resourceMs = 20000; // a list call as a whole
        int generateMs = 60000; // a warm or unload call as a whole
    };

    static QUrl defaultBase() { return QUrl(QStringLiteral("http://127.0.0.1:11434")); }
    // An answer longer than this is given up (and that is logged once): whatever binds the port
    // while the real server is down may send without end.
    static constexpr qint64 maxAnswerBytes = 8 * 1024 * 1024;

    explicit OllamaClient(QObject *parent = nullptr);
    ~OllamaClient() override;

    QUrl base() const { return m_base; }
    void setBase(const QUrl &base) { m_base = base; }
    const Timeouts &timeouts() const { return m_timeouts; }
    void setTimeouts(const Timeouts &timeouts) { m_timeouts = timeouts; }

    // `base` with `path` appended to its path ("/api/tags" under "http://host:1/x" is
    // "http://host:1/x/api/tags").
    static QUrl endpoint(const QUrl &base, const QString &path);
    // The names of a list answer ({"models": [{"name": …}, …]}); entries without a string name
    // are skipped, and anything else reads as no models.
    static QStringList modelNames(const QByteArray &json);

    // Up exactly when "/api/tags" answers with status 200.
    void checkServer(QObject *context, std::function<void(bool up)> done);
    // The installed models ("/api/tags") and the loaded ones ("/api/ps"), in the server's order;
    // any failure reads as an empty list.
    void listModels(QObject *context, std::function<void(QStringList)> done);
    void listLoaded(QObject *context, std::function<void(QStringList)> done);
    // Loads `model` by asking it for a one-word answer. Nothing on success, else a description
    // of what went wrong.
    void warm(const QString &model, QObject *context,
              std::function<void(std::optional<QString> error)> done);
    // Asks the server to drop `model` from memory now; true when the server agreed.
    void unload(const QString &model, QObject *context, std::function<void(bool ok)> done);

private:
    struct Answer
    {
        std::optional<int> status; // empty when no HTTP answer arrived
        QByteArray body;
        QString error; // the transport error's description when no answer arrived
    };

    void get(const QString &path, int idleMs, int totalMs, QObject *context,
             std::function<void(const Answer &)> done);
    void post(const QString &path, const QByteArray &body, int totalMs, QObject *context,
              std::function<void(const Answer &)> done);
    void call(QByteArray method, const QString &path, QByteArray body, int idleMs, int totalMs,
              QObject *context, std::function<void(const Answer &)> done);
    void list(const QString &path, QObject *context, std::function<void(QStringList)> done);

    QUrl m_base = defaultBase();
    Timeouts m_timeouts;
    bool m_tooLargeLogged = false;
};
