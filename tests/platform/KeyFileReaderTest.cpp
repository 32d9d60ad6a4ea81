#include "platform/linux/KeyFileReader.h"
#include "platform/linux/BoundedRead.h"

#include <QFile>
#include <QTemporaryDir>

#include <glib.h>
#include <gtest/gtest.h>

// The reader stands in for GLib's key-file parser and shell splitter, so each case is read by
// both and every answer compared.
namespace {

std::optional<QString> owned(gchar *text)
{
    if (!text)
        return std::nullopt;
    QString out = QString::fromUtf8(text);
    g_free(text);
    return out;
}

struct GlibFile
{
    GKeyFile *file = g_key_file_new();
    ~GlibFile() { g_key_file_free(file); }
};

void expectSameAsGlib(const QByteArray &text,
                      const QList<std::pair<const char *, const char *>> &keys)
{
    SCOPED_TRACE(text.toStdString());
    GlibFile glib;
    const bool glibRead = g_key_file_load_from_data(glib.file, text.constData(), gsize(text.size()),
                                                    G_KEY_FILE_NONE, nullptr);
    const std::optional<KeyFileReader> ours = KeyFileReader::parse(text);
    ASSERT_EQ(ours.has_value(), glibRead);
    if (!glibRead)
        return;
    EXPECT_EQ(ours->startGroup(), owned(g_key_file_get_start_group(glib.file)).value_or(QString()));
    for (const auto &[group, key] : keys) {
        SCOPED_TRACE(std::string(group) + " / " + key);
        EXPECT_EQ(ours->hasGroup(QString::fromUtf8(group)),
                  bool(g_key_file_has_group(glib.file, group)));
        const QString g = QString::fromUtf8(group), k = QString::fromUtf8(key);
        EXPECT_EQ(ours->string(g, k), owned(g_key_file_get_string(glib.file, group, key, nullptr)));
        EXPECT_EQ(ours->localeString(g, k),
                  owned(g_key_file_get_locale_string(glib.file, group, key, nullptr, nullptr)));
        GError *error = nullptr;
        const gboolean flag = g_key_file_get_boolean(glib.file, group, key, &error);
        EXPECT_EQ(ours->boolean(g, k), error ? std::nullopt : std::optional<bool>(flag != FALSE));
        g_clear_error(&error);
        gchar **list = g_key_file_get_string_list(glib.file, group, key, nullptr, nullptr);
        std::optional<QStringList> theirs;
        if (list) {
            theirs = QStringList();
            for (gchar **item = list; *item; ++item)
                theirs->append(QString::fromUtf8(*item));
            g_strfreev(list);
        }
        EXPECT_EQ(ours->stringList(g, k), theirs);
    }
}

} // namespace

TEST(KeyFileReader, ReadsGroupsKeysEscapesListsAndFlagsAsGlibDoes)
{
    const QList<std::pair<const char *, const char *>> entry{
        {"Desktop Entry", "Name"},     {"Desktop Entry", "Exec"},
        {"Desktop Entry", "Terminal"}, {"Desktop Entry", "Categories"},
        {"Desktop Entry", "Missing"},  {"Other", "Name"},
        {"Desktop Entry", "Comment"},  {"Desktop Entry", "Keywords"}};
    for (const QByteArray &text : {
             QByteArray("[Desktop Entry]\nName=Files\nExec=nautilus %U\nTerminal=false\n"),
             QByteArray(
                 "# comment\n\n  [Desktop Entry]  \n  Name = Spaced Out  \nTerminal=true \n"),
             QByteArray("[Desktop Entry]\r\nName=Windows lines\r\nTerminal=1\r\n"),
             QByteArray("[Desktop Entry]\nName=a\\sb\\nc\\td\\re\\\\f\nComment=bad \\q escape\n"),
             QByteArray("[Desktop Entry]\nName=ends in \\\nTerminal=yes\n"),
             QByteArray("[Desktop Entry]\nCategories=Network;Chat;\nKeywords=a\\;b;c;;d\n"),
             QByteArray("[Desktop Entry]\nCategories=one\nKeywords=;\nComment=x;y\\;z\n"),
             QByteArray("[Desktop Entry]\nName=first\nName=second\n[Other]\nName=o\n"
                        "[Desktop Entry]\nComment=merged\n"),
             QByteArray("[Desktop Entry]\nTerminal=0\nName=\nExec=   \n"),
             QByteArray("Name=before any group\n[Desktop Entry]\n"),
             QByteArray("[Desktop Entry]\nnot a pair\n"),
             QByteArray("[Desktop Entry]\n=no key\n"),
             QByteArray("[Desktop Entry] trailing\nName=x\n"),
             QByteArray("[Desktop Entry\nName=x\n"),
             QByteArray("[Desktop Entry]\nName=caf\xc3\xa9\n"),
             QByteArray("[Desktop Entry]\nName=\xff\xfe bad\n"),
             QByteArray("[Desktop Entry]\nName[caf\xc3\xa9]=x\nName[a b]=y\n"),
             QByteArray("[Desktop Entry]\nName =x\nComment]=y\n"),
             QByteArray("[Desktop Entry]\nEncoding=utf-8\nName=x\n"),
             QByteArray("[Desktop Entry]\nEncoding=Legacy-Mixed\n"),
             QByteArray("[Desktop\tEntry]\nName=x\n"),
             QByteArray("[Desktop Entry]\nName=a\0b\nTerminal=true", 38),
             QByteArray("[Desktop Entry]\nName=no end of line\r"),
             QByteArray(""),
             QByteArray("\n\n# only comments\n"),
         })
        expectSameAsGlib(text, entry);
}

