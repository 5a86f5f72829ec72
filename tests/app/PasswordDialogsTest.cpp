#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/options/ChangePasswordDialog.h"
#include "app/options/OptionsPassword.h"
#include "app/options/PasswordPrompt.h"
#include "core/cipher/PasswordCipher.h"
#include "services/prompts/UnattendedPrompter.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace parlaro;
using testsupport::ScriptedPrompter;

namespace {

struct Passwords : testsupport::SettingsFixture {
    testsupport::TestApplication app;
    AppSettings settings;

    void setPassword(const QString& password) {
        settings.PW = EncipherPassword(password);
        globals.WriteSetting("PW", settings.PW);
    }
    QString stored() { return globals.ReadSetting("PW", ""); }
    // Both scopes as the store's files hold them.
    QString userPW() const { return QString::fromUtf8(userString("PW")); }
    QString machinePW() const { return QString::fromUtf8(machineString("PW")); }
};

struct Box {
    QString title;
    QString text;
    Icon icon;
};

void expectBoxes(const ScriptedPrompter& prompter, const std::vector<Box>& boxes) {
    ASSERT_EQ(prompter.shown.size(), boxes.size()) << prompter.shown.back().text.toStdString();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(prompter.shown[i].title, boxes[i].title) << i;
        EXPECT_EQ(prompter.shown[i].text, boxes[i].text) << i;
        EXPECT_EQ(prompter.shown[i].icon, boxes[i].icon) << i;
    }
}

const QString kMismatch =
    "The passwords you typed do not match.  Type the same password in both boxes.";

}  // namespace

