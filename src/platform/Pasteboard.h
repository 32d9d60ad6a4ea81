#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>

// The desktop's general clipboard. The change count grows by one on every change, ours
// included, so a poll can tell that something new arrived without reading it.
class Pasteboard : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Pasteboard() override = default;

    virtual qint64 changeCount() const = 0;
    // The type identifiers of what is on the clipboard now (MIME types and marker types).
    virtual QStringList types() const = 0;
    // The plain text on the clipboard; nothing when there is none. Only text is ever read:
    // images and file lists are never copied into memory.
    virtual std::optional<QString> plainText() const = 0;
    // Clears the clipboard and puts `text` on it as plain text; bumps the change count.
    virtual void setPlainText(const QString &text) = 0;
    // Whether `changed` reports every change, so nobody needs to poll the count.
    virtual bool reportsChanges() const { return false; }

    // The marker types of a password manager's copy: its text is neither shown nor put back.
    static const QStringList &secretTypes()
    {
        static const QStringList types{
            QStringLiteral("org.nspasteboard.ConcealedType"),
            QStringLiteral("com.agilebits.onepassword"),
            // KeePassXC and other password tools on Linux desktops.
            QStringLiteral("x-kde-passwordManagerHint"),
        };
        return types;
    }
    static bool holdsSecret(const QStringList &types)
    {
        return std::ranges::any_of(types,
                                   [](const QString &t) { return secretTypes().contains(t); });
    }

signals:
    // The change count grew (only where reportsChanges()).
    void changed();
};
