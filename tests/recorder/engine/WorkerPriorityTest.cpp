// The worker's priority: raised while it plays (the output drains in tenths of a second), at
// the thread's own level otherwise, so that a recording's buffers do not preempt the device.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "recorder/engine/Worker.h"

namespace {

using aurx::WorkerCommand;
using aurx::WorkerState;
using aurx::engine::Command;
using aurx::engine::Message;

int ownPriority() {
    errno = 0;
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

bool mayRaise() {
    bool allowed = false;
    std::thread probe([&] {
        allowed = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), -10) == 0;
    });
    probe.join();
    return allowed;
}

}  // namespace

TEST(WorkerPriority, RaisedWhilePlayingOnlyAndBackAfter) {
    if (!mayRaise()) GTEST_SKIP() << "this system does not let a program raise its priority";
    aurx::engine::StateSignal signal;
    std::vector<int> seen;  // the worker's priority at each StopRecording, which reports it
    aurx::engine::Worker* self = nullptr;
    aurx::engine::Worker worker(
        [&](const Message& m) {
            const auto* c = std::get_if<Command>(&m);
            if (!c) return;
            switch (c->command) {
                case WorkerCommand::StartRecording:
                    self->setState(WorkerState::Recording);
                    break;
                case WorkerCommand::StartPlayback:
                    self->setState(WorkerState::Playing);
                    break;
                case WorkerCommand::PausePlayback:
                    self->setState(WorkerState::Stopping);
                    break;
                case WorkerCommand::StopPlayback:
                    self->setState(WorkerState::Idle);
                    break;
                case WorkerCommand::StopRecording:
                    seen.push_back(ownPriority());
                    break;
                default:
                    break;
            }
        },
        signal);
    self = &worker;
    ASSERT_TRUE(worker.start());
    const int base = [] {
        int p = 0;
        std::thread t([&] { p = ownPriority(); });
        t.join();
        return p;
    }();
    for (const auto c :
         {WorkerCommand::StopRecording, WorkerCommand::StartRecording, WorkerCommand::StopRecording,
          WorkerCommand::StartPlayback, WorkerCommand::StopRecording, WorkerCommand::PausePlayback,
          WorkerCommand::StopRecording, WorkerCommand::StopPlayback, WorkerCommand::StopRecording})
        worker.post(c);
    worker.settle();
    const std::vector<int> expected = {base, base, -10, -10, base};
    EXPECT_EQ(seen, expected) << "idle, recording, playing, stopping a playback, idle again";
}
