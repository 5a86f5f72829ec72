// SIGTERM and SIGINT delivered as a Qt signal on the GUI thread, counting how many came.
#pragma once

#include "platform/posix/UniqueFd.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace parlaro {

class SignalBridge : public QObject {
    Q_OBJECT
  public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

  signals:
    void terminationRequested(int count);

  private:
    aurx::posix::UniqueFd readEnd_;
    aurx::posix::UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int count_ = 0;
};

}  // namespace parlaro
