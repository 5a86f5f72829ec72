#include "tools/parlaro-reg/PasswordCommand.h"

#include "app/settings/PasswordCipher.h"
#include "tools/parlaro-reg/RegCommand.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace regtool {

namespace {

// The program reads string settings as UTF-8 and at most this many characters of them.
constexpr qsizetype kProgramReadLimit = 255;

// Turns a terminal's echo off while it exists, so a typed password is not shown.
class EchoOff {
  public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (::tcgetattr(fd_, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_) ::tcsetattr(fd_, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

std::optional<QByteArray> readPassword(std::istream& in, std::ostream& err) {
    // Someone typing at a terminal is asked, and does not see what they type.
    if (&in == &std::cin && ::isatty(STDIN_FILENO)) {
        err << "Password: " << std::flush;
        std::optional<QByteArray> line;
        {
            const EchoOff quiet(STDIN_FILENO);
            line = readPasswordLine(in);
        }
        err << "\n";
        return line;
    }
    return readPasswordLine(in);
}

int usageError(std::ostream& err, const char* problem) {
    err << "parlaro-reg: " << problem << "\n";
    return 2;
}

}  // namespace

bool isPasswordCommand(const QByteArray& command) {
    return command == "set-password" || command == "check-password";
}

std::optional<QByteArray> readPasswordLine(std::istream& in) {
    std::string line;
    // Fails only when not even a line end could be read.
    if (!std::getline(in, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QByteArray(line.data(), static_cast<qsizetype>(line.size()));
}

int runPasswordCommand(const std::vector<QByteArray>& args, registry::Root root,
                       const QString& subKey, registry::RegistryStore& store, std::istream& in,
                       std::ostream& out, std::ostream& err) {
    const QByteArray& command = args[0];
    if (args.size() != 2) {
        return usageError(err, command == "set-password" ? "set-password takes KEYPATH"
                                                         : "check-password takes KEYPATH");
    }
    const std::optional<QByteArray> password = readPassword(in, err);
    if (!password) return usageError(err, "no password on standard input");

    if (command == "set-password") {
        if (password->size() > parlaro::kMaxPasswordBytes) {
            err << "parlaro-reg: the password is longer than " << parlaro::kMaxPasswordBytes
                << " bytes\n";
            return 2;
        }
        // Stored as the program stores a string setting: the ciphertext's characters in UTF-8.
        // The set command keeps a damaged file's copy and reports a failed write as ever.
        const QByteArray value = parlaro::EncipherPassword(*password).toUtf8();
        return run({"set", args[1], "PW", "string", value}, store, out, err);
    }

    const registry::FileCheck file = store.check(root);
    if (file.state == registry::FileCheck::State::Unreadable) {
        err << "parlaro-reg: cannot read " << file.path.toStdString() << ": "
            << file.problem.toStdString() << "\n";
        return 1;
    }
    const registry::Lookup found = store.get(root, subKey, "PW");
    const bool isString = found.found == registry::Lookup::Found::Value &&
                          found.value.type == registry::RegistryValue::Type::String;
    const QString stored =
        isString ? QString::fromUtf8(found.value.text).left(kProgramReadLimit) : QString();
    if (stored.isEmpty()) {
        err << "parlaro-reg: no options password is set in " << args[1].toStdString() << "\n";
        return 1;
    }
    return parlaro::PasswordMatches(stored, *password) ? 0 : 1;
}

}  // namespace regtool
