#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// One row of the command bar. What it runs is data: the shell reads the target and acts on it,
// so a row can be copied, compared and kept without holding on to anything.
struct CommandItem
{
    struct Target
    {
        enum class Kind {
            none,
            app, // value: the desktop file's path
            skill, // value: the skill's id
            command, // value: the shell command's id
            widget, // value: the widget's raw value
            clip, // value: the clip's id; pasted, or copied when it is the alternative
            copyText, // value: the text
            url, // value: the encoded address
        };
        Kind kind = Kind::none;
        QString value;

        bool operator==(const Target &) const = default;
    };

    QString id; // "app:…", "cmd:…", "clip:…", a skill's id, "calc" or "web"
    QString title;
    std::optional<QString> subtitle;
    QString symbol; // symbol name drawn when there is no app icon
    std::optional<QUrl> appURL; // the app's desktop file; only application rows have one
    QString hint; // "OPEN", "SWITCH", "RUN", "TOGGLE", "PASTE" or "COPY"
    int score = 0;
    Target target;
    std::optional<QString> altHint;
    Target altTarget; // none when the row has no alternative

    bool hasAlternative() const { return altTarget.kind != Target::Kind::none; }
};
