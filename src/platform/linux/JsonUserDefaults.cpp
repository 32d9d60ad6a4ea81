#include "platform/linux/JsonUserDefaults.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool readJson(QIODevice &device, QSettings::SettingsMap &map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        map.insert(it.key(), it.value().toVariant());
    return true;
}

bool writeJson(QIODevice &device, const QSettings::SettingsMap &map)
{
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), QJsonValue::fromVariant(it.value()));
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (device.write(bytes) != bytes.size())
        return false;
    // QSettings hands us a buffered QSaveFile whose commit does not notice a failed last flush
    // (a full disk) and would rename a truncated file over the good one: flush it here, where a
    // failure stops the save.
    auto *file = qobject_cast<QFileDevice *>(&device);
    return !file || file->flush();
}

QSettings::Format jsonFormat()
{
    static const QSettings::Format format
        = QSettings::registerFormat(QStringLiteral("json"), readJson, writeJson);
    return format;
}

bool holdsJsonObject(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return true; // nothing to protect
    const QByteArray bytes = f.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    return error.error == QJsonParseError::NoError && doc.isObject();
}

} // namespace

JsonUserDefaults::JsonUserDefaults(const QString &path)
    : m_path(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!holdsJsonObject(path))
        AtomicFile::keepAside(path);
    // QSettings saves through QSaveFile, which keeps the permissions of the file it replaces.
    // Creating the file owner-only before the first save means no save ever widens them.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    else
        ::chmod(native.constData(), 0600);
    m_settings = std::make_unique<QSettings>(path, jsonFormat());
    // QSettings saves through QSaveFile too: a kill in the middle of a save leaves its
    // temporary file.
    AtomicFile::removeLeftovers(path);
}

JsonUserDefaults::~JsonUserDefaults() = default;

QVariant JsonUserDefaults::value(const QString &key) const
{
    return m_settings->value(key);
}

void JsonUserDefaults::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    sync();
}

void JsonUserDefaults::remove(const QString &key)
{
    m_settings->remove(key);
    sync();
}

void JsonUserDefaults::sync()
{
    // A save that fails (a full disk) leaves the file as it was; QSettings keeps the change and
    // writes it with the next one.
    m_settings->sync();
    const bool saved = m_settings->status() == QSettings::NoError;
    AtomicFile::noteResult(m_path, saved,
                           saved ? QString() : QStringLiteral("the file could not be written"));
}
