#include <gtest/gtest.h>

#include "services/registry/RegistryStore.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using parlaro::registry::Lookup;
using parlaro::registry::RegistryStore;
using parlaro::registry::RegistryValue;
using parlaro::registry::Root;
using parlaro::registry::WriteResult;
using testsupport::TempDir;

namespace {

struct Scopes {
    TempDir dir;
    parlaro::registry::StoreLocations locations{QString::fromStdString(dir.file("user/Parlaro")),
                                                QString::fromStdString(dir.file("machine/Parlaro")),
                                                "Parlaro"};
    RegistryStore store{locations};

    std::string userFile() const { return store.filePath(Root::CurrentUser).toStdString(); }
    std::string machineFile() const { return store.filePath(Root::LocalMachine).toStdString(); }
};

QByteArray stringAt(const RegistryStore& s, Root root, const char* key, const char* name) {
    const Lookup l = s.get(root, key, name);
    return l.found == Lookup::Found::Value ? l.value.text : QByteArray("<missing>");
}

}  // namespace

// The product names the folders and heads each file: the store knows no product of its own.
TEST(RegistryStore, ScopesLiveWhereTheEnvironmentSaysInTheProductsFolders) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.file("home").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", ("relative/ignored:" + dir.file("sys1") + ":/x").c_str(), 1);
    const auto here = parlaro::registry::StoreLocations::fromEnvironment("Acme");
    EXPECT_EQ(here.userFolder.toStdString(), dir.file("home/Acme"));
    EXPECT_EQ(here.machineFolder.toStdString(), dir.file("sys1/Acme"));

    ::unsetenv("XDG_CONFIG_DIRS");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    const auto defaults = parlaro::registry::StoreLocations::fromEnvironment("Acme");
    EXPECT_EQ(defaults.machineFolder, "/etc/xdg/Acme");
    EXPECT_TRUE(defaults.userFolder.endsWith("/.config/Acme"));
    ::unsetenv("XDG_CONFIG_HOME");

    RegistryStore store(here);
    EXPECT_EQ(store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "wavs", RegistryValue::string("/u"),
                        true),
              WriteResult::Ok);
    EXPECT_EQ(store.set(Root::LocalMachine, "SOFTWARE\\Parlaro", "wavs",
                        RegistryValue::string("/m"), true),
              WriteResult::Ok);
    EXPECT_TRUE(testsupport::readFile(dir.file("home/Acme/HKEY_CURRENT_USER.reg"))
                    .find("\"wavs\"=\"/u\"") != std::string::npos);
    EXPECT_TRUE(testsupport::readFile(dir.file("sys1/Acme/HKEY_LOCAL_MACHINE.reg"))
                    .find("\"wavs\"=\"/m\"") != std::string::npos);
    EXPECT_EQ(testsupport::readFile(dir.file("home/Acme/HKEY_CURRENT_USER.reg"))
                  .rfind("; Acme settings: HKEY_CURRENT_USER\n", 0),
              0u);
    EXPECT_EQ(store.filePath(Root::PerformanceData), "");
    EXPECT_EQ(store.createKey(Root::DynData, "x"), WriteResult::Failed);
}

TEST(RegistryStore, KeysAndValuesAreFoundWithoutRegardToCase) {
    Scopes s;
    ASSERT_EQ(s.store.createKey(Root::CurrentUser, "Software\\Parlaro"), WriteResult::Ok);
    ASSERT_EQ(s.store.set(Root::CurrentUser, "SOFTWARE\\PARLARO", "CallPath",
                          RegistryValue::string("/calls/"), false),
              WriteResult::Ok);
    EXPECT_EQ(stringAt(s.store, Root::CurrentUser, "software\\parlaro", "callpath"), "/calls/");
    EXPECT_EQ(s.store.set(Root::CurrentUser, "software\\parlaro", "CALLPATH",
                          RegistryValue::string("/other/"), false),
              WriteResult::Ok);
    const auto key = s.store.readKey(Root::CurrentUser, "SOFTWARE\\Parlaro");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(key->values[0].name, "CallPath");
    EXPECT_EQ(key->values[0].value.text, "/other/");
    EXPECT_EQ(key->path, "Software\\Parlaro");
}