TEST(KeyFileReader, LooksUpLocalizedKeysInTheLanguagesGlibListsFromTheEnvironment)
{
    const QByteArray text
        = "[Desktop Entry]\nName=Files\nName[de]=Dateien\nName[de_AT]=Dateien AT\n"
          "Name[sr@latin]=Datoteke\nName[pt_BR]=Arquivos\nName[C]=C files\n"
          "Comment=plain\nComment[fr]=\\bad\nComment[de]=Kommentar\n";
    const QList<std::pair<const char *, const char *>> keys{{"Desktop Entry", "Name"},
                                                            {"Desktop Entry", "Comment"}};
    const QByteArray saved[]
        = {qgetenv("LANGUAGE"), qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG")};
    struct Setting
    {
        const char *language, *all, *messages, *lang;
    };
    for (const Setting &s : {
             Setting{"", "", "", "de_AT.UTF-8"},
             Setting{"", "", "", "de_CH.UTF-8@euro"},
             Setting{"", "", "sr_RS@latin", "de_DE.UTF-8"},
             Setting{"pt_BR:fr:de", "", "", "en_US.UTF-8"},
             Setting{"fr:de", "", "", ""},
             Setting{"", "fr_FR.UTF-8", "de_DE", "de_DE"},
             Setting{"", "", "", ""},
             Setting{"", "C", "", ""},
             Setting{"", "", "", "C.UTF-8"},
         }) {
        SCOPED_TRACE(std::string(s.language) + "|" + s.all + "|" + s.messages + "|" + s.lang);
        qputenv("LANGUAGE", s.language);
        qputenv("LC_ALL", s.all);
        qputenv("LC_MESSAGES", s.messages);
        qputenv("LANG", s.lang);
        QStringList theirs;
        for (const gchar *const *name = g_get_language_names(); *name; ++name)
            theirs << QString::fromUtf8(*name);
        EXPECT_EQ(KeyFileReader::languageNames(), theirs);
        expectSameAsGlib(text, keys);
    }
    qputenv("LANGUAGE", saved[0]);
    qputenv("LC_ALL", saved[1]);
    qputenv("LC_MESSAGES", saved[2]);
    qputenv("LANG", saved[3]);
}

TEST(KeyFileReader, SplitsTheFirstShellWordAsGlibDoesAndFindsProgramsOnThePath)
{
    for (const char *line : {
             "firefox %u",
             "  /usr/bin/env  FOO=1 app",
             "\"/opt/My App/run\" --x",
             "'it''s' a",
             "a\\ b c",
             "\"q\\\"uote\\$\\x\" z",
             "# only a comment",
             "#c\nnext word",
             "",
             "   ",
             "'open",
             "\"open",
             "ends\\",
             "ab\"cd\"'ef' g",
             "back\\\nslash",
             "tab\there",
             "\"\" empty",
             "x#y z",
             "\t#",
             "a\\b \n#",
             "$b\t#\";'",
             "\"a\\\nb\" c",
             "a \\ #x",
             "\"\\q\"",
         }) {
        SCOPED_TRACE(line);
        gchar **argv = nullptr;
        std::optional<QString> theirs;
        if (g_shell_parse_argv(line, nullptr, &argv, nullptr)) {
            theirs = QString::fromUtf8(argv[0]);
            g_strfreev(argv);
        }
        EXPECT_EQ(KeyFileReader::firstShellWord(QString::fromUtf8(line)), theirs);
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tool = dir.filePath("kaidro-tool"), plain = dir.filePath("kaidro-plain");
    QFile(tool).open(QIODevice::WriteOnly);
    QFile(plain).open(QIODevice::WriteOnly);
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner);
    QDir(dir.path()).mkdir("kaidro-folder");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", ("/nonexistent::" + dir.path() + ":/usr/bin").toUtf8());
    for (const QString &program : {QStringLiteral("kaidro-tool"), QStringLiteral("kaidro-plain"),
                                   QStringLiteral("kaidro-folder"), QStringLiteral("sh"), tool,
                                   plain, QStringLiteral("kaidro-none"), QString()}) {
        SCOPED_TRACE(program.toStdString());
        gchar *found = g_find_program_in_path(program.toUtf8().constData());
        const QString theirs = QString::fromUtf8(found);
        g_free(found);
        EXPECT_EQ(KeyFileReader::findProgram(program), theirs);
    }
    qputenv("PATH", path);
}

TEST(KeyFileReader, LoadsFilesUpToTheLimitWholeAndRefusesLongerOnesReadingNoMoreThanAsked)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Longer than a read block, so the text comes in pieces.
    QByteArray text = "[Desktop Entry]\nName=Long\nComment=";
    text += QByteArray(9000 - text.size() - 1, 'x') + '\n';
    const QString path = dir.filePath("long.desktop");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    const std::optional<KeyFileReader> whole = KeyFileReader::load(path, text.size());
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->string(u"Desktop Entry", u"Comment")->size(), 9000 - 35);
    EXPECT_FALSE(KeyFileReader::load(path, text.size() - 1).has_value());
    EXPECT_FALSE(KeyFileReader::load(dir.filePath("missing.desktop")).has_value());

    // A /proc file tells no size: it is read to its end, or up to the limit.
    QFile status("/proc/self/status");
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const QByteArray all = readUpTo(status, 1 << 20);
    EXPECT_TRUE(all.startsWith("Name:") && all.endsWith('\n')) << all.size();
    status.seek(0);
    EXPECT_EQ(readUpTo(status, 7), all.left(7));
}
