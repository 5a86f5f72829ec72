// Composing a message in the desktop's mail client: subject, body and attachments go to
// xdg-email as an argument vector (never through a shell), and the client's compose window
// lets the user edit, send or cancel it.
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

namespace parlaro::mail {

struct Message {
    QString subject;
    QString body;
    QStringList attachments;  // full paths
};

// Where a failure happened: no mail client could be reached, or the client refused the
// message (an attachment missing or unreadable, the client failing).
enum class Failure { None, Starting, Sending };

struct Result {
    Failure failure = Failure::None;
    QString description;
    bool ok() const { return failure == Failure::None; }
};

// The arguments given to xdg-email for a message, in order.
QStringList xdgEmailArguments(const Message& message);

// Runs xdg-email (found on PATH) and waits for its verdict while the caller's event loop goes
// on. Some clients keep xdg-email running until their window closes: once `handOver` has
// passed, the message counts as handed over and the client is left running.
Result compose(const Message& message,
               std::chrono::milliseconds handOver = std::chrono::milliseconds(15000));

}  // namespace parlaro::mail