TEST(PasswordPrompt, AcceptsOnlyTheStoredPasswordAndStaysOpenWithTheWrongOneSelected) {
    Passwords f;
    f.setPassword("Open Sesame");
    PasswordPrompt prompt(nullptr, f.globals, f.prompter);
    EXPECT_EQ(prompt.objectName(), "dlgPW");
    EXPECT_EQ(prompt.passwordBox()->objectName(), "txtPassword");
    EXPECT_EQ(prompt.passwordBox()->echoMode(), QLineEdit::Password);
    prompt.show();

    for (const char* wrong : {"open sesame", "", "Open Sesame "}) {
        prompt.passwordBox()->setText(wrong);
        prompt.findChild<QPushButton*>("cmdOK")->click();
        EXPECT_TRUE(prompt.isVisible()) << wrong;
        EXPECT_EQ(prompt.passwordBox()->selectedText(), wrong);
    }
    expectBoxes(f.prompter, {{"Login", "Invalid Password, try again!", Icon::None},
                             {"Login", "Invalid Password, try again!", Icon::None},
                             {"Login", "Invalid Password, try again!", Icon::None}});

    // The stored value is read afresh: a password changed meanwhile is the one asked for.
    f.setPassword("changed");
    prompt.passwordBox()->setText("Open Sesame");
    prompt.findChild<QPushButton*>("cmdOK")->click();
    EXPECT_TRUE(prompt.isVisible());
    prompt.passwordBox()->setText("changed");
    prompt.findChild<QPushButton*>("cmdOK")->click();
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_EQ(prompt.result(), QDialog::Accepted);
    EXPECT_EQ(f.prompter.shown.size(), 4u);

    PasswordPrompt cancelled(nullptr, f.globals, f.prompter);
    cancelled.show();
    cancelled.passwordBox()->setText("changed");
    cancelled.findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

TEST(ChangePasswordDialog, WithNoPasswordSetOnlyTheNewOneIsAskedFor) {
    Passwords f;
    ChangePasswordDialog dialog(nullptr, f.settings, f.globals, f.prompter);
    EXPECT_EQ(dialog.objectName(), "dlgChangePW");
    EXPECT_FALSE(dialog.currentBox()->isEnabled());
    EXPECT_FALSE(dialog.findChild<QLabel*>("lblCurrent")->isEnabled());
    for (QLineEdit* box : {dialog.currentBox(), dialog.newBox(), dialog.confirmBox()})
        EXPECT_EQ(box->echoMode(), QLineEdit::Password) << box->objectName().toStdString();
    EXPECT_EQ(dialog.newBox()->objectName(), "txtNew");
    EXPECT_EQ(dialog.confirmBox()->objectName(), "txtConfirm");

    dialog.show();
    dialog.newBox()->setText("abcd");
    dialog.confirmBox()->setText("abcd");
    dialog.findChild<QPushButton*>("cmdOK")->click();
    EXPECT_FALSE(dialog.isVisible());
    expectBoxes(f.prompter, {{"Parlaro", "Password changed", Icon::Information}});
    EXPECT_EQ(f.settings.PW.size(), 16);  // four characters make two blocks
    EXPECT_EQ(f.userPW(), f.settings.PW);
    EXPECT_EQ(f.machinePW(), f.settings.PW);
    EXPECT_TRUE(PasswordMatches(f.stored(), QString("abcd")));
}

// Each OK of the dialog over a set password "old": the messages, where the focus goes, and
// what is stored afterwards.
TEST(ChangePasswordDialog, EveryRuleOfOkTellsAndKeepsTheDialogOpen) {
    enum class Focus { None, Current, New };
    const struct Case {
        const char* name;
        QString current, fresh, confirm;
        std::deque<Answer> answers;
        std::vector<Box> boxes;
        Focus focus;
        std::optional<QString> nowStored;  // nothing: unchanged
    } cases[] = {
        {"current does not match",
         "olD",
         "new",
         "new",
         {},
         {{"Parlaro", "Current Password does not match", Icon::Exclamation}},
         Focus::Current,
         {}},
        {"new typed differently",
         "old",
         "new",
         "neW",
         {},
         {{"Parlaro", kMismatch, Icon::Exclamation}},
         Focus::New,
         {}},
        {"blank refused",
         "old",
         "",
         "",
         {Answer::No},
         {{"Parlaro", "Are you sure you want a blank password?", Icon::Question}},
         Focus::None,
         {}},
        // 119 characters fit the box, but not in 236 bytes of UTF-8.
        {"too long to read back",
         "old",
         QString(119, QChar(0xe9)),
         QString(119, QChar(0xe9)),
         {},
         {{"Parlaro", "The password is too long. Use at most 236 letters.", Icon::Exclamation}},
         Focus::New,
         {}},
        {"changed",
         "old",
         "new",
         "new",
         {},
         {{"Parlaro", "Password changed", Icon::Information}},
         Focus::None,
         "new"},
        {"blank wanted",
         "old",
         "",
         "",
         {Answer::Yes},
         {{"Parlaro", "Are you sure you want a blank password?", Icon::Question},
          {"Parlaro", "Password changed", Icon::Information}},
         Focus::None,
         ""},
        {"longest that fits",
         "old",
         QString(236, 'x'),
         QString(236, 'x'),
         {},
         {{"Parlaro", "Password changed", Icon::Information}},
         Focus::None,
         QString(236, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Passwords f;
        f.setPassword("old");
        const QString before = f.stored();
        f.prompter.answers = c.answers;
        ChangePasswordDialog dialog(nullptr, f.settings, f.globals, f.prompter);
        EXPECT_TRUE(dialog.currentBox()->isEnabled());
        dialog.show();
        dialog.confirmBox()->setFocus();
        dialog.currentBox()->setText(c.current);
        dialog.newBox()->setText(c.fresh);
        dialog.confirmBox()->setText(c.confirm);
        dialog.findChild<QPushButton*>("cmdOK")->click();
        expectBoxes(f.prompter, c.boxes);
        EXPECT_EQ(dialog.isVisible(), !c.nowStored.has_value());
        const QWidget* focus = c.focus == Focus::Current ? dialog.currentBox()
                               : c.focus == Focus::New   ? dialog.newBox()
                                                         : dialog.confirmBox();
        EXPECT_EQ(dialog.focusWidget(), focus);
        if (!c.nowStored) {
            EXPECT_EQ(f.stored(), before);
            EXPECT_EQ(f.settings.PW, before);
            continue;
        }
        // Even a blank password is stored enciphered, and the prompt then takes an empty entry.
        EXPECT_NE(f.stored(), before);
        EXPECT_FALSE(f.stored().isEmpty());
        EXPECT_EQ(f.settings.PW, f.stored());
        EXPECT_EQ(f.machinePW(), f.stored());
        EXPECT_TRUE(PasswordMatches(f.stored(), *c.nowStored));
        EXPECT_TRUE(PasswordCheck(f.globals, f.prompter).onOk(*c.nowStored));
        EXPECT_TRUE(PasswordCheck(f.globals, f.prompter).passwordSet());
    }
}

TEST(ChangePasswordDialog, AStoredValueThatDoesNotDecipherIsToldAsAnError) {
    Passwords f;
    f.settings.PW = QString(16, 'A');
    f.globals.WriteSetting("PW", f.settings.PW);
    ChangePasswordDialog dialog(nullptr, f.settings, f.globals, f.prompter);
    dialog.show();
    dialog.currentBox()->setText("anything");
    dialog.newBox()->setText("new");
    dialog.confirmBox()->setText("new");
    dialog.findChild<QPushButton*>("cmdOK")->click();
    expectBoxes(f.prompter, {{"Parlaro",
                              "There was an error processing the password change.  Windows "
                              "reported: 5, Incorrect size descriptor in Blowfish decryption",
                              Icon::Exclamation}});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(f.stored(), QString(16, 'A'));
    dialog.findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(OptionsPassword, SettingOnePasswordTwiceStoresTwoValuesThatBothOpenTheOptions) {
    Passwords f;
    f.setPassword("same");
    const QString first = f.stored();
    f.setPassword("same");
    EXPECT_NE(f.stored(), first);
    EXPECT_TRUE(PasswordMatches(first, QString("same")));
    EXPECT_TRUE(PasswordCheck(f.globals, f.prompter).onOk("same"));
    EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(OptionsPassword, ClearingAsksAndNoKeepsThePassword) {
    Passwords f;
    f.setPassword("keep");
    const QString before = f.stored();
    f.prompter.answers = {Answer::No, Answer::Yes};
    EXPECT_TRUE(offerToClearOptionsPassword(f.settings, f.globals, f.prompter));
    EXPECT_EQ(f.stored(), before);
    EXPECT_EQ(f.settings.PW, before);
    EXPECT_FALSE(offerToClearOptionsPassword(f.settings, f.globals, f.prompter));
    expectBoxes(f.prompter, {{"Parlaro", "Clear Options Password?", Icon::Question},
                             {"Parlaro", "Clear Options Password?", Icon::Question}});
    EXPECT_EQ(f.userString("PW"), "");
    EXPECT_EQ(f.machineString("PW"), "");
    EXPECT_EQ(f.settings.PW, "");
    EXPECT_TRUE(askOptionsPassword(nullptr, f.globals, f.prompter));  // no prompt at all
    EXPECT_EQ(f.prompter.shown.size(), 2u);
}

// Every byte value a ciphertext can hold comes back from the store as it went in, and a
// password enciphered into it still matches after the round trip.
TEST(OptionsPassword, PWPassesThroughTheSettingsStoreByteForByte) {
    Passwords f;
    for (int start = 0; start < 256; start += 64) {
        QString value;
        for (int b = start; b < start + 64; ++b)
            value += QChar(b);
        f.globals.WriteSetting("PW", value);
        // A second store over the same files: what a later start of the program reads.
        RegistryAccess again(f.store, f.prompter, "Parlaro");
        EXPECT_EQ(again.GetStringValue(f.paths.user, "PW", "", false).value, value) << start;
        EXPECT_EQ(again.GetStringValue(f.paths.machine, "PW", "", false).value, value) << start;
    }
    for (int i = 0; i < 50; ++i) {
        const QString password = "pw" + QString::number(i) + QString(i, QChar(0xe9));
        f.setPassword(password);
        EXPECT_TRUE(PasswordMatches(f.stored(), password)) << i;
    }
}

TEST(OptionsPassword, UnattendedThePromptIsALineWithoutThePasswordAndOnlyABlankOneOpens) {
    ASSERT_TRUE(UnattendedPrompter::requested()) << "the tests run unattended";
    Passwords f;
    EXPECT_TRUE(askOptionsPassword(nullptr, f.globals, f.prompter));
    EXPECT_TRUE(f.prompter.shown.empty()) << "no password, no prompt";

    f.setPassword("hunter2");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    UnattendedPrompter unattended(out.get());
    EXPECT_FALSE(askOptionsPassword(nullptr, f.globals, unattended));
    EXPECT_TRUE(changeOptionsPassword(nullptr, f.settings, f.globals, unattended));
    std::rewind(out.get());
    std::string lines(4096, '\0');
    lines.resize(std::fread(lines.data(), 1, lines.size(), out.get()));
    EXPECT_EQ(lines,
              "PARLARO-MESSAGE [Login] Enter the options password:\n"
              "PARLARO-MESSAGE [Login] Invalid Password, try again!\n"
              "PARLARO-MESSAGE [Change Options Password] The options password can be changed "
              "only by someone at the screen.\n");
    EXPECT_TRUE(PasswordMatches(f.stored(), QString("hunter2")));

    f.prompter.answers = {Answer::Cancel};
    EXPECT_FALSE(askOptionsPassword(nullptr, f.globals, f.prompter));
    expectBoxes(f.prompter, {{"Login", "Enter the options password:", Icon::None}});

    f.setPassword("");
    EXPECT_TRUE(askOptionsPassword(nullptr, f.globals, f.prompter));
}

namespace {

struct Window {
    StartupEnvironment env;
    struct : Clock {
        QDateTime now() const override { return QDateTime(QDate(2005, 3, 14), QTime(9, 30)); }
    } clock;
    MainWindow w;

    explicit Window(Passwords& f)
        : env{QString::fromStdString(f.dir.file("prog")), true,
              QString::fromStdString(f.dir.file("data")), "", [] { return QByteArray("ann"); }},
          w(f.globals, f.reg, f.prompter, env, clock) {
        w.Load();
        f.prompter.shown.clear();
    }
};

// Someone at the screen: the dialogs are shown, not written as lines.
struct Attended {
    Attended() { ::setenv("PARLARO_UNATTENDED", "0", 1); }
    ~Attended() { ::setenv("PARLARO_UNATTENDED", "1", 1); }
    Attended(const Attended&) = delete;
    Attended& operator=(const Attended&) = delete;
};

// Runs `step` on the modal dialog that opens next.
void onNextModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        step(modal);
    });
}

}  // namespace

TEST(OptionsPassword, TheOptionsPasswordButtonSetsThePasswordTheWindowThenAsksFor) {
    Passwords f;
    Window win(f);
    const Attended attended;
    bool checked = false;
    onNextModal([&](QWidget* options) {
        EXPECT_EQ(options->objectName(), "frmOptions");
        onNextModal([](QWidget* change) {
            ASSERT_EQ(change->objectName(), "dlgChangePW");
            change->findChild<QLineEdit*>("txtNew")->setText("staff only");
            change->findChild<QLineEdit*>("txtConfirm")->setText("staff only");
            change->findChild<QPushButton*>("cmdOK")->click();
        });
        options->findChild<QPushButton*>("btnPW")->click();
        checked = options->findChild<QCheckBox*>("chkPassword")->isChecked();
        options->findChild<QPushButton*>("cmdClose")->click();
    });
    win.w.controller().onOptions();
    EXPECT_TRUE(checked);
    expectBoxes(f.prompter, {{"Parlaro", "Password changed", Icon::Information}});
    EXPECT_TRUE(PasswordMatches(f.stored(), QString("staff only")));

    // Now the options open only through the prompt.
    bool opened = false;
    onNextModal([&](QWidget* prompt) {
        ASSERT_EQ(prompt->objectName(), "dlgPW");
        onNextModal([&](QWidget* options) {
            opened = options->objectName() == "frmOptions";
            options->findChild<QPushButton*>("cmdClose")->click();
        });
        prompt->findChild<QLineEdit*>("txtPassword")->setText("staff only");
        prompt->findChild<QPushButton*>("cmdOK")->click();
    });
    win.w.controller().onOptions();
    EXPECT_TRUE(opened);
}

TEST(OptionsPassword, TheWindowsOptionsStayClosedWhenThePromptIsCancelled) {
    Passwords f;
    f.setPassword("locked");
    Window win(f);
    f.prompter.answers = {Answer::Cancel};
    win.w.controller().onOptions();
    // Only the prompt was shown: no options dialog, and the window is ready again.
    expectBoxes(f.prompter, {{"Login", "Enter the options password:", Icon::None}});
    EXPECT_FALSE(win.w.controller().optionsOpen());
    EXPECT_EQ(win.w.panelText(1), "Ready - Manual Recording");
}
