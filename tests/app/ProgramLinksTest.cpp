// The Help button and the logo: where the manual is looked for, what is opened, and what the
// user is told when there is nothing to open.
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/support/HelpLocation.h"
#include "app/support/ProgramLinks.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"
#include "tests/support/TempDir.h"

#include <QDesktopServices>
#include <QDir>
#include <QPushButton>
#include <QToolButton>

#include <vector>

using namespace parlaro;

namespace {

QString under(const testsupport::TempDir& dir, const char* name) {
    return QString::fromStdString(dir.file(name));
}

void makePage(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    testsupport::writeFile(path.toStdString(), "<!DOCTYPE html><title>Parlaro</title>\n");
}

struct FakeOpener final : UrlOpener {
    bool open(const QUrl& url) override {
        opened.push_back(url);
        return result;
    }
    std::vector<QUrl> opened;
    bool result = true;
};

// Catches what the desktop would be asked to open, through Qt's own hook in QDesktopServices,
// so the window's real opener is what is tested.
class UrlCatcher final : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { opened.push_back(url); }

  public:
    std::vector<QUrl> opened;
};

struct CatchingUrls {
    UrlCatcher catcher;
    CatchingUrls() {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    }
    ~CatchingUrls() {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(scheme);
    }
};

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2005, 3, 14), QTime(9, 30, 15)); }
};

struct Window : testsupport::SettingsFixture {
    testsupport::TestApplication qt;
    FixedClock clock;
    CatchingUrls urls;
    StartupEnvironment env{QString::fromStdString(dir.file("prefix/bin")), true,
                           QString::fromStdString(dir.file("data")), "",
                           [] { return QByteArray("ann"); }};
    MainWindow w{globals, reg, prompter, env, clock};

    void click(const char* name) {
        auto* button = w.findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
};

}  // namespace

TEST(HelpLocation, InstalledManualFirstThenTheSourceTreeThenNothing) {
    struct Case {
        const char* name;
        bool installed;
        bool inSource;
        const char* expected;  // under the test's folder; "" for none
    };
    for (const Case& c : {
             Case{"installed only", true, false, "prefix/share/parlaro/help/index.html"},
             Case{"installed wins", true, true, "prefix/share/parlaro/help/index.html"},
             Case{"build tree", false, true, "src/docs/help/index.html"},
             Case{"neither", false, false, ""},
         }) {
        testsupport::TempDir dir;
        if (c.installed) makePage(under(dir, "prefix/share/parlaro/help/index.html"));
        if (c.inSource) makePage(under(dir, "src/docs/help/index.html"));
        const QString found = FindHelpIndex(under(dir, "prefix/bin"), under(dir, "src/docs/help"));
        EXPECT_EQ(found, *c.expected ? under(dir, c.expected) : QString()) << c.name;
    }
}

TEST(HelpLocation, AFolderOrNoSourceTreeIsNoManual) {
    testsupport::TempDir dir;
    QDir().mkpath(under(dir, "prefix/share/parlaro/help/index.html"));
    makePage(under(dir, "src/docs/help/index.html"));
    EXPECT_EQ(FindHelpIndex(under(dir, "prefix/bin"), ""), "");
    EXPECT_EQ(FindHelpIndex(under(dir, "prefix/bin"), under(dir, "src/docs/help")),
              under(dir, "src/docs/help/index.html"));
}

TEST(HelpLocation, OnlyAProgramInItsBuildTreeLooksInTheSourceTree) {
    const QString build = QStringLiteral(PARLARO_BINARY_DIR);
    EXPECT_EQ(SourceHelpFolder(build + "/bin"), QStringLiteral(PARLARO_SOURCE_DIR "/docs/help"));
    EXPECT_EQ(SourceHelpFolder(build), QStringLiteral(PARLARO_SOURCE_DIR "/docs/help"));
    // A folder whose name merely begins like the build tree's is somewhere else.
    EXPECT_EQ(SourceHelpFolder(build + "-installed/bin"), "");
    EXPECT_EQ(SourceHelpFolder("/usr/bin"), "");
}

TEST(ShowHelp, OpensTheManualOrSaysWhyNot) {
    struct Case {
        const char* name;
        bool manual;
        bool desktopOpens;
        bool opened;
        const char* toldAbout;  // a piece of the message; "" for none
    };
    for (const Case& c : {
             Case{"found and shown", true, true, true, ""},
             Case{"missing", false, true, false, "prefix/share/parlaro/help/index.html"},
             Case{"no browser", true, false, false, "prefix/share/parlaro/help/index.html in a"},
         }) {
        testsupport::TempDir dir;
        const QString page = under(dir, "prefix/share/parlaro/help/index.html");
        if (c.manual) makePage(page);
        FakeOpener opener;
        opener.result = c.desktopOpens;
        testsupport::ScriptedPrompter prompter;
        EXPECT_EQ(ShowHelp(under(dir, "prefix/bin"), "", opener, prompter), c.opened) << c.name;
        if (c.manual) {
            EXPECT_EQ(opener.opened, std::vector<QUrl>{QUrl::fromLocalFile(page)}) << c.name;
        } else {
            EXPECT_TRUE(opener.opened.empty()) << c.name;
        }
        if (*c.toldAbout) {
            ASSERT_EQ(prompter.shown.size(), 1u) << c.name;
            EXPECT_EQ(prompter.shown[0].title, "Parlaro");
            EXPECT_EQ(prompter.shown[0].icon, Icon::Exclamation);
            EXPECT_TRUE(prompter.shown[0].text.contains(c.toldAbout))
                << prompter.shown[0].text.toStdString();
        } else {
            EXPECT_TRUE(prompter.shown.empty()) << c.name;
        }
    }
}

TEST(LogoLink, OpensTheTooltipsAddressAndNothingWithoutOne) {
    FakeOpener opener;
    EXPECT_TRUE(OpenLogoLink("https://parlaro.example.org/", opener));
    EXPECT_FALSE(OpenLogoLink("", opener));
    EXPECT_FALSE(OpenLogoLink("  ", opener));
    EXPECT_EQ(opener.opened, std::vector<QUrl>{QUrl("https://parlaro.example.org/")});
}

TEST(MainWindowLinks, HelpButtonOpensTheInstalledManual) {
    Window f;
    const QString page = QString::fromStdString(f.dir.file("prefix/share/parlaro/help/index.html"));
    makePage(page);
    f.click("cmdHelp");
    EXPECT_EQ(f.urls.catcher.opened, std::vector<QUrl>{QUrl::fromLocalFile(page)});
    EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(MainWindowLinks, HelpButtonWithoutAManualTellsTheUser) {
    Window f;
    f.click("cmdHelp");
    EXPECT_TRUE(f.urls.catcher.opened.empty());
    ASSERT_EQ(f.prompter.shown.size(), 1u);
    EXPECT_TRUE(f.prompter.shown[0].text.contains("could not be found"));
}

TEST(MainWindowLinks, LogoOpensTheWebPageInItsTooltip) {
    Window f;
    auto* logo = f.w.findChild<QToolButton*>("picLogo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->toolTip(), kProgramWebPage);
    f.click("picLogo");
    EXPECT_EQ(f.urls.catcher.opened, std::vector<QUrl>{QUrl(kProgramWebPage)});
    logo->setToolTip("");
    f.click("picLogo");
    EXPECT_EQ(f.urls.catcher.opened.size(), 1u);
}

#include "ProgramLinksTest.moc"
