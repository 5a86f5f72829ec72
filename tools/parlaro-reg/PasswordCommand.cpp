#include "tools/parlaro-reg/PasswordCommand.h"

#include "core/cipher/PasswordCipher.h"
#include "tools/parlaro-reg/RegCommand.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

namespace regtool {

namespace {

// Turns a terminal's echo off while it exists, so a typed password is not shown. Interrupted,
// ended or stopped at the prompt, the program gives the terminal its echo back first: a shell
// left without echo shows nothing of what is typed next.
class EchoOff {
  public:
    explicit EchoOff(int fd) {
        terminal_.fd = fd;
        if (::tcgetattr(fd, &terminal_.saved) != 0) return;
        terminal_.quiet = terminal_.saved;
        terminal_.quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        // A signal handler reaches the terminal only through this one place.
        active_ = &terminal_;
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            installed_[i] = install(kSignals[i], previous_[i]);
        on_ = ::tcsetattr(fd, TCSAFLUSH, &terminal_.quiet) == 0;
    }
    ~EchoOff() {
        if (on_) ::tcsetattr(terminal_.fd, TCSAFLUSH, &terminal_.saved);
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            if (installed_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
        }
        active_ = nullptr;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    struct Terminal {
        int fd = -1;
        termios saved{};
        termios quiet{};
    };
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGTSTP};

    // A signal ignored before (a program started in the background) stays ignored.
    static bool install(int sig, struct sigaction& previous) {
        if (::sigaction(sig, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            return false;
        struct sigaction handler {};
        handler.sa_handler = onSignal;
        handler.sa_flags = SA_RESTART;
        ::sigemptyset(&handler.sa_mask);
        return ::sigaction(sig, &handler, nullptr) == 0;
    }

    // Async-signal-safe calls only.
    static void onSignal(int sig) {
        const int savedErrno = errno;
        const Terminal* t = active_;
        if (t) ::tcsetattr(t->fd, TCSANOW, &t->saved);
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, "\n", 1);
        // Raised again as if nobody had caught it: the program ends, or stops.
        struct sigaction original {};
        original.sa_handler = SIG_DFL;
        ::sigemptyset(&original.sa_mask);
        ::sigaction(sig, &original, nullptr);
        sigset_t only;
        ::sigemptyset(&only);
        ::sigaddset(&only, sig);
        ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
        ::raise(sig);
        // Continued after a stop, at the prompt still: the echo goes off again.
        struct sigaction again {};
        again.sa_handler = onSignal;
        again.sa_flags = SA_RESTART;
        ::sigemptyset(&again.sa_mask);
        ::sigaction(sig, &again, nullptr);
        if (t) ::tcsetattr(t->fd, TCSANOW, &t->quiet);
        errno = savedErrno;
    }

    static inline const Terminal* active_ = nullptr;
    Terminal terminal_;
    std::array<struct sigaction, kSignals.size()> previous_{};
    std::array<bool, kSignals.size()> installed_{};
    bool on_ = false;
};

PasswordLine readPassword(int in, std::ostream& err) {
    // Someone typing at a terminal is asked, and does not see what they type.
    if (::isatty(in)) {
        err << "Password: " << std::flush;
        PasswordLine line;
        {
            const EchoOff quiet(in);
            line = readPasswordLine(in, parlaro::kMaxPasswordBytes);
        }
        err << "\n";
        return line;
    }
    return readPasswordLine(in, parlaro::kMaxPasswordBytes);
}

int usageError(std::ostream& err, const std::string& problem) {
    err << "parlaro-reg: " << problem << "\n";
    return 2;
}

}  // namespace

bool isPasswordCommand(const QByteArray& command) {
    return command == "set-password" || command == "check-password";
}

PasswordLine readPasswordLine(int in, qsizetype longest) {
    QByteArray line;
    bool any = false;
    // The longest line, its "\r" and its "\n": one byte more is a line too long.
    while (line.size() <= longest + 1) {
        char c = 0;
        const ssize_t n = ::read(in, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            return {std::nullopt,
                    "cannot read standard input: " + std::string(std::strerror(errno))};
        }
        if (n == 0) {
            if (!any) return {std::nullopt, "no password on standard input"};
            break;
        }
        any = true;
        if (c == '\n') break;
        line += c;
    }
    if (line.endsWith('\r')) line.chop(1);
    if (line.size() > longest) {
        return {std::nullopt, "the password is longer than " + std::to_string(longest) + " bytes"};
    }
    return {line, {}};
}

int runPasswordCommand(const std::vector<QByteArray>& args, parlaro::registry::Root root,
                       const QString& subKey, parlaro::registry::RegistryStore& store, int in,
                       std::ostream& out, std::ostream& err) {
    const QByteArray& command = args[0];
    if (args.size() != 2) {
        return usageError(err, command == "set-password" ? "set-password takes KEYPATH"
                                                         : "check-password takes KEYPATH");
    }
    const PasswordLine read = readPassword(in, err);
    if (!read.text) return usageError(err, read.problem);
    const QByteArray& password = *read.text;

    if (command == "set-password") {
        // Stored as the program stores a string setting: the ciphertext's characters in UTF-8.
        // The set command keeps a damaged file's copy and reports a failed write as ever.
        const QByteArray value = parlaro::EncipherPassword(password).toUtf8();
        return run({"set", args[1], "PW", "string", value}, store, out, err);
    }

    const parlaro::registry::FileCheck file = store.check(root);
    if (file.state == parlaro::registry::FileCheck::State::Unreadable) {
        err << "parlaro-reg: cannot read " << file.path.toStdString() << ": "
            << file.problem.toStdString() << "\n";
        return 1;
    }
    const parlaro::registry::Lookup found = store.get(root, subKey, "PW");
    const bool isString = found.found == parlaro::registry::Lookup::Found::Value &&
                          found.value.type == parlaro::registry::RegistryValue::Type::String;
    // Read whole, as the program reads it.
    const QString stored = isString ? QString::fromUtf8(found.value.text) : QString();
    if (stored.isEmpty()) {
        err << "parlaro-reg: no options password is set in " << args[1].toStdString() << "\n";
        return 1;
    }
    return parlaro::PasswordMatches(stored, password) ? 0 : 1;
}

}  // namespace regtool
