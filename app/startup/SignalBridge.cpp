#include "app/startup/SignalBridge.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace parlaro {

namespace {

int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(gSignalPipe[1], &c, 1);
}

}  // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char buf[16];
        ssize_t n;
        while ((n = ::read(gSignalPipe[0], buf, sizeof buf)) > 0) {
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
    notifier_.reset();
    for (int& fd : gSignalPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

}  // namespace parlaro
