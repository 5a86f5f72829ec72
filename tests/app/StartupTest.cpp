#include <gtest/gtest.h>

#include "app/startup/MainStartup.h"
#include "app/startup/WindowRules.h"
#include "app/tray/TrayBehaviour.h"
#include "tests/app/SettingsFixture.h"

#include <filesystem>
#include <functional>

using namespace parlaro;
using parlaro::registry::RegistryValue;
using parlaro::registry::Root;
using testsupport::SettingsFixture;

namespace {

const QString kMachineFirstUse =
    "It would appear that Parlaro has not been used on this PC before - please check your "
    "configuration";
const QString kUserFirstUse =
    "It would appear that you have never used Parlaro before - please check your configuration";

struct Startup : SettingsFixture {
    StartupEnvironment env{"/opt/parlaro", true, "", "", [] { return QByteArray("Ann"); }};
    AppSettings settings;
    int movedTop = -1, movedLeft = -1;

    // As the program starts: its keys are made before the window loads the settings.
    void start() {
        reg.CreateKey("HKEY_CURRENT_USER\\Software\\Parlaro");
        reg.CreateKey("HKEY_LOCAL_MACHINE\\Software\\Parlaro");
        load();
    }
    void load() {
        MainStartup startup(globals, reg, prompter, env);
        startup.GetRegistrySettings(settings, [this](int32_t t, int32_t l) {
            movedTop = t;
            movedLeft = l;
        });
    }
};

}  // namespace

TEST(Startup, AnEmptyMachineGetsEveryDefaultInBothScopes) {
    Startup s;
    s.load();
    ASSERT_EQ(s.prompter.shown.size(), 1u);
    EXPECT_EQ(s.prompter.shown[0].text, kMachineFirstUse);
    EXPECT_EQ(s.prompter.shown[0].icon, Icon::Information);
    EXPECT_EQ(s.prompter.shown[0].title, "Parlaro");
    EXPECT_EQ(s.settings.CallPath, "/opt/parlaro/Calls/");
    EXPECT_EQ(s.settings.SearchPath, "/opt/parlaro/Calls/");
    const AppSettings defaults;
    const std::vector<std::pair<const char*, int32_t>> longs = {
        {"Minimised", 0},     {"AutoRecord", 0},     {"AddNote", 1},
        {"Maximise", 1},      {"CanPlay", 1},        {"CanDelete", 1},
        {"PlayOwnOnly", 0},   {"DeleteOwnOnly", 0},  {"CallTimeOut", 5},
        {"Sensitivity", -18}, {"MinCallLength", 10}, {"Top", 0},
        {"Left", 0},          {"Format", 0},         {"SD", 0},
        {"PreRoll", 3},       {"ShareFormat", 1},    {"Input", 0}};
    for (const Root root : {Root::CurrentUser, Root::LocalMachine}) {
        for (const auto& [name, value] : longs) {
            const auto found = s.store.get(root, "SOFTWARE\\Parlaro", name);
            ASSERT_EQ(found.found, parlaro::registry::Lookup::Found::Value) << name;
            EXPECT_EQ(static_cast<int32_t>(found.value.dword), value) << name;
        }
        EXPECT_EQ(s.store.get(root, "SOFTWARE\\Parlaro", "CallPath").value.text,
                  "/opt/parlaro/Calls/");
        EXPECT_EQ(s.store.get(root, "SOFTWARE\\Parlaro", "PW").found,
                  parlaro::registry::Lookup::Found::Value);
    }
    EXPECT_EQ(s.settings.Sensitivity, -18);
    EXPECT_TRUE(s.settings.AddNote);
    EXPECT_EQ(s.movedTop, 0);
}

