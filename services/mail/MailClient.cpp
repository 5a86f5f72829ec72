#include "services/mail/MailClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace parlaro::mail {

namespace {

// xdg-email's exit codes for a client or tool that cannot be found.
constexpr int kToolMissing = 3;

QString reasonFrom(QProcess& process) {
    QString text = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (text.startsWith("xdg-email: ")) text = text.mid(11);
    if (!text.isEmpty()) return text;
    return "xdg-email ended with code " + QString::number(process.exitCode());
}

}  // namespace

QStringList xdgEmailArguments(const Message& message) {
    // --utf8: the texts are UTF-8 whatever the session's locale says.
    QStringList args{"--utf8", "--subject", message.subject, "--body", message.body};
    for (const QString& file : message.attachments)
        args << "--attach" << file;
    return args;
}

Result compose(const Message& message, std::chrono::milliseconds handOver) {
    // Owned by the application, so that a client still running after the hand-over is not
    // killed with it; it deletes itself when it ends.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram("xdg-email");
    process->setArguments(xdgEmailArguments(message));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());

    QEventLoop loop;
    bool ended = false;
    bool failedToStart = false;
    QObject::connect(process, &QProcess::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    QObject::connect(process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        failedToStart = true;
        loop.quit();
    });
    QTimer::singleShot(handOver, &loop, &QEventLoop::quit);
    process->start();
    if (!failedToStart && !ended) loop.exec();

    Result result;
    if (failedToStart) {
        result = {Failure::Starting, "xdg-email could not be started: " + process->errorString()};
    } else if (!ended) {
        // Still running: the client has the message in its window.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return result;
    } else if (process->exitStatus() != QProcess::NormalExit) {
        result = {Failure::Sending, "xdg-email stopped unexpectedly"};
    } else if (process->exitCode() == kToolMissing) {
        result = {Failure::Starting, reasonFrom(*process)};
    } else if (process->exitCode() != 0) {
        result = {Failure::Sending, reasonFrom(*process)};
    }
    process->deleteLater();
    return result;
}

}  // namespace parlaro::mail
