#pragma once

#include "platform/UserDefaults.h"

#include <memory>

class QSettings;

// User defaults kept by QSettings in a JSON file, so numbers stay numbers and lists stay lists.
// The file is owner-only. A file that is not a JSON object is moved aside as `.bad` at start
// instead of being overwritten by the first change.
class JsonUserDefaults final : public UserDefaults
{
public:
    explicit JsonUserDefaults(const QString &path);
    ~JsonUserDefaults() override;

    QVariant value(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    QString path() const { return m_path; }

private:
    void sync();

    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};
