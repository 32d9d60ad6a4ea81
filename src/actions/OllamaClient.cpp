#include "actions/OllamaClient.h"

#include "platform/Logging.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

const QString kTimedOut = QStringLiteral("The request timed out.");
const QString kTooLarge = QStringLiteral("The answer was too large.");

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Network-layer and proxy errors (Qt numbers them below 200) mean the answer never arrived
// whole; higher numbers describe an HTTP answer that did arrive.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && int(error) < 200;
}

} // namespace

OllamaClient::OllamaClient(QObject *parent)
    : QObject(parent)
{ }

QNetworkAccessManager &OllamaClient::network()
{
    if (!m_network) {
        m_network = std::make_unique<QNetworkAccessManager>();
        // The server is on this machine: a proxy from the environment must never see these
        // calls.
        m_network->setProxy(QNetworkProxy::NoProxy);
    }
    return *m_network;
}

OllamaClient::~OllamaClient()
{
    // Calls still running end silently: their callers are going away with us.
    for (const QPointer<QNetworkReply> &reply : std::as_const(m_inFlight)) {
        if (reply) {
            disconnect(reply, nullptr, this, nullptr);
            reply->abort();
        }
    }
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

namespace {

QNetworkRequest request(const QUrl &url)
{
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    req.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    req.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::ManualRedirectPolicy);
    req.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    return req;
}

} // namespace

void OllamaClient::get(const QString &path, int idleMs, int totalMs, QObject *context,
                       std::function<void(const Answer &)> done)
{
    QNetworkRequest req = request(endpoint(m_base, path));
    req.setTransferTimeout(idleMs);
    track(network().get(req), totalMs, context, std::move(done));
}

void OllamaClient::post(const QString &path, const QByteArray &body, int totalMs, QObject *context,
                        std::function<void(const Answer &)> done)
{
    QNetworkRequest req = request(endpoint(m_base, path));
    req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    track(network().post(req, body), totalMs, context, std::move(done));
}

void OllamaClient::track(QNetworkReply *reply, int totalMs, QObject *context,
                         std::function<void(const Answer &)> done)
{
    m_inFlight.append(reply);
    auto timedOut = std::make_shared<bool>(false);

    // The whole call's deadline; the reply owns the timer, so it goes with the reply.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    deadline->start(totalMs);

    auto tooLarge = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply, tooLarge](qint64 received, qint64 total) {
                if (*tooLarge || std::max(received, total) <= maxAnswerBytes)
                    return;
                *tooLarge = true;
                if (!std::exchange(m_tooLargeLogged, true))
                    qCInfo(lcActions) << "an answer of the model server over" << maxAnswerBytes
                                      << "bytes was given up";
                reply->abort();
            });

    connect(reply, &QNetworkReply::finished, this,
            [this, reply, timedOut, tooLarge, guard = QPointer<QObject>(context),
             done = std::move(done)] {
                m_inFlight.removeAll(reply);
                reply->deleteLater();

                Answer answer;
                const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                const QNetworkReply::NetworkError error = reply->error();
                if (*tooLarge) {
                    answer.error = kTooLarge;
                } else if (*timedOut || error == QNetworkReply::OperationCanceledError
                           || error == QNetworkReply::TimeoutError) {
                    // Our own deadline, or the idle limit, which Qt reports as a cancel.
                    answer.error = kTimedOut;
                } else if (isTransportError(error) || !status.isValid()) {
                    answer.error = reply->errorString();
                } else {
                    answer.status = status.toInt();
                    answer.body = reply->readAll();
                }
                if (guard)
                    done(answer);
            });
}
