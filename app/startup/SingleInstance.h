// One Parlaro per user: the first instance holds a lock file and listens on a local socket; a
// later one asks it to restore and raise its window, then ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

namespace parlaro {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // folder: where the lock and the socket live (the user's runtime folder).
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);

    // The per-user folder for the lock and socket: $XDG_RUNTIME_DIR, else the temporary folder.
    static QString defaultFolder();

    // True when no other instance runs; this one then takes the role and listens.
    bool claim();
    // Asks the running instance to come to the front. True when it answered, and this
    // instance should end.
    bool ActivatePreviousInstance();

  signals:
    void activationRequested();

  private:
    QString socketPath_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace parlaro
