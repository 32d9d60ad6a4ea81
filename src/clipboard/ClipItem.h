#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

// One copied text in the clipboard history.
struct ClipItem
{
    enum class Kind { link, path, text };

    QUuid id;
    QString text; // exactly as read from the clipboard, not trimmed
    QDateTime date; // capture or last re-copy
    QString sourceApp; // localized name of the app in front at capture; empty when none
    bool pinned = false;
    QString sourceBundle; // that app's id; empty when none

    Kind kind() const;

    // The stored shape: "id" upper-case, "date" in seconds since 2001-01-01 UTC, "sourceApp"
    // and "sourceBundle" left out when empty.
    QJsonObject toJson() const;
    // Nothing when a required key is missing or of the wrong type.
    static std::optional<ClipItem> fromJson(const QJsonObject &object);

    bool operator==(const ClipItem &) const = default;
};
