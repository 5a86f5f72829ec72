#include <gtest/gtest.h>

#include "app/options/OptionsDialog.h"
#include "app/startup/Autostart.h"
#include "tests/app/ControllerRig.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"

#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

using namespace parlaro;

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string entryFile(const testsupport::TempDir& dir) {
    return dir.file("autostart/org.parlaro.Parlaro.desktop");
}

bool validatorInstalled() {
    return testsupport::run("sh", "-c 'command -v desktop-file-validate'") == 0;
}

// Sets an environment variable for one scope, putting back what was there.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

// The Exec value must survive both the string unescaping and the argument quoting of a
// desktop entry, so that the session starts exactly this file.
TEST(AutostartEntry, AwkwardProgramPathsGiveValidEntries) {
    const struct {
        QString program;
        QString exec;
    } cases[] = {
        {"/usr/local/bin/parlaro", "/usr/local/bin/parlaro"},
        {"/opt/My Programs/parlaro", "\"/opt/My Programs/parlaro\""},
        {"/opt/a$b/parlaro", "\"/opt/a\\\\$b/parlaro\""},
        {"/opt/say \"hi\"/parlaro", "\"/opt/say \\\\\"hi\\\\\"/parlaro\""},
        {"/opt/back\\slash/parlaro", "\"/opt/back\\\\\\\\slash/parlaro\""},
        {"/opt/tick`/parlaro", "\"/opt/tick\\\\`/parlaro\""},
        {"/opt/it's/parlaro", "\"/opt/it's/parlaro\""},
        {"/opt/100%/parlaro", "/opt/100%%/parlaro"},
        {"/opt/tab\there/parlaro", "\"/opt/tab\\there/parlaro\""},
        {"/opt/Ünïcode/parlaro", "/opt/Ünïcode/parlaro"},
    };
    const bool validate = validatorInstalled();
    for (const auto& c : cases) {
        EXPECT_EQ(AutostartEntry::execValue(c.program), c.exec) << c.program.toStdString();
        const testsupport::TempDir dir;
        const AutostartEntry entry(q(dir.file("autostart")), c.program);
        ASSERT_FALSE(entry.enable().has_value());
        const std::string text = testsupport::readFile(entryFile(dir));
        EXPECT_NE(text.find("\nExec=" + c.exec.toStdString() + "\n"), std::string::npos) << text;
        if (!validate) continue;
        std::string output;
        EXPECT_EQ(testsupport::run("desktop-file-validate", entryFile(dir), &output), 0)
            << c.program.toStdString() << "\n"
            << output << text;
        EXPECT_EQ(output, "") << c.program.toStdString();
    }
    if (!validate) GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
}

TEST(AutostartEntry, EnableWritesTheEntryAndDisableRemovesIt) {
    const testsupport::TempDir dir;
    // The folder does not exist yet on a fresh account.
    const AutostartEntry entry(q(dir.file("config/autostart")), "/usr/bin/parlaro");
    EXPECT_FALSE(entry.enabled());
    EXPECT_FALSE(entry.disable().has_value());

    ASSERT_FALSE(entry.enable().has_value());
    EXPECT_TRUE(entry.enabled());
    const std::string text = testsupport::readFile(entry.path().toStdString());
    EXPECT_EQ(entry.path(), q(dir.file("config/autostart/org.parlaro.Parlaro.desktop")));
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nExec=/usr/bin/parlaro\n"), std::string::npos);
    EXPECT_NE(text.find("\nIcon=org.parlaro.Parlaro\n"), std::string::npos);

    // Switched off by the desktop's own settings, the entry is written again whole.
    testsupport::writeFile(entry.path().toStdString(), "[Desktop Entry]\nHidden=true\n");
    EXPECT_FALSE(entry.enabled());
    ASSERT_FALSE(entry.enable().has_value());
    EXPECT_TRUE(entry.enabled());
    EXPECT_EQ(testsupport::readFile(entry.path().toStdString()), text);

    ASSERT_FALSE(entry.disable().has_value());
    EXPECT_FALSE(testsupport::exists(entry.path().toStdString()));
    EXPECT_FALSE(entry.enabled());
    EXPECT_EQ(testsupport::filesIn(dir.file("config/autostart")).size(), 0u);
}

