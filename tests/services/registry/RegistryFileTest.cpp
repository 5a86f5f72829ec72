// What the store does with the files it finds in its folders: links, special files, damaged
// text, folders it may not write, and many writers at once.
#include <gtest/gtest.h>

#include "services/registry/RegistryStore.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLockFile>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;
using parlaro::registry::Lookup;
using parlaro::registry::RegistryStore;
using parlaro::registry::RegistryValue;
using parlaro::registry::Root;
using parlaro::registry::WriteResult;
using testsupport::TempDir;

namespace {

const char* kKey = "SOFTWARE\\Parlaro";

struct Scopes {
    TempDir dir;
    parlaro::registry::StoreLocations locations{QString::fromStdString(dir.file("user/Parlaro")),
                                                QString::fromStdString(dir.file("machine/Parlaro")),
                                                "Parlaro"};
    RegistryStore store{locations};

    Scopes() { fs::create_directories(dir.file("user/Parlaro")); }
    std::string userFile() const { return store.filePath(Root::CurrentUser).toStdString(); }
    std::vector<std::string> brokenCopies() const {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir.file("user/Parlaro"))) {
            if (e.path().filename().string().starts_with("HKEY_CURRENT_USER.reg.broken-"))
                found.push_back(e.path().string());
        }
        return found;
    }
};

QByteArray stringAt(const RegistryStore& s, const char* name) {
    const Lookup l = s.get(Root::CurrentUser, kKey, name);
    return l.found == Lookup::Found::Value ? l.value.text : QByteArray("<missing>");
}

std::string keyOfDepth(int depth) {
    std::string path = "k";
    for (int i = 1; i < depth; ++i)
        path += "\\k";
    return path;
}

}  // namespace

TEST(RegistryFile, ALinkOrAFolderInPlaceOfTheFileIsNeverWrittenThrough) {
    struct Case {
        const char* what;
        std::function<void(const Scopes&, const std::string& target)> plant;
    };
    const std::vector<Case> cases = {
        {"a link to a file",
         [](const Scopes& s, const std::string& target) {
             fs::create_symlink(target, s.userFile());
         }},
        {"a dangling link",
         [](const Scopes& s, const std::string& target) {
             fs::create_symlink(target + ".nowhere", s.userFile());
         }},
        {"a folder",
         [](const Scopes& s, const std::string&) { fs::create_directory(s.userFile()); }},
    };
    for (const Case& c : cases) {
        Scopes s;
        const std::string target = s.dir.file("elsewhere");
        testsupport::writeFile(target, "not a settings file, and not to be touched\n");
        c.plant(s, target);
        const auto before = fs::symlink_status(s.userFile()).type();

        EXPECT_EQ(
            s.store.set(Root::CurrentUser, kKey, "CallPath", RegistryValue::string("/x/"), true),
            WriteResult::Failed)
            << c.what;
        EXPECT_FALSE(s.store.lastError().isEmpty()) << c.what;
        EXPECT_TRUE(s.store.lastError().contains(QString::fromStdString(s.userFile())))
            << c.what << ": " << s.store.lastError().toStdString();
        EXPECT_EQ(testsupport::readFile(target), "not a settings file, and not to be touched\n")
            << c.what;
        EXPECT_FALSE(fs::exists(target + ".nowhere")) << c.what;
        EXPECT_EQ(fs::symlink_status(s.userFile()).type(), before) << c.what;
    }
}

TEST(RegistryFile, ALineThatCannotBeReadIsSkippedAndTheRestKept) {
    const std::string good = "[SOFTWARE\\Parlaro]\n\"CallPath\"=\"/calls/\"\n\"PW\"=\"\\x01pw\"\n";
    const std::vector<std::pair<const char*, std::string>> files = {
        {"a byte-order mark", "\xEF\xBB\xBF" + good},
        {"a comment after a value",
         "[SOFTWARE\\Parlaro] ; the product\n\"CallPath\"=\"/calls/\" ; moved in May\n"
         "\"PW\"=\"\\x01pw\"\t; set by the administrator\n"},
        {"a truncated last line", good + "\"Top\"=\"12"},
        {"a damaged line between",
         "[SOFTWARE\\Parlaro]\n\"CallPath\"=\"/calls/\"\n\x01garbage\n"
         "\"PW\"=\"\\x01pw\"\n"},
    };
    for (const auto& [what, text] : files) {
        Scopes s;
        testsupport::writeFile(s.userFile(), text);
        const bool damaged =
            text.find("Top") != std::string::npos || text.find("garbage") != std::string::npos;
        const parlaro::registry::FileCheck found = s.store.check(Root::CurrentUser);
        EXPECT_EQ(found.state, damaged ? parlaro::registry::FileCheck::State::Damaged
                                       : parlaro::registry::FileCheck::State::Whole)
            << what;
        EXPECT_EQ(found.skippedLines.size(), damaged ? 1u : 0u) << what;
        EXPECT_EQ(stringAt(s.store, "CallPath"), "/calls/") << what;
        EXPECT_EQ(stringAt(s.store, "PW"), QByteArray("\x01pw")) << what;
        EXPECT_EQ(testsupport::readFile(s.userFile()), text) << what;  // reading changes nothing

        ASSERT_EQ(s.store.set(Root::CurrentUser, kKey, "Left", RegistryValue::number(3), true),
                  WriteResult::Ok)
            << what;
        EXPECT_EQ(stringAt(s.store, "CallPath"), "/calls/") << what;
        EXPECT_EQ(stringAt(s.store, "PW"), QByteArray("\x01pw")) << what;
        // The file as it was stays beside it whenever anything in it could not be read.
        const auto copies = s.brokenCopies();
        ASSERT_EQ(copies.size(), damaged ? 1u : 0u) << what;
        if (damaged) {
            EXPECT_EQ(testsupport::readFile(copies[0]), text) << what;
        }
        // Once rewritten the file is whole: the next write keeps no further copy.
        ASSERT_EQ(s.store.set(Root::CurrentUser, kKey, "Left", RegistryValue::number(4), true),
                  WriteResult::Ok);
        EXPECT_EQ(s.brokenCopies().size(), damaged ? 1u : 0u) << what;
    }
}

