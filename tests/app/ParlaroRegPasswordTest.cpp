#include <gtest/gtest.h>

#include "app/settings/PasswordCipher.h"
#include "tests/app/SettingsFixture.h"
#include "tests/support/ProcessRunner.h"

#include <QProcess>

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
    RegRun operator()(const QString& command, const QString& keyPath, const QByteArray& input) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("config")));
        env.insert("XDG_CONFIG_DIRS", QString::fromStdString(dir.file("xdg")));
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(testsupport::program("parlaro-reg")), {command, keyPath});
        p.write(input);
        p.closeWriteChannel();
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
    EXPECT_EQ(reg.at(registry::Root::CurrentUser, "PW").found, registry::Lookup::Found::NoValue);
    EXPECT_EQ(reg("set-password", kUser, QByteArray(236, 'x') + "\n").status, 0);
    EXPECT_EQ(reg("check-password", kUser, QByteArray(236, 'x')).status, 0);

    EXPECT_EQ(reg("set-password", kUser, "").status, 2);
    EXPECT_EQ(reg("check-password", kUser, QByteArray(236, 'x')).status, 0) << "left as it was";

    // A damaged value matches nothing, not even nothing.
    reg.userSets("PW", registry::RegistryValue::string("not a ciphertext"));
    EXPECT_EQ(reg("check-password", kUser, "not a ciphertext\n").status, 1);
    EXPECT_EQ(reg("check-password", kUser, "\n").status, 1);

    // A blank password is a password: only the empty line matches it.
    ASSERT_EQ(reg("set-password", kUser, "\n").status, 0);
    EXPECT_EQ(reg("check-password", kUser, "\n").status, 0);
    EXPECT_EQ(reg("check-password", kUser, " \n").status, 1);

    EXPECT_EQ(reg("check-password", "SOFTWARE\\Parlaro", "x\n").status, 2);
}