TEST(AutostartEntry, EntriesTheDesktopSkipsAreNotEnabled) {
    const struct {
        const char* text;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nExec=parlaro\n", true},
        {"[Desktop Entry]\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden = true\n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=true\n", true},
        // Only the main group speaks for the entry.
        {"[Desktop Entry]\nExec=parlaro\n[Desktop Action x]\nHidden=true\n", true},
        {"", false},
        {"Exec=parlaro\n", false},
    };
    for (const auto& c : cases) {
        const testsupport::TempDir dir;
        const AutostartEntry entry(q(dir.path()), "/usr/bin/parlaro");
        testsupport::writeFile(entry.path().toStdString(), c.text);
        EXPECT_EQ(entry.enabled(), c.enabled) << c.text;
    }
    const testsupport::TempDir dir;
    std::filesystem::create_directory(AutostartEntry(q(dir.path()), "x").path().toStdString());
    EXPECT_FALSE(AutostartEntry(q(dir.path()), "x").enabled()) << "a folder in the entry's place";
    EXPECT_FALSE(AutostartEntry("", "x").enabled()) << "no home folder";
}

TEST(AutostartEntry, FailuresSayWhereAndLeaveNothingHalfWritten) {
    {
        // A file where the folder should be: nothing can be made below it.
        const testsupport::TempDir dir;
        testsupport::writeFile(dir.file("config"), "not a folder");
        const AutostartEntry entry(q(dir.file("config/autostart")), "/usr/bin/parlaro");
        const std::optional<QString> problem = entry.enable();
        ASSERT_TRUE(problem.has_value());
        EXPECT_TRUE(problem->contains(q(dir.file("config/autostart")))) << problem->toStdString();
        EXPECT_EQ(testsupport::readFile(dir.file("config")), "not a folder");
    }
    {
        // A folder in the entry's place is neither replaced nor removed.
        const testsupport::TempDir dir;
        const AutostartEntry entry(q(dir.path()), "/usr/bin/parlaro");
        std::filesystem::create_directory(entry.path().toStdString());
        testsupport::writeFile(entry.path().toStdString() + "/kept", "x");
        for (const std::optional<QString>& problem : {entry.enable(), entry.disable()}) {
            ASSERT_TRUE(problem.has_value());
            EXPECT_TRUE(problem->contains(entry.path())) << problem->toStdString();
        }
        EXPECT_EQ(testsupport::readFile(entry.path().toStdString() + "/kept"), "x");
        EXPECT_EQ(testsupport::filesIn(dir.path()).size(), 1u) << "no temporary file left";
    }
    {
        const std::optional<QString> problem = AutostartEntry("", "/usr/bin/parlaro").enable();
        ASSERT_TRUE(problem.has_value());
        EXPECT_TRUE(problem->contains("no home folder"));
    }
    for (const QString& program : {QString(), QString("parlaro")}) {
        // Where the running program cannot be told, no entry that starts the wrong one.
        const testsupport::TempDir dir;
        const std::optional<QString> problem = AutostartEntry(q(dir.path()), program).enable();
        ASSERT_TRUE(problem.has_value()) << program.toStdString();
        EXPECT_TRUE(testsupport::filesIn(dir.path()).empty());
    }
}

