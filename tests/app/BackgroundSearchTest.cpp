#include <gtest/gtest.h>

#include "app/library/search/BackgroundSearch.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

using namespace parlaro;
using namespace std::chrono_literals;
using testsupport::ScriptedPrompter;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// One application object per test program, as the window has.
QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "background-search-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

CallRecord callAt(const QString& path) {
    CallRecord c;
    c.RecordingLocation = path;
    return c;
}

std::vector<QString> locations(const std::vector<CallRecord>& calls) {
    std::vector<QString> out;
    for (const CallRecord& c : calls)
        out.push_back(c.RecordingLocation);
    return out;
}

// Counts the ticks of the caller's event loop while a search runs.
struct TickCounter {
    QTimer timer;
    int ticks = 0;
    TickCounter() {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] { ++ticks; });
        timer.start();
    }
};

}  // namespace

TEST(BackgroundSearch, AFolderThatStopsAnsweringIsGivenUpKeepingWhatWasFound) {
    application();
    // The work publishes one folder's calls, then hangs in the next as a dead share would.
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    TickCounter counter;

    const auto start = std::chrono::steady_clock::now();
    ScriptedPrompter prompter;
    SearchOutcome outcome = runInBackground(
        [released, ended](SearchObserver& observer, Prompter&) {
            observer.working("/calls/a/");
            const std::vector<CallRecord> found{callAt("/calls/a/2"), callAt("/calls/a/1")};
            observer.found(found);
            observer.working("/calls/share/");
            released.wait();
            // Back from the dead: the search is told to stop and adds nothing more.
            if (!observer.stopRequested()) observer.found(std::vector<CallRecord>{callAt("x")});
            *ended = true;
        },
        prompter, 300ms);
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_TRUE(outcome.gaveUp);
    EXPECT_EQ(outcome.hangsIn, "/calls/share/");
    EXPECT_EQ(locations(outcome.calls), (std::vector<QString>{"/calls/a/2", "/calls/a/1"}));
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 2s);
    // The window's own timers went on meanwhile.
    EXPECT_GT(counter.ticks, 10);

    release->set_value();
    for (int i = 0; i < 200 && !*ended; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(*ended);
}

TEST(BackgroundSearch, ASlowSearchThatShowsSignsOfLifeRunsToItsEnd) {
    application();
    ScriptedPrompter prompter;
    TickCounter counter;
    SearchOutcome outcome = runInBackground(
        [](SearchObserver& observer, Prompter&) {
            for (int i = 0; i < 10; ++i) {
                observer.working("/calls/slow/");
                std::this_thread::sleep_for(50ms);
            }
            observer.found(std::vector<CallRecord>{callAt("/calls/slow/1")});
        },
        prompter, 200ms);
    EXPECT_FALSE(outcome.gaveUp);
    EXPECT_EQ(locations(outcome.calls), std::vector<QString>{"/calls/slow/1"});
    EXPECT_GT(counter.ticks, 10);
}

namespace {

// Answers on the thread it is called on, slowly, as a person would.
class SlowPrompter final : public Prompter {
  public:
    Answer show(const Message& message) override {
        threads.push_back(std::this_thread::get_id());
        texts.push_back(message.text);
        std::this_thread::sleep_for(400ms);
        return Answer::Cancel;
    }
    std::vector<std::thread::id> threads;
    std::vector<QString> texts;
};

}  // namespace

TEST(BackgroundSearch, QuestionsAreAskedOnTheCallersThreadAndTheirTimeIsNotAStall) {
    application();
    SlowPrompter prompter;
    std::thread::id worker;
    SearchOutcome outcome = runInBackground(
        [&worker](SearchObserver& observer, Prompter& relay) {
            worker = std::this_thread::get_id();
            const Answer a = relay.show({"t", "first?", Icon::Question, Buttons::OkCancel});
            const Answer b = relay.show({"t", "second?", Icon::Question, Buttons::OkCancel});
            if (a == Answer::Cancel && b == Answer::Cancel)
                observer.found(std::vector<CallRecord>{callAt("/both-cancelled")});
        },
        prompter, 200ms);
    EXPECT_FALSE(outcome.gaveUp);
    EXPECT_EQ(prompter.texts, (std::vector<QString>{"first?", "second?"}));
    ASSERT_EQ(prompter.threads.size(), 2u);
    EXPECT_EQ(prompter.threads[0], std::this_thread::get_id());
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_EQ(locations(outcome.calls), std::vector<QString>{"/both-cancelled"});
}

TEST(BackgroundSearch, FindsWhatTheSearchFindsInTheSameOrderAndRelaysItsQuestion) {
    application();
    TempDir dir;
    const auto call = [&](const std::string& path) {
        fs::create_directories(fs::path(dir.file(path)).parent_path());
        testsupport::writeFile(dir.file(path), "");
    };
    for (int i = 0; i < 201; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "big/20260101-10%02d%02d-anna-10.wav", i / 60, i % 60);
        call(name);
    }
    call("20260102-090000-anna-10.wav");
    call("20260101-090000-bob-10.wav");
    call("sub/20260103-090000-anna-70.wav");

    SearchScope scope;
    scope.SearchPath = QString::fromStdString(dir.path());
    scope.subfolders = true;
    scope.userName = "anna";

    ScriptedPrompter direct;
    CallSearch search(scope, direct);
    search.FindCalls({});
    const std::vector<QString> expected = locations(search.calls());

    ScriptedPrompter prompter;
    SearchOutcome outcome = findCallsInBackground(scope, {}, prompter);
    EXPECT_FALSE(outcome.gaveUp);
    EXPECT_EQ(locations(outcome.calls), expected);
    EXPECT_EQ(outcome.calls.size(), 204u);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith("Query returned 201 calls."));

    // Cancelled, the large folder is left out, as it is in the window.
    prompter.answers = {Answer::Cancel};
    outcome = findCallsInBackground(scope, {}, prompter);
    EXPECT_EQ(outcome.calls.size(), 3u);
}
