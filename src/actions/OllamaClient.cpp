#include "actions/OllamaClient.h"

#include "actions/LoopbackHttp.h"
#include "platform/Logging.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <utility>

namespace {

const QString kTimedOut = QStringLiteral("The request timed out.");
const QString kTooLarge = QStringLiteral("The answer was too large.");

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

OllamaClient::OllamaClient(QObject *parent)
    : QObject(parent)
{ }

OllamaClient::~OllamaClient()
{
    // Calls still running end silently: their callers are going away with us.
    qDeleteAll(findChildren<LoopbackHttp *>(Qt::FindDirectChildrenOnly));
}

QUrl OllamaClient::endpoint(const QUrl &base, const QString &path)
{
    QString basePath = base.path();
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    QString tail = path;
    while (tail.startsWith(QLatin1Char('/')))
        tail.remove(0, 1);
    QUrl url = base;
    url.setPath(basePath + QLatin1Char('/') + tail);
    return url;
}

QStringList OllamaClient::modelNames(const QByteArray &json)
{
    QStringList names;
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return names;
    const QJsonValue models = doc.object().value(QStringLiteral("models"));
    if (!models.isArray())
        return names;
    for (const QJsonValue &entry : models.toArray()) {
        const QJsonValue name = entry.toObject().value(QStringLiteral("name"));
        if (name.isString())
            names << name.toString();
    }
    return names;
}

void OllamaClient::checkServer(QObject *context, std::function<void(bool up)> done)
{
    get(QStringLiteral("/api/tags"), m_timeouts.checkMs, m_timeouts.checkMs, context,
        [done = std::move(done)](const Answer &answer) { done(answer.status == 200); });
}

void OllamaClient::listModels(QObject *context, std::function<void(QStringList)> done)
{
    list(QStringLiteral("/api/tags"), context, std::move(done));
}

void OllamaClient::listLoaded(QObject *context, std::function<void(QStringList)> done)
{
    list(QStringLiteral("/api/ps"), context, std::move(done));
}

void OllamaClient::list(const QString &path, QObject *context,
                        std::function<void(QStringList)> done)
{
    get(path, m_timeouts.idleMs, m_timeouts.resourceMs, context,
        [done = std::move(done)](const Answer &answer) {
            done(answer.status == 200 ? modelNames(answer.body) : QStringList());
        });
}

void OllamaClient::warm(const QString &model, QObject *context,
                        std::function<void(std::optional<QString> error)> done)
{
    const QJsonObject body{
        {QStringLiteral("model"), model},
        {QStringLiteral("prompt"), QStringLiteral("Reply with exactly: ready")},
        {QStringLiteral("stream"), false},
        {QStringLiteral("keep_alive"), QStringLiteral("30m")},
        {QStringLiteral("options"), QJsonObject{{QStringLiteral("num_predict"), 8}}},
    };
    post(QStringLiteral("api/generate"), compact(body), m_timeouts.generateMs, context,
         [done = std::move(done)](const Answer &answer) {
             if (!answer.status)
                 done(answer.error);
             else if (*answer.status != 200)
                 done(QStringLiteral("generate failed"));
             else
                 done(std::nullopt);
         });
}

void OllamaClient::unload(const QString &model, QObject *context, std::function<void(bool ok)> done)
{
    const QJsonObject body{
        {QStringLiteral("model"), model},
        {QStringLiteral("prompt"), QString()},
        {QStringLiteral("stream"), false},
        {QStringLiteral("keep_alive"), 0},
    };
    // An error answer (an unknown model, a server fault) leaves the model where it was, so it
    // does not count as unloaded.
    post(QStringLiteral("api/generate"), compact(body), m_timeouts.generateMs, context,
         [done = std::move(done)](const Answer &answer) {
             done(answer.status && *answer.status >= 200 && *answer.status < 300);
         });
}

void OllamaClient::get(const QString &path, int idleMs, int totalMs, QObject *context,
                       std::function<void(const Answer &)> done)
{
    call("GET", path, {}, idleMs, totalMs, context, std::move(done));
}

void OllamaClient::post(const QString &path, const QByteArray &body, int totalMs, QObject *context,
                        std::function<void(const Answer &)> done)
{
    call("POST", path, body, 0, totalMs, context, std::move(done));
}

void OllamaClient::call(QByteArray method, const QString &path, QByteArray body, int idleMs,
                        int totalMs, QObject *context, std::function<void(const Answer &)> done)
{
    LoopbackHttp::Request request;
    request.method = std::move(method);
    request.url = endpoint(m_base, path);
    if (!body.isEmpty())
        request.contentType = "application/json";
    request.body = std::move(body);
    request.idleMs = idleMs;
    request.totalMs = totalMs;
    request.maxBodyBytes = maxAnswerBytes;

    using Failure = LoopbackHttp::Response::Failure;
    auto finished = [this, guard = QPointer<QObject>(context),
                     done = std::move(done)](const LoopbackHttp::Response &response) {
        Answer answer;
        switch (response.failure) {
        case Failure::none:
            answer.status = response.status;
            answer.body = response.body;
            break;
        case Failure::timedOut: // the call's deadline or its idle limit
            answer.error = kTimedOut;
            break;
        case Failure::tooLarge:
            if (!std::exchange(m_tooLargeLogged, true))
                qCInfo(lcActions) << "an answer of the model server over" << maxAnswerBytes
                                  << "bytes was given up";
            answer.error = kTooLarge;
            break;
        case Failure::transport:
            answer.error = response.error;
            break;
        }
        if (guard)
            done(answer);
    };
    auto *exchange = new LoopbackHttp(std::move(request), this);
    // The exchange is done with once it has answered; it goes when control is back.
    exchange->start([exchange, finished = std::move(finished)](const LoopbackHttp::Response &r) {
        exchange->deleteLater();
        finished(r);
    });
}
