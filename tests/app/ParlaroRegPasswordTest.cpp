#include <gtest/gtest.h>

#include "core/cipher/PasswordCipher.h"
#include "tests/app/SettingsFixture.h"
#include "tests/support/ProcessRunner.h"

#include "platform/posix/UniqueFd.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QProcess>

#include <optional>

using namespace parlaro;

namespace {

const QString kUser = "HKEY_CURRENT_USER\\SOFTWARE\\Parlaro";
const QString kMachine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlaro";

struct RegRun {
    int status = -1;
    QByteArray out, err;
};

// parlaro-reg over the fixture's store, with `input` on its standard input.
struct Reg : testsupport::SettingsFixture {
    RegRun operator()(const QString& command, const QString& keyPath, const QByteArray& input,
                      const std::optional<QString>& inputFile = std::nullopt) {
        QProcess p;
        if (inputFile) p.setStandardInputFile(*inputFile);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("config")));
        env.insert("XDG_CONFIG_DIRS", QString::fromStdString(dir.file("xdg")));
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(testsupport::program("parlaro-reg")), {command, keyPath});
        if (!inputFile) {
            p.write(input);
            p.closeWriteChannel();
        }
        RegRun r;
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return r;
        r.status = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
};

}  // namespace

TEST(ParlaroRegPassword, SetThenCheckFollowsTheContract) {
    Reg reg;
    const RegRun set = reg("set-password", kMachine, "Tr0ub4dor&3\n");
    EXPECT_EQ(set.status, 0) << set.err.toStdString();

    const struct {
        QByteArray input;
        int status;
    } checks[] = {
        {"Tr0ub4dor&3\n", 0},
        {"Tr0ub4dor&3\r\n", 0},  // a line end written by another system
        {"Tr0ub4dor&3", 0},      // the last line need not end
        {"Tr0ub4dor&3\nmore\n", 0},
        {"tr0ub4dor&3\n", 1},
        {"Tr0ub4dor&3 \n", 1},
        {"\n", 1},
        {"", 2},  // no line at all
    };
    for (const auto& c : checks) {
        const RegRun r = reg("check-password", kMachine, c.input);
        EXPECT_EQ(r.status, c.status) << c.input.toStdString();
        EXPECT_FALSE(r.out.contains("ub4dor")) << "the password is never shown";
        EXPECT_FALSE(r.err.contains("ub4dor")) << "the password is never shown";
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(set.out.contains("ub4dor") || set.err.contains("ub4dor"));
    // The user scope is another file, without a password.
    const RegRun user = reg("check-password", kUser, "Tr0ub4dor&3\n");
    EXPECT_EQ(user.status, 1);
    EXPECT_TRUE(user.err.contains("no options password is set")) << user.err.toStdString();
}

// What parlaro-reg stores is what the program stores, both ways round.
TEST(ParlaroRegPassword, ThePresetPasswordIsTheOneTheProgramAsksFor) {
    Reg reg;
    ASSERT_EQ(reg("set-password", kMachine, "préréglé\n").status, 0);
    // A new user inherits the machine scope's value, and the program takes the password.
    const QString pw = reg.globals.ReadSetting("PW", "");
    EXPECT_EQ(pw.size(), 24);
    EXPECT_TRUE(PasswordMatches(pw, QString("préréglé")));
    EXPECT_FALSE(PasswordMatches(pw, QString("prereglé")));

    reg.globals.WriteSetting("PW", EncipherPassword(QString("from the dialog")));
    EXPECT_EQ(reg("check-password", kUser, "from the dialog\n").status, 0);
    EXPECT_EQ(reg("check-password", kMachine, "from the dialog\n").status, 0);
    EXPECT_EQ(reg("check-password", kUser, "préréglé\n").status, 1);

    // Two presets of one password differ, as two changes in the dialog do.
    ASSERT_EQ(reg("set-password", kUser, "x\n").status, 0);
    const QByteArray first = reg.userString("PW");
    ASSERT_EQ(reg("set-password", kUser, "x\n").status, 0);
    EXPECT_NE(reg.userString("PW"), first);
}

TEST(ParlaroRegPassword, RefusesWhatCouldNotBeReadBackOrMatched) {
    Reg reg;
    const RegRun tooLong = reg("set-password", kUser, QByteArray(237, 'x') + "\n");
    EXPECT_EQ(tooLong.status, 2);
    EXPECT_EQ(reg.at(parlaro::registry::Root::CurrentUser, "PW").found,
              parlaro::registry::Lookup::Found::NoValue);
    EXPECT_EQ(reg("set-password", kUser, QByteArray(236, 'x') + "\n").status, 0);
    EXPECT_EQ(reg("check-password", kUser, QByteArray(236, 'x')).status, 0);

    EXPECT_EQ(reg("set-password", kUser, "").status, 2);
    EXPECT_EQ(reg("check-password", kUser, QByteArray(236, 'x')).status, 0) << "left as it was";

    // A damaged value matches nothing, not even nothing.
    reg.userSets("PW", parlaro::registry::RegistryValue::string("not a ciphertext"));
    EXPECT_EQ(reg("check-password", kUser, "not a ciphertext\n").status, 1);
    EXPECT_EQ(reg("check-password", kUser, "\n").status, 1);

    // A blank password is a password: only the empty line matches it.
    ASSERT_EQ(reg("set-password", kUser, "\n").status, 0);
    EXPECT_EQ(reg("check-password", kUser, "\n").status, 0);
    EXPECT_EQ(reg("check-password", kUser, " \n").status, 1);

    EXPECT_EQ(reg("check-password", "SOFTWARE\\Parlaro", "x\n").status, 2);
}

// Standard input is read as far as the longest password and its line end, never further, and
// what went wrong is said as it is.
TEST(ParlaroRegPassword, ReadsNoFurtherThanTheLongestPassword) {
    Reg reg;
    ASSERT_EQ(reg("set-password", kUser, "x\n").status, 0);
    const struct {
        const char* command;
        std::optional<QString> inputFile;  // else `input`
        QByteArray input;
        int status;
        const char* said;
    } table[] = {
        {"check-password", "/dev/zero", {}, 2, "longer than 236 bytes"},
        {"set-password", "/dev/zero", {}, 2, "longer than 236 bytes"},
        {"check-password", {}, QByteArray(237, 'x'), 2, "longer than 236 bytes"},
        {"check-password", {}, QByteArray(4 << 20, 'x') + "\n", 2, "longer than 236 bytes"},
        {"check-password", {}, QByteArray(236, 'x') + "\r\n", 1, nullptr},
        {"set-password", QString::fromStdString(reg.dir.path()), {}, 2, "Is a directory"},
    };
    for (const auto& c : table) {
        const RegRun r = reg(c.command, kUser, c.input, c.inputFile);
        EXPECT_EQ(r.status, c.status) << c.command << " " << c.input.size();
        if (c.said) {
            EXPECT_TRUE(r.err.contains(c.said)) << r.err.toStdString();
        }
    }
    EXPECT_EQ(reg("check-password", kUser, "x\n").status, 0) << "the password is as it was";
}

namespace {

// parlaro-reg asking for the password on a terminal of its own.
class AtATerminal {
  public:
    AtATerminal(const std::string& configHome, const char* command) {
        master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!master_ || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) return;
        terminal_.reset(::open(::ptsname(master_.get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
        const std::string program = testsupport::program("parlaro-reg");
        const std::string env = "XDG_CONFIG_HOME=" + configHome;
        pid_ = ::fork();
        if (pid_ == 0) {
            // A process group of its own in this session, so that a stop signal stops it.
            ::setpgid(0, 0);
            ::dup2(terminal_.get(), 0);
            ::dup2(terminal_.get(), 2);
            const char* argv[] = {program.c_str(), command, "HKEY_CURRENT_USER\\SOFTWARE\\Parlaro",
                                  nullptr};
            const char* envp[] = {env.c_str(), nullptr};
            ::execve(argv[0], const_cast<char**>(argv), const_cast<char**>(envp));
            ::_exit(127);
        }
    }
    ~AtATerminal() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool echoes() const {
        termios t{};
        ::tcgetattr(terminal_.get(), &t);
        return (t.c_lflag & ECHO) != 0;
    }
    bool waitForEcho(bool on) const {
        return testsupport::waitFor([&] { return echoes() == on; }, 10000);
    }
    void send(int sig) const { ::kill(pid_, sig); }
    // How it ended or stopped: the signal, or -1.
    int waitForSignal() {
        int status = 0;
        if (::waitpid(pid_, &status, WUNTRACED) != pid_) return -1;
        if (WIFSTOPPED(status)) return WSTOPSIG(status);
        ended_ = true;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }

  private:
    aurx::posix::UniqueFd master_, terminal_;
    pid_t pid_ = -1;
    bool ended_ = false;
};

}  // namespace

// Interrupted, ended or stopped at the prompt, parlaro-reg gives the terminal its echo back
// before it goes; continued, it takes the echo away again.
TEST(ParlaroRegPassword, TheTerminalGetsItsEchoBackWhenThePromptIsLeft) {
    Reg reg;
    for (const int sig : {SIGINT, SIGTERM, SIGTSTP}) {
        SCOPED_TRACE(strsignal(sig));
        AtATerminal tty(reg.dir.file("config"), "check-password");
        ASSERT_TRUE(tty.echoes());
        ASSERT_TRUE(tty.waitForEcho(false)) << "the prompt never came";
        tty.send(sig);
        EXPECT_EQ(tty.waitForSignal(), sig);
        EXPECT_TRUE(tty.echoes());
        if (sig != SIGTSTP) continue;
        tty.send(SIGCONT);
        EXPECT_TRUE(tty.waitForEcho(false)) << "the password is typed on unseen";
        tty.send(SIGTERM);
        EXPECT_EQ(tty.waitForSignal(), SIGTERM);
        EXPECT_TRUE(tty.echoes());
    }
}