TEST(Startup, ANewUserOnAUsedMachineTakesTheMachinesValues) {
    Startup s;
    s.machineSets("CallPath", RegistryValue::string("/srv/calls/"));
    s.machineSets("AutoRecord", RegistryValue::number(1));
    s.machineSets("Sensitivity", RegistryValue::number(static_cast<uint32_t>(-25)));
    s.machineSets("Top", RegistryValue::number(1500));
    s.machineSets("SD", RegistryValue::number(1));
    s.machineSets("ShareFormat", RegistryValue::number(2));
    s.load();
    EXPECT_EQ(s.prompter.texts(), std::vector<QString>{kUserFirstUse});
    EXPECT_EQ(s.settings.ShareFormat, 2);
    EXPECT_EQ(s.settings.CallPath, "/srv/calls/");
    EXPECT_TRUE(s.settings.AutoRecord);
    EXPECT_EQ(s.settings.Sensitivity, -25);
    EXPECT_TRUE(s.settings.preventShutdown());
    EXPECT_EQ(s.movedTop, 1500);
    EXPECT_EQ(s.userString("CallPath"), "/srv/calls/");
    EXPECT_EQ(s.at(Root::CurrentUser, "Sensitivity").value.dword, static_cast<uint32_t>(-25));

    // The next start of the same user is quiet and keeps the user's own values.
    s.prompter.shown.clear();
    s.userSets("CallTimeOut", RegistryValue::number(8));
    s.load();
    EXPECT_TRUE(s.prompter.shown.empty());
    EXPECT_EQ(s.settings.CallTimeOut, 8);
}

TEST(Startup, UnreadableValuesFallBackInsteadOfSpreadingTheSentinels) {
    Startup s;
    s.load();
    s.prompter.shown.clear();
    s.userSets("SearchPath", RegistryValue::number(1));      // wrong kind: reads as "Error"
    s.userSets("CallTimeOut", RegistryValue::string("12"));  // wrong kind: reads as 0xDEADBEEF
    s.userSets("CallPath", RegistryValue::string("/mine/"));
    s.userSets("ShareFormat", RegistryValue::string("2"));
    s.load();
    EXPECT_EQ(s.settings.SearchPath, "/mine/");
    EXPECT_EQ(s.settings.CallTimeOut, 5);
    EXPECT_EQ(s.at(Root::LocalMachine, "CallTimeOut").value.dword, 5u);
    EXPECT_EQ(s.settings.ShareFormat, 1);

    // A number no version writes is put right too, in the store as well.
    s.userSets("ShareFormat", RegistryValue::number(7));
    s.userSets("Input", RegistryValue::number(2));
    s.load();
    EXPECT_EQ(s.settings.ShareFormat, 1);
    EXPECT_EQ(s.at(Root::CurrentUser, "ShareFormat").value.dword, 1u);
    EXPECT_EQ(s.settings.Input, 0);
    EXPECT_EQ(s.at(Root::CurrentUser, "Input").value.dword, 0u);
}

TEST(Startup, NumbersOutsideTheOptionsRangesAreBroughtInAndSaidOnce) {
    struct Case {
        const char* name;
        int32_t stored, used;
    };
    const std::vector<Case> cases = {
        {"CallTimeOut", 0, 2},      {"CallTimeOut", -3, 2},    {"CallTimeOut", 99, 20},
        {"Sensitivity", -80, -50},  {"Sensitivity", 6, 0},     {"MinCallLength", -1, 0},
        {"MinCallLength", 600, 60}, {"PreRoll", 11, 10},       {"PreRoll", -2, 0},
        {"CallTimeOut", 2, 2},      {"MinCallLength", 60, 60}, {"Sensitivity", -50, -50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.stored);
        Startup s;
        s.load();
        s.prompter.shown.clear();
        s.userSets(c.name, RegistryValue::number(static_cast<uint32_t>(c.stored)));
        s.load();
        EXPECT_EQ(s.at(Root::CurrentUser, c.name).value.dword, static_cast<uint32_t>(c.used));
        if (c.stored == c.used) {
            EXPECT_TRUE(s.prompter.shown.empty());
            continue;
        }
        ASSERT_EQ(s.prompter.shown.size(), 1u);
        EXPECT_TRUE(
            s.prompter.shown[0].text.contains(QString("%1 %2 (allowed").arg(c.name).arg(c.stored)))
            << s.prompter.shown[0].text.toStdString();
        s.load();
        EXPECT_EQ(s.prompter.shown.size(), 1u) << "said once";
    }
}