TEST(AutostartEntry, FolderTheUserMayNotWriteKeepsTheEntryThatIsThere) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
    const testsupport::TempDir dir;
    const AutostartEntry entry(q(dir.file("autostart")), "/new/parlaro");
    ASSERT_FALSE(AutostartEntry(q(dir.file("autostart")), "/old/parlaro").enable().has_value());
    const std::string before = testsupport::readFile(entry.path().toStdString());
    std::filesystem::permissions(dir.file("autostart"), std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::owner_exec);
    const std::optional<QString> problem = entry.enable();
    const std::optional<QString> removal = entry.disable();
    std::filesystem::permissions(dir.file("autostart"), std::filesystem::perms::owner_all);
    ASSERT_TRUE(problem.has_value());
    EXPECT_TRUE(problem->contains(entry.path())) << problem->toStdString();
    ASSERT_TRUE(removal.has_value());
    EXPECT_EQ(testsupport::readFile(entry.path().toStdString()), before);
    EXPECT_EQ(testsupport::filesIn(dir.file("autostart")).size(), 1u);
}

TEST(AutostartEntry, DefaultFolderFollowsXdgConfigHome) {
    const struct {
        const char* configHome;
        const char* home;
        QString folder;
    } cases[] = {
        {"/cfg", "/home/ann", "/cfg/autostart"},
        {nullptr, "/home/ann", "/home/ann/.config/autostart"},
        // A relative XDG_CONFIG_HOME is not to be used.
        {"cfg", "/home/ann", "/home/ann/.config/autostart"},
        {"", "/home/ann", "/home/ann/.config/autostart"},
        {nullptr, nullptr, ""},
    };
    for (const auto& c : cases) {
        const ScopedEnv config("XDG_CONFIG_HOME", c.configHome);
        const ScopedEnv home("HOME", c.home);
        EXPECT_EQ(AutostartEntry::defaultFolder(), c.folder)
            << (c.configHome ? c.configHome : "(unset)");
    }
}

namespace {

struct OptionsWithAutostart : testsupport::SettingsFixture {
    AppSettings settings;
    testsupport::FakeRecorder recorder;
    OptionsServices services;
    std::unique_ptr<OptionsDialog> dialog;

    OptionsWithAutostart() {
        settings.CallPath = q(dir.file("calls/"));
        services.autostart.emplace(q(dir.file("autostart")), "/opt/Parlaro 1/parlaro");
    }
    QCheckBox* open() {
        dialog = std::make_unique<OptionsDialog>(nullptr, settings, globals, recorder, prompter,
                                                 services);
        auto* box = dialog->findChild<QCheckBox*>("chkAutostart");
        EXPECT_NE(box, nullptr);
        return box;
    }
    std::string entry() const { return dir.file("autostart/org.parlaro.Parlaro.desktop"); }
};

}  // namespace

TEST(OptionsDialog, LoginBoxShowsAndChangesTheAutostartEntry) {
    testsupport::TestApplication application;
    OptionsWithAutostart o;
    QCheckBox* box = o.open();
    EXPECT_EQ(box->text(), "Start Parlaro when I log in");
    EXPECT_TRUE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());

    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_NE(testsupport::readFile(o.entry()).find("\nExec=\"/opt/Parlaro 1/parlaro\"\n"),
              std::string::npos);
    EXPECT_TRUE(o.prompter.shown.empty());

    // Opened again, the box shows the entry that is there.
    EXPECT_TRUE(o.open()->isChecked());
    o.open()->click();
    EXPECT_FALSE(testsupport::exists(o.entry()));
    EXPECT_FALSE(o.open()->isChecked());

    // Where the program cannot tell where the entry goes, the box is greyed.
    o.services.autostart.reset();
    box = o.open();
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
}

TEST(OptionsDialog, LoginBoxThatCannotBeAppliedSaysSoAndShowsTheTruth) {
    testsupport::TestApplication application;
    OptionsWithAutostart o;
    std::filesystem::create_directories(o.entry());
    QCheckBox* box = o.open();
    ASSERT_FALSE(box->isChecked());
    box->click();
    EXPECT_FALSE(box->isChecked());
    ASSERT_EQ(o.prompter.shown.size(), 1u);
    EXPECT_EQ(o.prompter.shown[0].icon, Icon::Exclamation);
    EXPECT_TRUE(o.prompter.shown[0].text.contains(q(o.entry())))
        << o.prompter.shown[0].text.toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(o.entry()));
}
