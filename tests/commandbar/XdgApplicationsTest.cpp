#include "platform/linux/XdgApplications.h"
#include "platform/linux/X11Workspace.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdlib>
#include <optional>

namespace {

// Restores one environment variable when the test ends.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_old = QByteArray(old);
        if (value.isNull())
            ::unsetenv(name);
        else
            ::setenv(name, value.constData(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->constData(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    std::optional<QByteArray> m_old;
};

// A user data folder and two system ones, in that precedence, named through the XDG variables.
class XdgApplicationsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::optional<ScopedEnv> home, dirs;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        home.emplace("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
        dirs.emplace("XDG_DATA_DIRS",
                     QFile::encodeName(dir.filePath(QStringLiteral("sys1")) + u':'
                                       + dir.filePath(QStringLiteral("sys2"))));
    }

    QString write(const QString &relative, const QByteArray &body)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(body);
        return path;
    }

    QString app(const QString &relative, const QByteArray &name, const QByteArray &extra = {})
    {
        return write(relative,
                     "[Desktop Entry]\nType=Application\nExec=true\nName=" + name + "\n" + extra);
    }

    static QStringList describe(const QList<InstalledApp> &apps)
    {
        QStringList out;
        for (const InstalledApp &a : apps)
            out << a.id + QLatin1Char('=') + a.name;
        out.sort();
        return out;
    }
};

} // namespace

TEST_F(XdgApplicationsTest, PrecedenceSubfoldersAndWhatIsLeftOut)
{
    app(QStringLiteral("home/applications/editor.desktop"), "My Editor");
    app(QStringLiteral("sys1/applications/editor.desktop"), "System Editor");
    const QString calc = app(QStringLiteral("sys1/applications/calc.desktop"), "Calculator",
                             "Icon=accessories-calculator\n");
    app(QStringLiteral("sys2/applications/calc.desktop"), "Other Calculator");
    app(QStringLiteral("sys1/applications/kde/okular.desktop"), "Okular", "Icon=/opt/okular.png\n");
    app(QStringLiteral("sys1/applications/kde/deeper/buried.desktop"), "Buried");
    // A user's Hidden entry needs no Type: it removes the id from every folder below.
    write(QStringLiteral("home/applications/gone.desktop"), "[Desktop Entry]\nHidden=true\n");
    app(QStringLiteral("sys2/applications/gone.desktop"), "Gone");
    app(QStringLiteral("sys1/applications/hidden.desktop"), "Hidden", "Hidden=true\n");
    app(QStringLiteral("sys1/applications/nodisplay.desktop"), "No Display", "NoDisplay=true\n");
    write(QStringLiteral("sys1/applications/link.desktop"),
          "[Desktop Entry]\nType=Link\nName=A Link\nURL=https://example.org\n");
    app(QStringLiteral("sys1/applications/notinstalled.desktop"), "Missing",
        "TryExec=kaidro-no-such-program\n");
    app(QStringLiteral("sys1/applications/elsewhere.desktop"), "Elsewhere",
        "OnlyShowIn=KaidroNoSuchDesktop;\n");
    app(QStringLiteral("sys1/applications/readme.txt"), "Not An Entry");
    app(QStringLiteral("sys2/applications/vendor/tool.desktop"), "Vendor Tool");

    // Through the workspace, as the app catalogue asks: the folders follow the environment.
    X11Workspace workspace;
    const QList<InstalledApp> apps = workspace.installedApplications();
    EXPECT_EQ(describe(apps),
              (QStringList{QStringLiteral("calc=Calculator"), QStringLiteral("editor=My Editor"),
                           QStringLiteral("kde-okular=Okular"),
                           QStringLiteral("vendor-tool=Vendor Tool")}));
    for (const InstalledApp &a : apps) {
        if (a.id == QLatin1String("calc")) {
            EXPECT_EQ(a.desktopFile, calc);
            EXPECT_EQ(a.iconName, QStringLiteral("accessories-calculator"));
        }
        if (a.id == QLatin1String("kde-okular")) {
            EXPECT_EQ(a.iconName, QStringLiteral("/opt/okular.png"));
        }
    }
}

TEST_F(XdgApplicationsTest, MissingFoldersAreSkipped)
{
    app(QStringLiteral("sys2/applications/only.desktop"), "Only");
    EXPECT_EQ(describe(XdgApplications::scan({dir.filePath(QStringLiteral("nowhere")),
                                              dir.filePath(QStringLiteral("sys2/applications"))})),
              QStringList{QStringLiteral("only=Only")});
    EXPECT_TRUE(XdgApplications::scan({}).isEmpty());
}

TEST_F(XdgApplicationsTest, NamesFollowTheLanguageOnAWorkerThread)
{
    app(QStringLiteral("home/applications/calc.desktop"), "Calculator",
        "Name[de]=Rechner\nName[fr]=Calculatrice\n");
    const QStringList folders{dir.filePath(QStringLiteral("home/applications"))};
    auto scanned = [&] {
        return describe(
            QtConcurrent::run([folders] { return XdgApplications::scan(folders); }).result());
    };
    {
        const ScopedEnv language("LANGUAGE", QByteArray());
        const ScopedEnv all("LC_ALL", "de_DE.UTF-8");
        EXPECT_EQ(scanned(), QStringList{QStringLiteral("calc=Rechner")});
    }
    {
        const ScopedEnv language("LANGUAGE", QByteArray());
        const ScopedEnv all("LC_ALL", "C");
        EXPECT_EQ(scanned(), QStringList{QStringLiteral("calc=Calculator")});
    }
}