TEST(Startup, CallsAreKeptWithTheUsersDataNotInsideTheProgramFolder) {
    StartupEnvironment env{"/usr/lib/parlaro", false, "/home/ann/.local/share", "", {}};
    EXPECT_EQ(DefaultCallsFolder(env), "/home/ann/.local/share/Parlaro/Calls/");
    env.programFolderWritable = true;
    EXPECT_EQ(DefaultCallsFolder(env), "/home/ann/.local/share/Parlaro/Calls/");
    env.dataHome.clear();  // no home at all: the program folder is all there is
    EXPECT_EQ(DefaultCallsFolder(env), "/usr/lib/parlaro/Calls/");
}

TEST(Startup, TheUserNameIsTheLowerCaseLoginOrAnon) {
    const std::vector<std::pair<std::optional<QByteArray>, QString>> table = {
        {QByteArray("Ann"), "ann"},
        {QByteArray("BOB\0\0", 5), "bob"},
        {QByteArray("ann-marie"), "ann_marie"},
        {QByteArray(""), "ANON"},
        {std::nullopt, "ANON"},
    };
    for (const auto& [login, expected] : table) {
        Startup s;
        s.env.loginName = [login = login] { return login; };
        ProgramValues values;
        MainStartup(s.globals, s.reg, s.prompter, s.env).GetPCAndUserName(values);
        EXPECT_EQ(values.userName, expected);
    }
}

TEST(Startup, TheTemporaryFolderIsMadeAndPublishedForTheMover) {
    Startup s;
    const QString data = QString::fromStdString(s.dir.file("data"));
    const std::vector<std::tuple<QString, QString, QString>> table = {
        {data, "/ignored", data + "/Parlaro/"},
        {"", QString::fromStdString(s.dir.file("tmp")), QString::fromStdString(s.dir.file("tmp/"))},
        {"", QString::fromStdString(s.dir.file("tmp2/")),
         QString::fromStdString(s.dir.file("tmp2/"))},
        {"", "", "/tmp/"},
    };
    for (const auto& [dataHome, tmpDir, expected] : table) {
        s.env.dataHome = dataHome;
        s.env.tmpDir = tmpDir;
        ProgramValues values;
        MainStartup(s.globals, s.reg, s.prompter, s.env).SetTempFolder(values);
        EXPECT_EQ(values.tempFolder, expected);
        EXPECT_TRUE(std::filesystem::is_directory(expected.toStdString()));
        EXPECT_EQ(s.userString("wavs"), expected.toUtf8());
        EXPECT_EQ(s.machineString("wavs"), expected.toUtf8());
    }
}

TEST(Startup, ASettingsFileThatCannotBeReadIsToldOnceAndNeverTakenForAFirstStart) {
    enum class Kept { Values, CopyOnly, Nothing };
    struct Case {
        const char* what;
        std::function<void(const std::string& file)> spoil;
        Kept kept;
    };
    const std::vector<Case> cases = {
        {"a byte-order mark and a cut last line",
         [](const std::string& file) {
             testsupport::writeFile(
                 file, "\xEF\xBB\xBF" + testsupport::readFile(file) + "\"Half\"=\"cut");
         },
         Kept::Values},
        {"a key line cut short",
         [](const std::string& file) {
             std::string text = testsupport::readFile(file);
             text.replace(text.find("\\Parlaro]\n"), 9, "\\Parlaro");
             testsupport::writeFile(file, text);
         },
         Kept::CopyOnly},
        {"a folder in its place",
         [](const std::string& file) {
             std::filesystem::remove(file);
             std::filesystem::create_directory(file);
         },
         Kept::Nothing},
    };
    for (const Case& c : cases) {
        Startup s;
        s.machineSets("Sensitivity", RegistryValue::number(static_cast<uint32_t>(-25)));
        s.load();
        s.userSets("CallPath", RegistryValue::string("/mine/"));
        s.userSets("PW", RegistryValue::string("enciphered"));
        s.prompter.shown.clear();
        const std::string file = s.store.filePath(Root::CurrentUser).toStdString();
        c.spoil(file);
        const std::string spoilt =
            std::filesystem::is_regular_file(file) ? testsupport::readFile(file) : "";

        s.start();
        ASSERT_EQ(s.prompter.shown.size(), 1u) << c.what;
        const QString told = s.prompter.shown[0].text;
        EXPECT_TRUE(told.contains(QString::fromStdString(file))) << c.what << told.toStdString();
        // The machine's values are not overwritten with defaults either way.
        EXPECT_EQ(static_cast<int32_t>(s.at(Root::LocalMachine, "Sensitivity").value.dword), -25)
            << c.what;
        if (c.kept == Kept::Values) {
            EXPECT_EQ(s.settings.CallPath, "/mine/") << c.what;
            EXPECT_EQ(s.settings.PW, "enciphered") << c.what;
            EXPECT_EQ(s.userString("PW"), "enciphered") << c.what;
        }
        if (c.kept != Kept::Nothing) {
            std::vector<std::string> copies;
            for (const auto& e :
                 std::filesystem::directory_iterator(s.dir.file("config/Parlaro"))) {
                if (e.path().filename().string().starts_with("HKEY_CURRENT_USER.reg.broken-"))
                    copies.push_back(e.path().string());
            }
            ASSERT_EQ(copies.size(), 1u) << c.what;
            EXPECT_TRUE(told.contains(QString::fromStdString(copies[0]))) << told.toStdString();
            EXPECT_EQ(testsupport::readFile(copies[0]), spoilt);
            // Told once: the next start finds a whole file.
            s.prompter.shown.clear();
            s.start();
            EXPECT_TRUE(s.prompter.shown.empty())
                << c.what << ": " << s.prompter.shown.front().text.toStdString();
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(file)) << c.what;
        }
    }
}