TEST(RegistryStore, MissingKeysValuesAndWrongWritesAreTold) {
    Scopes s;
    EXPECT_EQ(s.store.get(Root::CurrentUser, "SOFTWARE\\Parlaro", "x").found, Lookup::Found::NoKey);
    // Opening a missing key for writing fails, as in the registry.
    EXPECT_EQ(
        s.store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "x", RegistryValue::number(1), false),
        WriteResult::NotFound);
    EXPECT_FALSE(testsupport::exists(s.userFile()));
    ASSERT_EQ(s.store.createKey(Root::CurrentUser, "SOFTWARE\\Parlaro"), WriteResult::Ok);
    EXPECT_EQ(s.store.get(Root::CurrentUser, "SOFTWARE\\Parlaro", "x").found,
              Lookup::Found::NoValue);
    EXPECT_EQ(s.store.removeValue(Root::CurrentUser, "SOFTWARE\\Parlaro", "x"),
              WriteResult::NotFound);
    EXPECT_EQ(s.store.removeKey(Root::CurrentUser, ""), WriteResult::Failed);
    // Names the file could not hold are refused before anything is written.
    EXPECT_EQ(s.store.createKey(Root::CurrentUser, "a\\\\b"), WriteResult::Failed);
    EXPECT_EQ(s.store.set(Root::CurrentUser, "a\nb", "x", RegistryValue::number(1), true),
              WriteResult::Failed);
    EXPECT_TRUE(s.store.keyExists(Root::CurrentUser, "SOFTWARE\\Parlaro"));
    EXPECT_EQ(s.store.removeKey(Root::CurrentUser, "software"), WriteResult::Ok);
    EXPECT_FALSE(s.store.keyExists(Root::CurrentUser, "SOFTWARE\\Parlaro"));
}

TEST(RegistryStore, StringsComeBackByteForByte) {
    Scopes s;
    QByteArray binary;
    for (int i = 255; i >= 0; --i)
        binary += static_cast<char>(i);
    const std::vector<QByteArray> values = {
        QByteArray("  leading and trailing  "),
        QByteArray("\0nul at both ends\0", 18),
        QByteArray(" "),
        binary,
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const QString name = QString("PW%1").arg(i);
        ASSERT_EQ(s.store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", name,
                              RegistryValue::string(values[i]), true),
                  WriteResult::Ok);
    }
    RegistryStore fresh(s.locations);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(
            fresh.get(Root::CurrentUser, "SOFTWARE\\Parlaro", QString("pw%1").arg(i)).value.text,
            values[i])
            << i;
    }
}

