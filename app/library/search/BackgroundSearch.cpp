#include "app/library/search/BackgroundSearch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace parlaro {

namespace {

using Clock = std::chrono::steady_clock;

// What the search's thread and the caller share. The caller may leave before the thread ends;
// whoever is last frees it.
struct SharedSearch {
    std::mutex mutex;
    std::condition_variable answered;
    std::vector<CallRecord> found;
    QString folder;
    Clock::time_point lastSign = Clock::now();
    bool done = false;
    bool stop = false;
    std::optional<Message> question;
    std::optional<Answer> answer;
    // Set and cleared by the caller's thread only; called there by the posted wake-ups.
    std::function<void()> onWake;
};

// Wakes the caller's thread, which then looks at the shared state.
void wake(const std::shared_ptr<SharedSearch>& shared) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(
        app,
        [shared] {
            if (shared->onWake) shared->onWake();
        },
        Qt::QueuedConnection);
}

class RelayObserver final : public SearchObserver {
  public:
    explicit RelayObserver(std::shared_ptr<SharedSearch> shared) : shared_(std::move(shared)) {}
    void working(const QString& folder) override {
        const std::lock_guard lock(shared_->mutex);
        shared_->folder = folder;
        shared_->lastSign = Clock::now();
    }
    void found(std::span<const CallRecord> calls) override {
        const std::lock_guard lock(shared_->mutex);
        shared_->found.insert(shared_->found.end(), calls.begin(), calls.end());
        shared_->lastSign = Clock::now();
    }
    bool stopRequested() const override {
        const std::lock_guard lock(shared_->mutex);
        return shared_->stop;
    }

  private:
    std::shared_ptr<SharedSearch> shared_;
};

// Hands each question to the caller's thread and waits for its answer; once the caller has
// gone, every question is answered as declining.
class RelayPrompter final : public Prompter {
  public:
    explicit RelayPrompter(std::shared_ptr<SharedSearch> shared) : shared_(std::move(shared)) {}
    Answer show(const Message& message) override {
        std::unique_lock lock(shared_->mutex);
        if (shared_->stop) return message.cancellingAnswer();
        shared_->question = message;
        shared_->answer.reset();
        lock.unlock();
        wake(shared_);
        lock.lock();
        shared_->answered.wait(lock, [this] { return shared_->answer || shared_->stop; });
        const Answer answer = shared_->answer ? *shared_->answer : message.cancellingAnswer();
        shared_->question.reset();
        shared_->answer.reset();
        shared_->lastSign = Clock::now();
        return answer;
    }

  private:
    std::shared_ptr<SharedSearch> shared_;
};

}  // namespace

SearchOutcome runInBackground(SearchWork work, Prompter& prompter,
                              std::chrono::milliseconds stallLimit) {
    auto shared = std::make_shared<SharedSearch>();
    QEventLoop loop;
    SearchOutcome outcome;
    bool asking = false;

    // Runs on this thread at every wake-up and every tick of the watch.
    shared->onWake = [&] {
        std::unique_lock lock(shared->mutex);
        if (shared->done) {
            loop.quit();
            return;
        }
        if (shared->question && !shared->answer && !asking) {
            const Message question = *shared->question;
            asking = true;
            lock.unlock();
            const Answer answer = prompter.show(question);
            lock.lock();
            asking = false;
            shared->answer = answer;
            shared->lastSign = Clock::now();
            shared->answered.notify_all();
            return;
        }
        if (!asking && !shared->question && Clock::now() - shared->lastSign > stallLimit) {
            outcome.gaveUp = true;
            outcome.hangsIn = shared->folder;
            loop.quit();
        }
    };

    std::thread([shared, work = std::move(work)] {
        RelayObserver observer(shared);
        RelayPrompter relay(shared);
        try {
            work(observer, relay);
        } catch (...) {
            // The search reports its own errors; anything else only ends it.
        }
        {
            const std::lock_guard lock(shared->mutex);
            shared->done = true;
        }
        wake(shared);
    }).detach();

    QTimer watch;
    watch.setInterval(
        std::min<std::chrono::milliseconds>(stallLimit / 4, std::chrono::milliseconds{250}));
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] { shared->onWake(); });
    watch.start();
    loop.exec();
    watch.stop();

    const std::lock_guard lock(shared->mutex);
    // Later wake-ups find nothing to do; the thread stops at its next check and answers any
    // question of its own.
    shared->onWake = nullptr;
    if (!shared->done) {
        shared->stop = true;
        shared->answered.notify_all();
        if (!outcome.gaveUp) {
            outcome.gaveUp = true;
            outcome.hangsIn = shared->folder;
        }
    }
    outcome.calls = std::move(shared->found);
    shared->found.clear();
    return outcome;
}

SearchOutcome findCallsInBackground(const SearchScope& scope, const SearchCriteria& criteria,
                                    Prompter& prompter, std::chrono::milliseconds stallLimit) {
    return runInBackground(
        [scope, criteria](SearchObserver& observer, Prompter& relay) {
            CallSearch search(scope, relay);
            search.setObserver(&observer);
            search.FindCalls(criteria);
        },
        prompter, stallLimit);
}

}  // namespace parlaro
