#include <gtest/gtest.h>

#include "services/mail/MailClient.h"
#include "tests/app/FakeXdgEmail.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>

using testsupport::FakeXdgEmail;

TEST(MailClient, TheMessageReachesXdgEmailAsOneArgumentEach) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    FakeXdgEmail fake;
    const QString odd =
        QString::fromStdString(fake.dir.file("it's a \"call\"\n$(touch pwned); `x`.wav"));
    const QString spaced = QString::fromStdString(fake.dir.file("two words.wav"));
    const parlaro::mail::Message message{
        "Subject with 'quotes'", "Body\n\nline \"two\" $HOME", {odd, spaced}};

    const parlaro::mail::Result result = parlaro::mail::compose(message);
    EXPECT_TRUE(result.ok()) << result.description.toStdString();
    EXPECT_EQ(fake.arguments(), (QStringList{"--utf8", "--subject", message.subject, "--body",
                                             message.body, "--attach", odd, "--attach", spaced}));
    // Nothing was read by a shell.
    EXPECT_FALSE(QFile::exists("pwned"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(fake.dir.file("pwned"))));
}

TEST(MailClient, FailuresAreToldWithTheirStage) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    struct Case {
        const char* script;  // the fake's body after recording its arguments
        parlaro::mail::Failure failure;
        QString description;
    } cases[] = {
        {"echo \"xdg-email: file '/x.wav' does not exist\" >&2; exit 2",
         parlaro::mail::Failure::Sending, "file '/x.wav' does not exist"},
        {"echo 'xdg-email: no method available for opening mailto:' >&2; exit 3",
         parlaro::mail::Failure::Starting, "no method available for opening mailto:"},
        {"exit 4", parlaro::mail::Failure::Sending, "xdg-email ended with code 4"},
        {"kill -9 $$", parlaro::mail::Failure::Sending, "xdg-email stopped unexpectedly"},
        // A client that keeps xdg-email waiting has the message once the hand-over passes.
        {"sleep 5", parlaro::mail::Failure::None, ""},
    };
    for (const Case& c : cases) {
        FakeXdgEmail fake(c.script);
        const auto started = std::chrono::steady_clock::now();
        const parlaro::mail::Result result =
            parlaro::mail::compose({"s", "b", {}}, std::chrono::milliseconds(500));
        EXPECT_EQ(result.failure, c.failure) << c.script;
        EXPECT_EQ(result.description, c.description) << c.script;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4)) << c.script;
    }
    // No xdg-email at all.
    FakeXdgEmail none;
    none.remove();
    const parlaro::mail::Result result = parlaro::mail::compose({"s", "b", {}});
    EXPECT_EQ(result.failure, parlaro::mail::Failure::Starting);
}
