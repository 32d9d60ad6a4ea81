#include "platform/linux/KeyFileReader.h"

#include "platform/linux/BoundedRead.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A key as GLib takes one: a name without '=', '[' or ']' and not ending in a space, then
// optionally a locale in brackets made of letters, digits and "-_.@"; nothing otherwise.
std::optional<QString> keyName(QByteArrayView bytes)
{
    const QString key = QString::fromUtf8(bytes);
    qsizetype i = 0;
    while (i < key.size() && key.at(i) != u'[' && key.at(i) != u']')
        ++i;
    if (i == 0 || key.at(i - 1) == u' ')
        return std::nullopt;
    if (i < key.size() && key.at(i) == u'[') {
        ++i;
        while (i < key.size()
               && (key.at(i).isLetterOrNumber() || key.at(i) == u'-' || key.at(i) == u'_'
                   || key.at(i) == u'.' || key.at(i) == u'@'))
            ++i;
        if (i == key.size() || key.at(i) != u']')
            return std::nullopt;
        ++i;
    }
    if (i < key.size())
        return std::nullopt;
    return key;
}

// A value with its escapes undone; with `pieces`, split at unescaped semicolons into them. As in
// GLib, an escape it does not know stays as written and one cut off by the line's end is dropped,
// and either makes `clean` false.
QString unescape(const QString &value, QStringList *pieces = nullptr, bool *clean = nullptr)
{
    bool ok = true;
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u';' && pieces) {
            pieces->append(out);
            out.clear();
            continue;
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i == value.size()) {
            ok = false;
            break;
        }
        switch (value.at(i).unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        case ';':
            if (pieces) {
                out += u';';
                break;
            }
            [[fallthrough]];
        default:
            ok = false;
            out += c;
            out += value.at(i);
        }
    }
    if (pieces && !out.isEmpty())
        pieces->append(out);
    if (clean)
        *clean = ok;
    return out;
}

// `locale` ("de_DE.UTF-8@euro") and its less specific forms, most specific first.
void appendVariants(QStringList &out, const QString &locale)
{
    const qsizetype at = locale.indexOf(u'@');
    const QString modifier = at >= 0 ? locale.mid(at) : QString();
    const QString rest = at >= 0 ? locale.left(at) : locale;
    const qsizetype dot = rest.indexOf(u'.');
    const QString codeset = dot >= 0 ? rest.mid(dot) : QString();
    const QString head = dot >= 0 ? rest.left(dot) : rest;
    const qsizetype underscore = head.indexOf(u'_');
    const QString territory = underscore >= 0 ? head.mid(underscore) : QString();
    const QString language = underscore >= 0 ? head.left(underscore) : head;
    enum { Codeset = 1, Territory = 2, Modifier = 4 };
    const int present = (codeset.isEmpty() ? 0 : Codeset) | (territory.isEmpty() ? 0 : Territory)
        | (modifier.isEmpty() ? 0 : Modifier);
    for (int parts = present; parts >= 0; --parts) {
        if ((parts & ~present) != 0)
            continue;
        out << language + (parts & Territory ? territory : QString())
                + (parts & Codeset ? codeset : QString())
                + (parts & Modifier ? modifier : QString());
    }
}

} // namespace

std::optional<KeyFileReader> KeyFileReader::parse(QByteArrayView text)
{
    KeyFileReader file;
    Group *current = nullptr;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        const bool ended = end >= 0;
        if (!ended)
            end = text.size();
        QByteArrayView line = text.sliced(start, end - start);
        start = end + 1;
        if (ended && line.endsWith('\r'))
            line.chop(1);
        // GLib reads each line as a C string.
        if (const qsizetype nul = line.indexOf('\0'); nul >= 0)
            line.truncate(nul);
        while (!line.isEmpty() && isAsciiSpace(line.front()))
            line = line.sliced(1);
        if (line.isEmpty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const qsizetype close = line.indexOf(']');
            if (close < 0)
                return std::nullopt;
            for (const char c : line.sliced(close + 1)) {
                if (c != ' ' && c != '\t')
                    return std::nullopt;
            }
            const QByteArrayView bytes = line.sliced(1, close - 1);
            if (bytes.isEmpty() || bytes.contains('[')
                || std::any_of(bytes.begin(), bytes.end(),
                               [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7f; }))
                return std::nullopt;
            const QString name = QString::fromUtf8(bytes);
            current = nullptr;
            for (Group &group : file.m_groups) {
                if (group.name == name)
                    current = &group;
            }
            if (!current) {
                file.m_groups.append({name, {}});
                current = &file.m_groups.last();
            }
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || !current)
            return std::nullopt;
        QByteArrayView key = line.first(equals);
        while (!key.isEmpty() && isAsciiSpace(key.back()))
            key.chop(1);
        QByteArrayView value = line.sliced(equals + 1);
        while (!value.isEmpty() && isAsciiSpace(value.front()))
            value = value.sliced(1);
        const std::optional<QString> name = keyName(key);
        if (!name)
            return std::nullopt;
        // The first group's encoding, where it names one, must be UTF-8.
        if (*name == u"Encoding" && current == &file.m_groups.first()
            && QByteArrayView(value).compare("UTF-8", Qt::CaseInsensitive) != 0)
            return std::nullopt;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8(value);
        // As in GLib, a value that is not UTF-8 is read; only asking for it as text fails.
        current->entries.append({*name, decoded, !utf8.hasError()});
    }
    return file;
}

std::optional<KeyFileReader> KeyFileReader::load(const QString &path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes)
        return std::nullopt;
    const QByteArray text = readUpTo(file, maxBytes + 1);
    if (text.size() > maxBytes)
        return std::nullopt;
    return parse(text);
}