namespace {

struct FakeWindow : MainWindowView {
    bool minimised = false;
    FormGeometry geometry{6000, 9000, 150, 300};
    QString duration = "00:00:00";
    std::vector<std::string> calls;
    bool isMinimised() const override { return minimised; }
    FormGeometry geometryTwips() const override { return geometry; }
    QString panelText(int panel) const override { return panel == 2 ? duration : QString(); }
    std::array<int32_t, 5> columnWidthsTwips() const override {
        return {1500, 1200, 900, 900, 2400};
    }
    void closeFindDialog() override { calls.push_back("closeFindDialog"); }
    void removeTrayIcon() override { calls.push_back("removeTrayIcon"); }
    void hideToTray() override { calls.push_back("hideToTray"); }
};

struct Window : SettingsFixture {
    FakeWindow view;
    AppSettings settings;
    FormPosition formPosition{reg, paths.user};
    WindowRules rules{view, settings, globals, formPosition, prompter};
};

}  // namespace

TEST(WindowRules, PreventShutdownRefusesToUnloadButQuitStillEnds) {
    Window w;
    w.settings.SD = 1;
    w.settings.SearchPath = "/calls/2026/";
    EXPECT_FALSE(w.rules.Unload());
    EXPECT_EQ(w.at(Root::CurrentUser, "Minimised").found,
              parlaro::registry::Lookup::Found::NoValue);
    w.prompter.answers = {Answer::Yes};
    EXPECT_TRUE(w.rules.Quit());
    EXPECT_EQ(w.globals.ReadSetting("SearchPath", ""), "/calls/2026/")
        << "the current folder is kept by Quit too";
    EXPECT_EQ(w.reg.GetStringValue(w.paths.user + "\\Form Position", "Width", "", false).value,
              "9000");
    w.settings.SD = 2;  // only exactly 1 prevents
    EXPECT_TRUE(w.rules.Unload());
    EXPECT_EQ(w.at(Root::LocalMachine, "Top").value.dword, 300u);
    EXPECT_EQ(w.at(Root::LocalMachine, "Left").value.dword, 150u);
}

TEST(WindowRules, QuitAsksAndWarnsAboutARunningCall) {
    Window w;
    w.prompter.answers = {Answer::No};
    EXPECT_FALSE(w.rules.Quit());
    EXPECT_EQ(w.prompter.shown.back().text, "Are you sure you want to exit Parlaro?");
    EXPECT_EQ(w.prompter.shown.back().buttons, Buttons::YesNo);

    w.view.duration = "00:01:10";
    w.prompter.answers = {Answer::Yes, Answer::Cancel};
    EXPECT_FALSE(w.rules.Quit());
    EXPECT_EQ(w.prompter.shown.back().title, "Parlaro - warning call will be lost");
    EXPECT_FALSE(FormPosition(w.reg, w.paths.user).load());

    w.prompter.answers = {Answer::Yes, Answer::Ok};
    EXPECT_TRUE(w.rules.Quit());
    const auto saved = FormPosition(w.reg, w.paths.user).load();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->height, 6000);
    EXPECT_EQ(saved->top, 300);
}

