#include <gtest/gtest.h>

#include "tests/app/SettingsFixture.h"
#include "tests/support/ProcessRunner.h"

#include <unistd.h>

#include <QStringList>

using namespace parlaro;
using parlaro::registry::Lookup;
using parlaro::registry::RegistryValue;
using parlaro::registry::Root;
using testsupport::SettingsFixture;

namespace {
const QString kUser = "HKEY_CURRENT_USER\\SOFTWARE\\Parlaro";
const QString kMachine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlaro";
}  // namespace

TEST(RegistryAccess, ReadsGiveTheSentinelsWhenNothingCanBeRead) {
    SettingsFixture f;
    EXPECT_EQ(f.reg.GetStringValue(kUser, "Nope", "d", false).value, "Error");
    EXPECT_EQ(f.reg.GetLongValue(kUser, "Nope", 1, false).value, -559038737);
    EXPECT_EQ(f.reg.GetStringValue(kUser + "\\Missing", "x", "d", true).value, "Error");
    EXPECT_EQ(f.reg.GetLongValue("HKEY_DYN_DATA\\x", "x", 1, true).value, kLongSentinel);
    EXPECT_EQ(f.reg.GetStringValue("HKEY_NOWHERE\\x", "x", "d", true).value, "Error");
    // A value of the other kind cannot be read as this one.
    f.userSets("Top", RegistryValue::string("12"));
    f.userSets("CallPath", RegistryValue::number(3));
    EXPECT_EQ(f.reg.GetLongValue(kUser, "Top", 0, true).value, kLongSentinel);
    EXPECT_EQ(f.reg.GetStringValue(kUser, "CallPath", "", true).value, "Error");
    EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(RegistryAccess, MissingValuesAreCreatedWithTheDefaultWhenAsked) {
    SettingsFixture f;
    const auto s = f.reg.GetStringValue(kUser, "SearchPath", "/calls/", true);
    EXPECT_TRUE(s.created);
    EXPECT_EQ(s.value, "/calls/");
    EXPECT_EQ(f.userString("searchpath"), "/calls/");
    const auto again = f.reg.GetStringValue(kUser, "SEARCHPATH", "/other/", true);
    EXPECT_FALSE(again.created);
    EXPECT_EQ(again.value, "/calls/");
    const auto n = f.reg.GetLongValue(kUser, "Sensitivity", -18, true);
    EXPECT_TRUE(n.created);
    EXPECT_EQ(f.reg.GetLongValue(kUser, "sensitivity", 0, false).value, -18);
}

TEST(RegistryAccess, StringsComeBackWholeAndExactly) {
    // Folders deep in a share: longer than the 255 characters older readers took, one with a
    // character outside the basic plane across that mark.
    const QString deep = "/srv/calls/" + QString(380, 'd') + "/";
    const QString astral = "/srv/" + QString(249, 'a') + QString::fromUtf8("\U0001F4DE") + "/x/";
    for (const char* name : {"CallPath", "SearchPath", "wavs"}) {
        for (const QString& folder : {deep, astral}) {
            SettingsFixture f;
            f.reg.SetStringValue(kUser, name, folder);
            EXPECT_EQ(f.reg.GetStringValue(kUser, name, "", false).value, folder) << name;
            EXPECT_EQ(f.globals.ReadSetting(name, ""), folder) << name;
            // Taken from the machine scope, the user's copy is the whole value too.
            SettingsFixture fresh;
            fresh.machineSets(name, RegistryValue::string(folder.toUtf8()));
            EXPECT_EQ(fresh.globals.ReadSetting(name, ""), folder) << name;
            EXPECT_EQ(fresh.userString(name), folder.toUtf8()) << name;
        }
    }

    // An enciphered password: any byte, spaces and NUL at either end.
    SettingsFixture f;
    QString binary;
    for (const int b : {0x20, 0x00, 0xff, 0x0d, 0x0a, 0x22, 0x5c, 0x80, 0x00, 0x20}) {
        binary += QChar(b);
    }
    f.globals.WriteSetting("PW", binary);
    EXPECT_EQ(f.globals.ReadSetting("PW", ""), binary);
    EXPECT_EQ(f.reg.GetStringValue(kMachine, "PW", "", false).value, binary);
}

TEST(RegistryAccess, MalformedKeyPathsAreToldAndChangeNothing) {
    for (const QString& path :
         {QString("SOFTWARE\\Parlaro"), QString("HKEY_CURRENT_USER\\SOFTWARE\\"),
          QString("Parlaro"), QString("HKEY_LOCAL_MACHINE\\")}) {
        SettingsFixture f;
        f.reg.SetStringValue(path, "x", "y");
        f.reg.SetLongValue(path, "x", 1);
        f.reg.CreateKey(path);
        EXPECT_EQ(f.reg.GetStringValue(path, "x", "d", true).value, "Error");
        ASSERT_EQ(f.prompter.shown.size(), 4u) << path.toStdString();
        EXPECT_EQ(f.prompter.shown[0].text, "Incorrect Format:\n\n" + path);
        EXPECT_EQ(f.prompter.shown[0].title, "Parlaro");
        EXPECT_EQ(f.at(Root::CurrentUser, "x").found, Lookup::Found::NoValue);
    }
    const auto parsed = RegistryAccess::ParseKeyPath("HKEY_USERS");
    EXPECT_EQ(parsed.root, parlaro::registry::Root::Users);
    EXPECT_EQ(parsed.subKey, "");
    EXPECT_EQ(RegistryAccess::ParseKeyPath("HKEY_CLASSES_ROOT\\a\\b").subKey, "a\\b");
    EXPECT_FALSE(RegistryAccess::ParseKeyPath("HKEY_SOMETHING\\a").root);
}

TEST(SettingsAccess, ReadsFallBackToTheMachineScopeAndFillBothScopes) {
    SettingsFixture f;
    f.userSets("CallTimeOut", RegistryValue::number(7));
    f.machineSets("CallTimeOut", RegistryValue::number(9));
    f.machineSets("MinCallLength", RegistryValue::number(20));
    f.machineSets("CallPath", RegistryValue::string("/srv/calls/"));

    EXPECT_EQ(f.globals.ReadSettingLong("CallTimeOut", 5), 7);  // the user's own wins
    EXPECT_EQ(f.globals.ReadSettingLong("MinCallLength", 10), 20);
    EXPECT_EQ(f.at(Root::CurrentUser, "MinCallLength").value.dword, 20u);
    EXPECT_EQ(f.globals.ReadSetting("CallPath", "/def/"), "/srv/calls/");
    EXPECT_EQ(f.userString("CallPath"), "/srv/calls/");
    EXPECT_EQ(f.globals.ReadSettingLong("Sensitivity", -18), -18);
    EXPECT_EQ(static_cast<int32_t>(f.at(Root::CurrentUser, "Sensitivity").value.dword), -18);
    EXPECT_EQ(static_cast<int32_t>(f.at(Root::LocalMachine, "Sensitivity").value.dword), -18);
    EXPECT_EQ(f.globals.ReadSetting("SearchPath", "/def/"), "/def/");
    EXPECT_EQ(f.machineString("SearchPath"), "/def/");

    f.globals.WriteSettingLong("Top", 300);
    EXPECT_EQ(f.at(Root::CurrentUser, "Top").value.dword, 300u);
    EXPECT_EQ(f.at(Root::LocalMachine, "Top").value.dword, 300u);
}

TEST(SettingsAccess, SaveAllSettingsWritesItsValuesInOrderToBothScopes) {
    SettingsFixture f;
    AppSettings s;
    s.CallPath = "/calls/";
    s.SearchPath = "/calls/2026/";
    s.PW = "secret";
    s.Sensitivity = -30;
    s.SD = 1;
    f.globals.SaveAllSettings(s);
    const QStringList order = {
        "SearchPath",  "Minimised",   "Top",           "Left",      "CallPath",    "AddNote",
        "AutoRecord",  "Maximise",    "CanPlay",       "CanDelete", "PlayOwnOnly", "DeleteOwnOnly",
        "CallTimeOut", "Sensitivity", "MinCallLength", "Format",    "SD",          "PreRoll",
        "KeepDays",    "ShareFormat", "Input"};
    for (const Root root : {Root::CurrentUser, Root::LocalMachine}) {
        const auto key = f.store.readKey(root, "Software\\Parlaro");
        ASSERT_TRUE(key);
        QStringList names;
        for (const auto& v : key->values)
            names << QString::fromUtf8(v.name);
        EXPECT_EQ(names, order);  // and no PW, wavs or column widths
    }
    EXPECT_EQ(f.at(Root::LocalMachine, "AddNote").value.dword, 1u);
    EXPECT_EQ(f.at(Root::LocalMachine, "SD").value.dword, 1u);
}

TEST(SettingsAccess, AMachineScopeTheUserMayNotWriteIsSkippedQuietly) {
    SettingsFixture f;
    f.machineSets("CallPath", RegistryValue::string("/srv/calls/"));
    const std::string machineFile = f.store.filePath(Root::LocalMachine).toStdString();
    const std::string before = testsupport::readFile(machineFile);
    ::chmod(f.dir.path().c_str(), 0755);
    testsupport::handToUser(f.dir.file("config"));
    const int status = testsupport::runUnprivileged([&] {
        parlaro::registry::RegistryStore store(f.locations);
        testsupport::ScriptedPrompter prompter;
        RegistryAccess reg(store, prompter, "Parlaro");
        SettingsAccess globals(reg, f.paths);
        if (globals.ReadSetting("CallPath", "/def/") != "/srv/calls/") return 1;
        if (globals.ReadSettingLong("CallTimeOut", 5) != 5) return 2;
        globals.WriteSettingLong("Top", 1);
        if (reg.GetLongValue(f.paths.user, "Top", 0, false).value != 1) return 3;
        return prompter.shown.empty() ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(testsupport::readFile(machineFile), before);
}

TEST(RegistryAccess, ASettingTheUsersScopeCannotTakeIsToldOnce) {
    SettingsFixture f;
    ::chmod(f.dir.path().c_str(), 0755);
    testsupport::handToUser(f.dir.file("config"));
    ::chmod(f.locations.userFolder.toUtf8().constData(), 0555);
    const int status = testsupport::runUnprivileged([&] {
        parlaro::registry::RegistryStore store(f.locations);
        testsupport::ScriptedPrompter prompter;
        RegistryAccess reg(store, prompter, "Parlaro");
        SettingsAccess globals(reg, f.paths);
        globals.WriteSettingLong("Top", 1);
        globals.WriteSetting("CallPath", "/calls/");
        if (prompter.shown.size() != 1) return 10 + static_cast<int>(prompter.shown.size());
        const parlaro::Message& m = prompter.shown[0];
        if (!m.text.contains("Top") || !m.text.contains("Permission denied")) return 2;
        return m.title == "Parlaro" ? 0 : 3;
    });
    ::chmod(f.locations.userFolder.toUtf8().constData(), 0755);
    EXPECT_EQ(status, 0);
}
