#include "platform/linux/XdgApplications.h"
#include "platform/linux/X11Workspace.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// A user data folder and two system ones, in that precedence, named through the XDG variables.
class XdgApplicationsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScopedEnv home{"XDG_DATA_HOME", QFile::encodeName(dir.filePath("home"))};
    ScopedEnv dirs{"XDG_DATA_DIRS",
                   QFile::encodeName(dir.filePath("sys1") + ':' + dir.filePath("sys2"))};

    // A desktop entry; with a name, an application's.
    QString app(const QString &relative, const QByteArray &name, const QByteArray &extra = {})
    {
        return writeFile(
            dir.filePath(relative),
            "[Desktop Entry]\n"
                + (name.isEmpty() ? "" : "Type=Application\nExec=true\nName=" + name + "\n")
                + extra);
    }

    static QStringList describe(const QList<InstalledApp> &apps)
    {
        QStringList out = mapped(apps, [](const InstalledApp &a) {
            return a.id + '=' + a.name + (a.iconName.isEmpty() ? "" : " " + a.iconName);
        });
        out.sort();
        return out;
    }
};

} // namespace

TEST_F(XdgApplicationsTest, PrecedenceSubfoldersWhatIsLeftOutAndNamesInTheLanguage)
{
    app("home/applications/editor.desktop", "My Editor");
    app("sys1/applications/editor.desktop", "System Editor");
    const QString calc
        = app("sys1/applications/calc.desktop", "Calculator", "Icon=accessories-calculator\n");
    app("sys2/applications/calc.desktop", "Other Calculator");
    app("sys1/applications/kde/okular.desktop", "Okular", "Icon=/opt/okular.png\n");
    app("sys1/applications/kde/deeper/buried.desktop", "Buried");
    // A user's Hidden entry needs no Type: it removes the id from every folder below.
    app("home/applications/gone.desktop", {}, "Hidden=true\n");
    app("sys2/applications/gone.desktop", "Gone");
    app("sys1/applications/hidden.desktop", "Hidden", "Hidden=true\n");
    app("sys1/applications/nodisplay.desktop", "No Display", "NoDisplay=true\n");
    app("sys1/applications/link.desktop", {}, "Type=Link\nName=A Link\nURL=https://example.org\n");
    app("sys1/applications/notinstalled.desktop", "Missing", "TryExec=kaidro-no-such-program\n");
    app("sys1/applications/elsewhere.desktop", "Elsewhere", "OnlyShowIn=KaidroNoSuchDesktop;\n");
    app("sys1/applications/readme.txt", "Not An Entry");
    app("sys2/applications/vendor/tool.desktop", "Vendor Tool");

    // Through the workspace, as the app catalogue asks: the folders follow the environment.
    const QList<InstalledApp> apps = X11Workspace().installedApplications();
    EXPECT_EQ(describe(apps),
              (QStringList{"calc=Calculator accessories-calculator", "editor=My Editor",
                           "kde-okular=Okular /opt/okular.png", "vendor-tool=Vendor Tool"}));
    for (const InstalledApp &a : apps)
        EXPECT_TRUE(a.id != "calc" || a.desktopFile == calc);

    EXPECT_EQ(describe(XdgApplications::scan(
                  {dir.filePath("nowhere"), dir.filePath("sys2/applications")})),
              (QStringList{"calc=Other Calculator", "gone=Gone", "vendor-tool=Vendor Tool"}));
    EXPECT_TRUE(XdgApplications::scan({}).isEmpty());

    // Names follow the language, on a worker thread too.
    app("lang/applications/calc.desktop", "Calculator",
        "Name[de]=Rechner\nName[fr]=Calculatrice\n");
    const QStringList folders{dir.filePath("lang/applications")};
    for (const auto &[locale, name] :
         {std::pair{"de_DE.UTF-8", "calc=Rechner"}, std::pair{"C", "calc=Calculator"}}) {
        const ScopedEnv language("LANGUAGE", QByteArray()), all("LC_ALL", locale);
        auto scan = QtConcurrent::run([folders] { return XdgApplications::scan(folders); });
        EXPECT_EQ(describe(scan.result()), QStringList{name});
    }
}
