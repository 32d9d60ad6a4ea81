#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A key file (desktop entries, the calendar server's source descriptions) read the way GLib's
// key-file parser reads one, so escapes, lists and localized keys (Name[de]) come out as every
// desktop reads them. Reading one with GLib pages in a third of a megabyte of its code; this
// reader is what the HUD needs of it, in plain code.
class KeyFileReader final
{
public:
    // Nothing when `text` is not a key file: a line that is no group, key or comment, or a key
    // before any group. GLib reads past stray UTF-8 continuation bytes in a group or key name;
    // such a file is refused here.
    static std::optional<KeyFileReader> parse(QByteArrayView text);
    // The file at `path` parsed; nothing when it cannot be read or is larger than `maxBytes`.
    static std::optional<KeyFileReader> load(const QString &path, qint64 maxBytes = 1 << 20);

    // The first group's name.
    QString startGroup() const;
    bool hasGroup(QStringView group) const;
    // A key's value with its escapes (\s \n \t \r \\) undone; nothing when the key is absent or
    // its line is not UTF-8.
    std::optional<QString> string(QStringView group, QStringView key) const;
    // The value of the first of `key[language]` present for the languages of languageNames(),
    // else that of `key`.
    std::optional<QString> localeString(QStringView group, QStringView key) const;
    // "true" or "1", "false" or "0"; nothing for anything else.
    std::optional<bool> boolean(QStringView group, QStringView key) const;
    // The value split at the semicolons that are not escaped ("a;b\;c;" is "a" and "b;c");
    // nothing when it holds an escape string() would keep as written.
    std::optional<QStringList> stringList(QStringView group, QStringView key) const;

    // The languages messages are looked up in, most wanted first, as GLib lists them: each of
    // LANGUAGE (or else LC_ALL, LC_MESSAGES or LANG) with its variants from the most specific
    // ("de_DE.UTF-8@euro", ..., "de"), then "C". Locale aliases ("german") are not resolved.
    static QStringList languageNames();

    // The first word of a command line split as a POSIX shell would split it, without expanding
    // anything: quotes and backslashes undone, '#' at a word's start opening a comment. Nothing
    // when a quote is not closed or there is no word.
    static std::optional<QString> firstShellWord(const QString &commandLine);
    // The file `program` names where it is an executable file: a name with a slash as it
    // stands, other names in the folders of PATH. Empty when there is none.
    static QString findProgram(const QString &program);

private:
    struct Entry
    {
        QString key;
        QString value; // as written
        bool text = true; // whether its line was UTF-8
    };
    struct Group
    {
        QString name;
        QList<Entry> entries; // in file order
    };
    const Entry *raw(QStringView group, QStringView key) const;

    QList<Group> m_groups;
};