TEST(RegistryStore, TheUsersFileIsPrivate) {
    Scopes s;
    ASSERT_EQ(s.store.createKey(Root::CurrentUser, "SOFTWARE\\Parlaro"), WriteResult::Ok);
    struct stat st {};
    ASSERT_EQ(::stat(s.userFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(RegistryStore, AMalformedFileReadsAsEmptyAndIsKeptAsideOnTheNextWrite) {
    Scopes s;
    std::filesystem::create_directories(s.locations.userFolder.toStdString());
    const std::string garbage = "this is not a settings file\n\"x\"=\"y\n";
    testsupport::writeFile(s.userFile(), garbage);
    EXPECT_FALSE(s.store.keyExists(Root::CurrentUser, ""));
    EXPECT_EQ(testsupport::readFile(s.userFile()), garbage);  // reading changes nothing

    ASSERT_EQ(
        s.store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "a", RegistryValue::number(1), true),
        WriteResult::Ok);
    EXPECT_EQ(s.store.get(Root::CurrentUser, "SOFTWARE\\Parlaro", "a").value.dword, 1u);
    int kept = 0;
    for (const auto& e :
         std::filesystem::directory_iterator(s.locations.userFolder.toStdString())) {
        if (e.path().filename().string().starts_with("HKEY_CURRENT_USER.reg.broken-")) {
            EXPECT_EQ(testsupport::readFile(e.path()), garbage);
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1);
}

TEST(RegistryStore, AnUnreadableFileReadsAsEmptyAndIsNeverReplaced) {
    Scopes s;
    ASSERT_EQ(s.store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "keep",
                          RegistryValue::string("me"), true),
              WriteResult::Ok);
    const std::string before = testsupport::readFile(s.userFile());
    testsupport::handToUser(s.dir.path());
    ::chmod(s.userFile().c_str(), 0);
    const int status = testsupport::runUnprivileged([&] {
        RegistryStore store(s.locations);
        if (store.get(Root::CurrentUser, "SOFTWARE\\Parlaro", "keep").found !=
            Lookup::Found::NoKey) {
            return 1;
        }
        if (store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "new", RegistryValue::number(2),
                      true) != WriteResult::Failed) {
            return 2;
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
    ::chmod(s.userFile().c_str(), 0600);
    EXPECT_EQ(testsupport::readFile(s.userFile()), before);
}

TEST(RegistryStore, AMachineScopeTheUserMayNotWriteIsReadButNotChanged) {
    Scopes s;
    ASSERT_EQ(s.store.set(Root::LocalMachine, "SOFTWARE\\Parlaro", "CallPath",
                          RegistryValue::string("/srv/calls/"), true),
              WriteResult::Ok);
    const std::string before = testsupport::readFile(s.machineFile());
    ::chmod(s.dir.path().c_str(), 0755);
    std::filesystem::create_directories(s.dir.file("user"));
    testsupport::handToUser(s.dir.file("user"));
    if (!testsupport::runningAsRoot())
        ::chmod(s.locations.machineFolder.toUtf8().constData(), 0555);
    const int status = testsupport::runUnprivileged([&] {
        RegistryStore store(s.locations);
        if (stringAt(store, Root::LocalMachine, "software\\parlaro", "CallPath") != "/srv/calls/")
            return 1;
        if (store.set(Root::LocalMachine, "SOFTWARE\\Parlaro", "CallPath",
                      RegistryValue::string("/mine/"), false) != WriteResult::Failed)
            return 2;
        if (store.createKey(Root::LocalMachine, "SOFTWARE\\Other") != WriteResult::Failed) return 3;
        // The user's own scope still works.
        if (store.createKey(Root::CurrentUser, "SOFTWARE\\Parlaro") != WriteResult::Ok) return 4;
        return 0;
    });
    ::chmod(s.locations.machineFolder.toUtf8().constData(), 0755);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(testsupport::readFile(s.machineFile()), before);
}

TEST(RegistryStore, TwoProcessesWritingAtOnceLoseNothing) {
    Scopes s;
    constexpr int kEach = 60;
    auto writer = [&](const char* prefix) {
        return [&s, prefix] {
            RegistryStore store(s.locations);
            for (int i = 0; i < kEach; ++i) {
                const QString name = QString("%1%2").arg(prefix).arg(i);
                if (store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", name,
                              RegistryValue::string(QByteArray(200, 'x')),
                              true) != WriteResult::Ok) {
                    return 1;
                }
            }
            return 0;
        };
    };
    const pid_t a = ::fork();
    if (a == 0) ::_exit(writer("a")());
    const pid_t b = ::fork();
    if (b == 0) ::_exit(writer("b")());
    // Meanwhile this process reads: it must always see a whole file.
    for (int i = 0; i < 50; ++i) {
        if (testsupport::exists(s.userFile())) {
            const auto key = s.store.readKey(Root::CurrentUser, "SOFTWARE\\Parlaro");
            EXPECT_TRUE(key.has_value());
        }
        ::usleep(2000);
    }
    int sa = 0, sb = 0;
    ::waitpid(a, &sa, 0);
    ::waitpid(b, &sb, 0);
    ASSERT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0);
    ASSERT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
    const auto key = s.store.readKey(Root::CurrentUser, "SOFTWARE\\Parlaro");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->values.size(), 2u * kEach);
}
