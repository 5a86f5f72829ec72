#include "app/startup/SignalBridge.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace parlaro {

namespace {

// The handler can reach only what is global; the bridge owns the descriptor.
volatile sig_atomic_t gWriteEnd = -1;

void onSignal(int) {
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(gWriteEnd, &c, 1);
    errno = saved;
}

}  // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) return;
    readEnd_.reset(ends[0]);
    writeEnd_.reset(ends[1]);
    gWriteEnd = ends[1];
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char buf[16];
        for (;;) {
            const ssize_t n = ::read(readEnd_.get(), buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            for (ssize_t i = 0; i < n; ++i)
                emit terminationRequested(++count_);
        }
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

SignalBridge::~SignalBridge() {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    gWriteEnd = -1;
    notifier_.reset();
}

}  // namespace parlaro
