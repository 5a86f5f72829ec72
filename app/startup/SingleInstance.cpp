#include "app/startup/SingleInstance.h"

#include "core/settings/RuntimeFolder.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace parlaro {

namespace {
constexpr QByteArrayView kRaise = "raise\n";
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent),
      socketPath_(folder + "/parlaro-" + QString::number(::geteuid()) + ".socket"),
      lock_(folder + "/parlaro-" + QString::number(::geteuid()) + ".lock") {
    // The lock is held for the whole run; only a dead holder's lock is stale.
    lock_.setStaleLockTime(0);
}

QString SingleInstance::defaultFolder() {
    return runtimeFolder();
}

bool SingleInstance::claim() {
    if (!lock_.tryLock(0)) return false;
    QLocalServer::removeServer(socketPath_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains("raise")) emit activationRequested();
                peer->disconnectFromServer();
            });
        }
    });
    server_->listen(socketPath_);
    return true;
}

bool SingleInstance::ActivatePreviousInstance() {
    // The running instance may still be starting: give it a few seconds to listen.
    for (int attempt = 0; attempt < 30; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(200)) {
            socket.write(kRaise.data(), kRaise.size());
            socket.waitForBytesWritten(1000);
            socket.waitForDisconnected(1000);
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

}  // namespace parlaro