TEST(WindowRules, AMinimisedWindowKeepsItsLastPosition) {
    Window w;
    w.view.minimised = true;
    w.rules.StateChanged();
    EXPECT_TRUE(w.settings.Minimised);
    EXPECT_EQ(w.at(Root::CurrentUser, "Top").found, parlaro::registry::Lookup::Found::NoValue);
    w.view.minimised = false;
    w.rules.StateChanged();
    EXPECT_EQ(w.at(Root::CurrentUser, "Top").value.dword, 300u);
    w.view.minimised = true;
    EXPECT_TRUE(w.rules.Unload());
    EXPECT_EQ(w.at(Root::LocalMachine, "Minimised").value.dword, 1u);
}

TEST(WindowRules, MinimisingHidesToTheTrayAndUnloadingSavesTheWindowState) {
    Window w;
    w.view.minimised = true;
    w.rules.StateChanged();
    EXPECT_EQ(w.view.calls, std::vector<std::string>{"hideToTray"});
    w.view.calls.clear();
    w.settings.SD = 1;
    EXPECT_FALSE(w.rules.Unload());
    EXPECT_TRUE(w.view.calls.empty()) << "a refused unload touches nothing";
    w.settings.SD = 0;
    w.view.minimised = false;
    w.settings.SearchPath = "/calls/2026/";  // a folder the user clicked
    EXPECT_TRUE(w.rules.Unload());
    EXPECT_EQ(w.at(Root::CurrentUser, "SearchPath").value.text, "/calls/2026/");
    EXPECT_EQ(w.at(Root::LocalMachine, "SearchPath").value.text, "/calls/2026/");
    EXPECT_EQ(w.view.calls, (std::vector<std::string>{"closeFindDialog", "removeTrayIcon"}));
    const std::pair<const char*, uint32_t> widths[] = {{"GRD_USER", 1500},
                                                       {"GRD_DATE", 1200},
                                                       {"GRD_TIME", 900},
                                                       {"GRD_DUR", 900},
                                                       {"GRD_NOTE", 2400}};
    for (const auto& [name, twips] : widths) {
        EXPECT_EQ(w.at(Root::CurrentUser, name).value.dword, twips) << name;
        EXPECT_EQ(w.at(Root::LocalMachine, name).value.dword, twips) << name;
    }
    EXPECT_EQ(w.at(Root::CurrentUser, "Minimised").value.dword, 0u);
}

namespace {

struct FakeTrayWindow final : TrayView {
    bool prompt = false;
    std::vector<std::string> calls;
    std::optional<QPoint> placedAt;
    bool notePromptOpen() const override { return prompt; }
    void raiseNotePrompt() override { calls.push_back("raiseNotePrompt"); }
    void showNormalWindow(std::optional<QPoint> at) override {
        placedAt = at;
        calls.push_back("showNormalWindow");
    }
    void bringToFront() override { calls.push_back("bringToFront"); }
};

}  // namespace

TEST(WindowRules, TheTrayBringsBackTheWindowOrTheNotePrompt) {
    FakeTrayWindow w;
    TrayBehaviour tray(w, QPoint(150, 300));
    tray.doubleClicked();
    EXPECT_EQ(w.calls, std::vector<std::string>{"showNormalWindow"});
    EXPECT_FALSE(w.placedAt) << "a double-click leaves the window where it is";
    w.calls.clear();
    tray.restore();
    EXPECT_EQ(w.calls, (std::vector<std::string>{"bringToFront", "showNormalWindow"}));
    EXPECT_EQ(w.placedAt, QPoint(150, 300)) << "Restore goes back to the place at start-up";

    w.prompt = true;
    w.calls.clear();
    tray.doubleClicked();
    tray.restore();
    EXPECT_EQ(w.calls,
              (std::vector<std::string>{"raiseNotePrompt", "bringToFront", "raiseNotePrompt"}));
}