QString KeyFileReader::startGroup() const
{
    return m_groups.isEmpty() ? QString() : m_groups.first().name;
}

bool KeyFileReader::hasGroup(QStringView group) const
{
    for (const Group &g : m_groups) {
        if (g.name == group)
            return true;
    }
    return false;
}

const KeyFileReader::Entry *KeyFileReader::raw(QStringView group, QStringView key) const
{
    for (const Group &g : m_groups) {
        if (g.name != group)
            continue;
        // The last of a key written twice counts.
        for (auto it = g.entries.crbegin(); it != g.entries.crend(); ++it) {
            if (it->key == key)
                return &*it;
        }
        return nullptr;
    }
    return nullptr;
}

std::optional<QString> KeyFileReader::string(QStringView group, QStringView key) const
{
    const Entry *value = raw(group, key);
    if (!value || !value->text)
        return std::nullopt;
    return unescape(value->value);
}

std::optional<QString> KeyFileReader::localeString(QStringView group, QStringView key) const
{
    for (const QString &language : languageNames()) {
        if (auto value = string(group, key.toString() + u'[' + language + u']'))
            return value;
    }
    return string(group, key);
}

std::optional<bool> KeyFileReader::boolean(QStringView group, QStringView key) const
{
    const Entry *value = raw(group, key);
    if (!value)
        return std::nullopt;
    QStringView word(value->value);
    while (!word.isEmpty() && isSpace(word.back()))
        word.chop(1);
    if (word == u"true" || word == u"1")
        return true;
    if (word == u"false" || word == u"0")
        return false;
    return std::nullopt;
}

std::optional<QStringList> KeyFileReader::stringList(QStringView group, QStringView key) const
{
    const Entry *value = raw(group, key);
    if (!value || !value->text)
        return std::nullopt;
    QStringList pieces;
    bool clean = true;
    unescape(value->value, &pieces, &clean);
    if (!clean)
        return std::nullopt;
    return pieces;
}

QStringList KeyFileReader::languageNames()
{
    QString value;
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            break;
    }
    if (value.isEmpty())
        value = QStringLiteral("C");
    QStringList out;
    for (const QString &language : value.split(u':', Qt::SkipEmptyParts))
        appendVariants(out, language);
    out << QStringLiteral("C");
    return out;
}

std::optional<QString> KeyFileReader::firstShellWord(const QString &commandLine)
{
    // As GLib splits a command line: first into words with their quotes still in them, the
    // whole line (so a quote left open after the first word refuses it too), then the first
    // word's quotes and backslashes undone.
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote; // '\'', '"', '\\' (the next character is escaped) or '#' (a comment)
    bool escaped = false; // an odd run of backslashes ends just before
    const auto endWord = [&] {
        if (inWord)
            words.append(word);
        word.clear();
        inWord = false;
    };
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine.at(i);
        if (quote == u'\\') {
            if (c != u'\n') {
                inWord = true;
                word += u'\\';
                word += c;
            }
            quote = QChar();
        } else if (quote == u'#') {
            while (i < commandLine.size() && commandLine.at(i) != u'\n')
                ++i;
            quote = QChar();
            if (i == commandLine.size())
                break;
        } else if (!quote.isNull()) {
            if (c == quote && !(quote == u'"' && escaped))
                quote = QChar();
            inWord = true;
            word += c;
        } else if (c == u'\n') {
            endWord();
        } else if (c == u' ' || c == u'\t') {
            if (inWord && !word.isEmpty())
                endWord();
        } else if (c == u'\'' || c == u'"') {
            inWord = true;
            word += c;
            quote = c;
        } else if (c == u'\\') {
            quote = c;
        } else if (c == u'#'
                   && (i == 0 || commandLine.at(i - 1) == u' ' || commandLine.at(i - 1) == u'\n')) {
            quote = c;
        } else {
            inWord = true;
            word += c;
        }
        escaped = commandLine.at(std::min(i, commandLine.size() - 1)) == u'\\' ? !escaped : false;
    }
    endWord();
    if (!quote.isNull() || words.isEmpty())
        return std::nullopt;

    const QString &raw = words.first();
    QString out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c == u'\\') {
            if (++i < raw.size() && raw.at(i) != u'\n')
                out += raw.at(i);
        } else if (c == u'\'') {
            const qsizetype close = raw.indexOf(u'\'', i + 1);
            out += raw.sliced(i + 1, close - i - 1);
            i = close;
        } else if (c == u'"') {
            for (++i; raw.at(i) != u'"'; ++i) {
                const QChar d = raw.at(i);
                if (d == u'\\' && i + 1 < raw.size()) {
                    const QChar next = raw.at(i + 1);
                    if (next == u'"' || next == u'\\' || next == u'$' || next == u'`'
                        || next == u'\n') {
                        out += next;
                        ++i;
                        continue;
                    }
                }
                out += d;
            }
        } else {
            out += c;
        }
    }
    return out;
}

QString KeyFileReader::findProgram(const QString &program)
{
    const auto runnable = [](const QString &path) {
        const QFileInfo info(path);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    };
    if (program.isEmpty())
        return {};
    if (program.contains(u'/'))
        return runnable(program);
    QString path = qEnvironmentVariable("PATH");
    if (!qEnvironmentVariableIsSet("PATH"))
        path = QStringLiteral("/bin:/usr/bin:.");
    for (const QString &folder : path.split(u':')) {
        const QString found
            = runnable((folder.isEmpty() ? QStringLiteral(".") : folder) + u'/' + program);
        if (!found.isEmpty())
            return found;
    }
    return {};
}
