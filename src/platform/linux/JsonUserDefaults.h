#pragma once

#include "platform/UserDefaults.h"

#include <QSet>
#include <QVariantMap>

// User defaults kept in a JSON object file, so numbers stay numbers and lists stay lists. The
// file is owner-only. A file that is not a JSON object is moved aside (`AtomicFile::keepAside`)
// at start instead of being overwritten by the first change.
//
// Every change is saved at once, atomically: the file is read again, the changes not yet saved
// are laid over it (so another copy's changes to other keys are kept) and the whole is written
// through a temporary file. A change that could not be saved (a full disk) stays in memory and
// goes with the next save. No lock file is used: a lock left by a killed process would stall the
// next start's first save.
class JsonUserDefaults final : public UserDefaults
{
public:
    // An empty `path` keeps the values in memory only.
    explicit JsonUserDefaults(const QString &path);
    ~JsonUserDefaults() override;

    QVariant value(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    QString path() const { return m_path; }

private:
    void save();

    QString m_path;
    QVariantMap m_values;
    // Keys changed since the last save that succeeded; removed keys are not in `m_values`.
    QSet<QString> m_unsaved;
};