TEST(RegistryFile, DeepKeyPathsAreRefusedAndNeverSlowReadingDown) {
    Scopes s;
    EXPECT_EQ(s.store.createKey(Root::CurrentUser, QString::fromStdString(keyOfDepth(64))),
              WriteResult::Ok);
    EXPECT_EQ(s.store.createKey(Root::CurrentUser, QString::fromStdString(keyOfDepth(65))),
              WriteResult::Failed);
    EXPECT_TRUE(s.store.lastError().contains("64")) << s.store.lastError().toStdString();

    // A file with a key far deeper than that, and every key above it, as a store without the
    // limit wrote it.
    std::string text;
    for (int depth = 1; depth <= 1000; ++depth)
        text += "[" + keyOfDepth(depth) + "]\n";
    testsupport::writeFile(s.userFile(),
                           text + "\"x\"=\"y\"\n[SOFTWARE\\Parlaro]\n\"CallPath\"=\"/calls/\"\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(stringAt(s.store, "CallPath"), "/calls/");
    EXPECT_TRUE(s.store.keyExists(Root::CurrentUser, QString::fromStdString(keyOfDepth(64))));
    EXPECT_FALSE(s.store.keyExists(Root::CurrentUser, QString::fromStdString(keyOfDepth(65))));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(RegistryFile, AFolderTheUserMayNotWriteIsToldAsSuch) {
    Scopes s;
    ASSERT_EQ(s.store.set(Root::CurrentUser, kKey, "keep", RegistryValue::string("me"), true),
              WriteResult::Ok);
    ::chmod(s.dir.path().c_str(), 0755);
    testsupport::handToUser(s.dir.file("user"));
    ::chmod(s.locations.userFolder.toUtf8().constData(), 0555);
    const int status = testsupport::runUnprivileged([&] {
        RegistryStore store(s.locations);
        if (store.set(Root::CurrentUser, kKey, "new", RegistryValue::number(2), true) !=
            WriteResult::Failed)
            return 1;
        const QString why = store.lastError();
        return why.contains("Permission denied") && !why.contains("lock") ? 0 : 2;
    });
    ::chmod(s.locations.userFolder.toUtf8().constData(), 0755);
    EXPECT_EQ(status, 0);
}

TEST(RegistryFile, TwentyWritersAtOnceAllGetTheirTurn) {
    Scopes s;
    constexpr int kWriters = 20;
    constexpr int kEach = 10;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            RegistryStore store(s.locations);
            for (int i = 0; i < kEach; ++i) {
                const QString name = QString("w%1-%2").arg(w).arg(i);
                if (store.set(Root::CurrentUser, kKey, name,
                              RegistryValue::string(QByteArray(100, 'x')), true) != WriteResult::Ok)
                    ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    int failed = 0;
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
    }
    EXPECT_EQ(failed, 0);
    const auto key = s.store.readKey(Root::CurrentUser, kKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->values.size(), static_cast<std::size_t>(kWriters * kEach));
}

TEST(RegistryFile, ALockLeftByAWriterThatDiedIsTakenOver) {
    Scopes s;
    const pid_t writer = ::fork();
    if (writer == 0) {
        QLockFile lock(s.store.filePath(Root::CurrentUser) + ".lock");
        ::_exit(lock.tryLock(0) ? 0 : 1);  // ends without unlocking, as a killed writer does
    }
    int status = 0;
    ::waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(fs::exists(s.userFile() + ".lock"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.store.set(Root::CurrentUser, kKey, "x", RegistryValue::number(1), true),
              WriteResult::Ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
