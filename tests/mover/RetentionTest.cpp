#include <gtest/gtest.h>

#include "mover/Retention.h"
#include "tests/mover/MoverSetup.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using testsupport::MoverSetup;

namespace {

std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_symlink() || e.is_regular_file())
            out.insert(fs::relative(e.path(), folder).string());
    return out;
}

}  // namespace

TEST(Retention, OnlyOldCallFilesAndTheirNotesGoAndEachIsLogged) {
    testsupport::TempDir dir;
    const std::string calls = dir.file("calls");
    const std::string outside = dir.file("outside");
    const auto file = [](const std::string& path) {
        fs::create_directories(fs::path(path).parent_path());
        testsupport::writeFile(path, "x");
    };
    file(calls + "/20261001-090000-ann-10.wav");
    file(calls + "/20261001-090000-ann-10.txt");
    file(calls + "/sub/deeper/20261108-235959-bob-5.wav");
    file(calls + "/20261109-000000-ann-5.wav");  // exactly 30 days: kept
    file(calls + "/20261201-120000-ann-5.wav");
    file(calls + "/20261201-120000-ann-5.txt");
    file(calls + "/20201001-090000-ann.wav");     // never finished: not a call name
    file(calls + "/20201001-090000-ann-10.txt");  // a note without its call
    file(calls + "/readme.txt");
    fs::create_directories(calls + "/20200101-090000-ann-1.wav");  // a folder named like a call
    file(outside + "/20200101-090000-ann-1.wav");
    fs::create_symlink(outside + "/20200101-090000-ann-1.wav",
                       calls + "/20200102-090000-ann-1.wav");
    fs::create_symlink(outside, calls + "/linked");
    const std::string log = dir.file("config/retention.log");
    fs::create_directories(dir.file("config"));

    const auto nothing = mover::ApplyRetention(QString::fromStdString(calls), 0, QDate(2026, 12, 9),
                                               QString::fromStdString(log));
    EXPECT_TRUE(nothing.deleted.empty());
    const auto before = filesBelow(calls);

    const auto outcome = mover::ApplyRetention(QString::fromStdString(calls), 30,
                                               QDate(2026, 12, 9), QString::fromStdString(log));
    std::set<std::string> gone;
    for (const QString& path : outcome.deleted)
        gone.insert(fs::relative(path.toStdString(), calls).string());
    EXPECT_EQ(gone,
              (std::set<std::string>{"20261001-090000-ann-10.wav", "20261001-090000-ann-10.txt",
                                     "sub/deeper/20261108-235959-bob-5.wav"}));
    EXPECT_TRUE(outcome.failed.empty());
    std::set<std::string> left = before;
    for (const auto& g : gone)
        left.erase(g);
    EXPECT_EQ(filesBelow(calls), left);
    EXPECT_TRUE(fs::is_directory(calls + "/20200101-090000-ann-1.wav"));
    EXPECT_TRUE(fs::exists(outside + "/20200101-090000-ann-1.wav"));
    EXPECT_TRUE(fs::is_directory(calls + "/sub/deeper"));

    const std::string logged = testsupport::readFile(log);
    for (const QString& path : outcome.deleted)
        EXPECT_NE(logged.find("deleted " + path.toStdString() + "\n"), std::string::npos);
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 3);
}

TEST(Retention, TheMoverAppliesThePeriodAnAdministratorSet) {
    MoverSetup s;
    s.folders(s.wavs, s.calls + "/");
    registry::RegistryStore machine({QString::fromStdString(s.dir.file("config/Parlaro")),
                                     QString::fromStdString(s.dir.file("xdg/Parlaro")), "Parlaro"});
    machine.set(registry::Root::LocalMachine, "Software\\Parlaro", "KeepDays",
                registry::RegistryValue::number(7), true);
    testsupport::writeFile(s.calls + "/20000101-090000-ann-10.wav", "old");
    const std::string today =
        QDate::currentDate().toString("yyyyMMdd").toStdString() + "-000000-ann-10.wav";
    testsupport::writeFile(s.calls + "/" + today, "new");

    const auto r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(testsupport::messages(r), "");
    EXPECT_FALSE(fs::exists(s.calls + "/20000101-090000-ann-10.wav"));
    EXPECT_TRUE(fs::exists(s.calls + "/" + today));
    EXPECT_NE(testsupport::readFile(s.dir.file("config/Parlaro/retention.log"))
                  .find("deleted " + s.calls + "/20000101-090000-ann-10.wav"),
              std::string::npos);
}
