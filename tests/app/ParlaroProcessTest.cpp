#include <gtest/gtest.h>

#include "app/startup/SingleInstance.h"
#include "services/registry/RegistryStore.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <signal.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <thread>

using parlaro::registry::Root;
using testsupport::RunningProcess;
using testsupport::TempDir;

namespace {

struct Machine {
    TempDir dir;
    testsupport::ProcessOptions options{{{"XDG_CONFIG_HOME", dir.file("config")},
                                         {"XDG_CONFIG_DIRS", dir.file("xdg")},
                                         {"XDG_DATA_HOME", dir.file("data")},
                                         {"XDG_RUNTIME_DIR", dir.path()}}};
    parlaro::registry::RegistryStore store{{QString::fromStdString(dir.file("config/Parlaro")),
                                            QString::fromStdString(dir.file("xdg/Parlaro")),
                                            "Parlaro"}};

    std::string userFile() const { return dir.file("config/Parlaro/HKEY_CURRENT_USER.reg"); }
    std::string machineFile() const { return dir.file("xdg/Parlaro/HKEY_LOCAL_MACHINE.reg"); }
    bool started() const {
        return store.get(Root::CurrentUser, "SOFTWARE\\Parlaro", "wavs").found ==
               parlaro::registry::Lookup::Found::Value;
    }
    std::unique_ptr<RunningProcess> start() const {
        auto p = std::make_unique<RunningProcess>(testsupport::program("parlaro"),
                                                  std::vector<std::string>{}, options);
        return p;
    }
};

bool stillRunningAfter(RunningProcess& p, int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return p.running();
}

}  // namespace

TEST(Parlaro, FirstStartOnAnEmptyMachineAndAnOrderlyEndOnSigterm) {
    Machine m;
    auto p = m.start();
    ASSERT_TRUE(testsupport::waitFor([&] { return m.started(); }, 15000));
    p->signal(SIGTERM);
    const auto r = p->wait(10000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("PARLARO-MESSAGE [Parlaro] It would appear that Parlaro has not been "
                         "used on this PC before - please check your configuration\n"),
              std::string::npos)
        << r.err;
    const std::string user = testsupport::readFile(m.userFile());
    EXPECT_NE(user.find("\"wavs\"=\"" + m.dir.file("data") + "/Parlaro/\""), std::string::npos);
    EXPECT_NE(user.find("\"Sensitivity\"=dword:ffffffee"), std::string::npos);
    EXPECT_NE(testsupport::readFile(m.machineFile()).find("\"CallPath\"="), std::string::npos);
}

TEST(Parlaro, ASecondInstanceHandsOverWithoutTouchingTheSettings) {
    Machine m;
    auto first = m.start();
    // The listing of today's calls is the last of the first instance's start-up to write a
    // setting; on a busy machine it can come seconds after the rest.
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            return m.store.get(Root::CurrentUser, "SOFTWARE\\Parlaro", "subfolders").found ==
                   parlaro::registry::Lookup::Found::Value;
        },
        15000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::string user = testsupport::readFile(m.userFile());
    const std::string machine = testsupport::readFile(m.machineFile());

    QElapsedTimer t;
    t.start();
    const auto second = testsupport::runProcess(testsupport::program("parlaro"), {}, m.options);
    EXPECT_EQ(second.status, 0);
    EXPECT_LT(t.elapsed(), 8000);
    EXPECT_EQ(second.err.find("PARLARO-MESSAGE"), std::string::npos) << second.err;
    EXPECT_TRUE(first->running());
    EXPECT_EQ(testsupport::readFile(m.userFile()), user);
    EXPECT_EQ(testsupport::readFile(m.machineFile()), machine);
    first->signal(SIGINT);
    EXPECT_EQ(first->wait(10000).status, 0);
}

TEST(Parlaro, PreventShutdownRefusesTheFirstSignalButNotTheSecond) {
    Machine m;
    m.store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "SD",
                parlaro::registry::RegistryValue::number(1), true);
    m.store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "CallPath",
                parlaro::registry::RegistryValue::string("/srv/calls/"), true);
    auto p = m.start();
    ASSERT_TRUE(testsupport::waitFor([&] { return m.started(); }, 15000));
    p->signal(SIGTERM);
    EXPECT_TRUE(stillRunningAfter(*p, 1500));
    p->signal(SIGINT);
    const auto r = p->wait(10000);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.find("PARLARO-MESSAGE"), std::string::npos) << r.err;  // a known user
}

TEST(SingleInstance, TheRunningInstanceIsAskedToComeForward) {
    TempDir dir;
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString folder = QString::fromStdString(dir.path());
    parlaro::SingleInstance first(folder);
    ASSERT_TRUE(first.claim());
    int raised = 0;
    QObject::connect(&first, &parlaro::SingleInstance::activationRequested, [&] { ++raised; });

    // The second runs beside this event loop, as another process would.
    bool handedOver = false;
    std::thread second([&] {
        parlaro::SingleInstance other(folder);
        if (!other.claim()) handedOver = other.ActivatePreviousInstance();
    });
    QElapsedTimer t;
    t.start();
    while (raised == 0 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    second.join();
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(handedOver);
}

// A calls folder that cannot be one is named once, with the reason, when the window opens.
TEST(Parlaro, AnUnusableCallsFolderIsNamedOnceWithTheReason) {
    Machine m;
    testsupport::writeFile(m.dir.file("a-file"), "x");
    ::mkfifo(m.dir.file("a-fifo").c_str(), 0600);
    for (const std::string& folder : {m.dir.file("a-file"), m.dir.file("a-fifo"),
                                      std::string("/dev/null"), m.dir.file("a-file/calls")}) {
        m.store.set(Root::CurrentUser, "SOFTWARE\\Parlaro", "CallPath",
                    parlaro::registry::RegistryValue::string(QByteArray::fromStdString(folder)),
                    true);
        auto p = m.start();
        // The first message, then a moment for any other.
        testsupport::waitFor(
            [&] { return p->wait(100).err.find("PARLARO-MESSAGE") != std::string::npos; }, 15000);
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        p->signal(SIGTERM);
        const auto r = p->wait(10000);
        std::string shown;
        for (std::size_t at = 0; (at = r.err.find("PARLARO-MESSAGE", at)) != std::string::npos;
             ++at) {
            shown += r.err.substr(at, r.err.find('\n', at) - at) + "\n";
        }
        EXPECT_EQ(shown, "PARLARO-MESSAGE [Parlaro] The calls folder " + folder +
                             " cannot be used (Not a directory). Calls stay in " +
                             m.dir.file("data") + "/Parlaro/ until it can.\n");
    }
}
