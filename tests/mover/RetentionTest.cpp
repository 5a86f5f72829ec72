#include <gtest/gtest.h>

#include "mover/Retention.h"
#include "platform/posix/UniqueFd.h"
#include "tests/mover/MoverSetup.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <thread>

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
    parlaro::registry::RegistryStore machine({QString::fromStdString(s.dir.file("config/Parlaro")),
                                              QString::fromStdString(s.dir.file("xdg/Parlaro")),
                                              "Parlaro"});
    machine.set(parlaro::registry::Root::LocalMachine, "Software\\Parlaro", "KeepDays",
                parlaro::registry::RegistryValue::number(7), true);
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

namespace {

// A pipe in place of retention.log, filled beforehand: a pass stops at its first deletion,
// writing that line, until the test drains the pipe.
class BlockingLog {
  public:
    explicit BlockingLog(const std::string& path) {
        ::mkfifo(path.c_str(), 0600);
        reader_.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        writer_.reset(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        const std::string filler(4096, '.');
        while (::write(writer_.get(), filler.data(), filler.size()) > 0) {
        }
    }
    // Everything written until the last writer closes, the filler left out.
    std::string drain() {
        writer_.reset();
        ::fcntl(reader_.get(), F_SETFL, 0);
        std::string all;
        char buf[4096];
        for (ssize_t n; (n = ::read(reader_.get(), buf, sizeof buf)) > 0;)
            all.append(buf, static_cast<std::size_t>(n));
        return all.substr(all.find_first_not_of('.'));
    }

  private:
    aurx::posix::UniqueFd reader_, writer_;
};

std::size_t countIn(const std::string& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator{}));
}

}  // namespace

TEST(Retention, OnlyNamesOfExactlyTheRecordersFormGo) {
    const std::vector<std::pair<std::string, bool>> table = {
        {"20000101-100000-ann-5.wav", true},
        {"20000101-100000-a.b_c-0007.wav", true},
        {"20000101-100000-ann-5-copy.wav", false},
        {"20000101-100000-ann-5-edited-by-bob.wav", false},
        {"20000101-100000-ann-5.WAV", false},
        {"20000101-100000-ann-5.Wav", false},
        {"20000101-100000--5.wav", false},
        {"20000101-100000-ann-.wav", false},
        {"20000101-100000-ann-5x.wav", false},
        {"20000101-100000-ann-5.wav.bak", false},
        {"x20000101-100000-ann-5.wav", false},
        {"20000101-100000-ann-5 .wav", false},
    };
    testsupport::TempDir dir;
    const std::string calls = dir.file("calls");
    fs::create_directories(calls);
    for (const auto& [name, goes] : table)
        testsupport::writeFile(calls + "/" + name, "x");
    mover::ApplyRetention(QString::fromStdString(calls), 30, QDate(2026, 12, 9), "");
    for (const auto& [name, goes] : table)
        EXPECT_EQ(fs::exists(calls + "/" + name), !goes) << name;
}

// A user who may write in a shared calls folder swaps a folder for a link to someone's files
// while the pass is deleting in it: the pass goes on in the folder it listed, wherever that
// now is, and nothing behind the link is touched.
TEST(Retention, AFolderSwappedForALinkDuringThePassLeadsNowhere) {
    testsupport::TempDir dir;
    const std::string calls = dir.file("calls");
    const std::string victim = dir.file("victim");
    fs::create_directories(calls + "/m");
    fs::create_directories(victim);
    constexpr int kCalls = 60;
    for (int i = 0; i < kCalls; ++i) {
        const std::string name =
            "20000101-1000" + std::to_string(10 + i / 2) + "-ann-" + std::to_string(i) + ".wav";
        testsupport::writeFile(calls + "/m/" + name, "old call");
        testsupport::writeFile(victim + "/" + name, "someone's file");
    }
    BlockingLog log(dir.file("retention.log"));
    mover::RetentionOutcome outcome;
    std::thread pass([&] {
        outcome = mover::ApplyRetention(QString::fromStdString(calls), 30, QDate(2026, 12, 9),
                                        QString::fromStdString(dir.file("retention.log")));
    });
    const bool began = testsupport::waitFor([&] { return countIn(calls + "/m") < kCalls; }, 10000);
    fs::rename(calls + "/m", calls + "/m.old");
    fs::create_directory_symlink(victim, calls + "/m");
    const std::string logged = log.drain();
    pass.join();
    ASSERT_TRUE(began);

    EXPECT_EQ(countIn(victim), static_cast<std::size_t>(kCalls)) << logged;
    EXPECT_EQ(countIn(calls + "/m.old"), 0u);
    EXPECT_EQ(outcome.deleted.size(), static_cast<std::size_t>(kCalls));
    EXPECT_TRUE(outcome.failed.empty());
}

// The mover killed between a note and its recording: what is left is a recording, which the
// next pass takes with everything else, never a note that no pass would take.
TEST(Retention, AKilledPassLeavesNoNoteWithoutItsCall) {
    MoverSetup s;
    s.folders(s.wavs, s.calls);
    parlaro::registry::RegistryStore store(
        {QString::fromStdString(s.dir.file("config/Parlaro")), "", "Parlaro"});
    store.set(parlaro::registry::Root::CurrentUser, "Software\\Parlaro", "KeepDays",
              parlaro::registry::RegistryValue::number(7), true);
    const std::string call = s.calls + "/20000101-090000-ann-10.wav";
    const std::string note = s.calls + "/20000101-090000-ann-10.txt";
    testsupport::writeFile(call, "old");
    testsupport::writeFile(note, "a note");
    {
        BlockingLog log(s.dir.file("config/Parlaro/retention.log"));
        testsupport::RunningProcess mover(testsupport::program("mover"), {}, s.options);
        ASSERT_TRUE(
            testsupport::waitFor([&] { return !fs::exists(call) || !fs::exists(note); }, 10000));
        mover.signal(SIGKILL);
        mover.wait(5000);
        EXPECT_TRUE(fs::exists(call)) << "the note goes first";
    }
    fs::remove(s.dir.file("config/Parlaro/retention.log"));
    s.run();
    EXPECT_FALSE(fs::exists(note));
    EXPECT_FALSE(fs::exists(call));
}
