#include "platform/linux/JsonUserDefaults.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file's values; empty for an empty or missing file, nothing when it is no JSON object.
std::optional<QVariantMap> readValues(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QVariantMap(); // nothing to protect
    const QByteArray bytes = f.readAll();
    if (bytes.trimmed().isEmpty())
        return QVariantMap();
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object().toVariantMap();
}

} // namespace

JsonUserDefaults::JsonUserDefaults(const QString &path)
    : m_path(path)
{
    if (path.isEmpty())
        return; // no file: the values live in memory only
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (const std::optional<QVariantMap> values = readValues(path))
        m_values = *values;
    else
        AtomicFile::keepAside(path);
    // Owner-only from the start, even before the first change is saved.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    else
        ::chmod(native.constData(), 0600);
    AtomicFile::removeLeftovers(path);
}

JsonUserDefaults::~JsonUserDefaults() = default;

QVariant JsonUserDefaults::value(const QString &key) const
{
    return m_values.value(key);
}

void JsonUserDefaults::setValue(const QString &key, const QVariant &value)
{
    // Stored as it will read back after a restart.
    m_values.insert(key, QJsonValue::fromVariant(value).toVariant());
    m_unsaved.insert(key);
    save();
}

void JsonUserDefaults::remove(const QString &key)
{
    m_values.remove(key);
    m_unsaved.insert(key);
    save();
}

void JsonUserDefaults::save()
{
    // What is in the file now (another copy may have saved), with our unsaved changes on top;
    // a file that stopped being a JSON object meanwhile is replaced by what we hold.
    QVariantMap merged = readValues(m_path).value_or(m_values);
    for (const QString &key : std::as_const(m_unsaved)) {
        if (m_values.contains(key))
            merged.insert(key, m_values.value(key));
        else
            merged.remove(key);
    }
    const QByteArray bytes
        = QJsonDocument(QJsonObject::fromVariantMap(merged)).toJson(QJsonDocument::Indented);
    if (!AtomicFile::write(m_path, bytes))
        return;
    m_values = merged;
    m_unsaved.clear();
}
