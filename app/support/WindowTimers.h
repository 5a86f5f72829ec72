// The main window's timers, each under its own name (Detection, tmrVoxLatch, tmrTimeStamp,
// tmrAddNote, tmrPlaybackPos). The controllers start and stop them through Timers; the window
// connects each to the procedure named after it.
#pragma once

#include "app/recording/RecordingView.h"

#include <QObject>

#include <map>

class QTimer;

namespace parlaro {

class WindowTimers final : public QObject, public Timers {
  public:
    explicit WindowTimers(QObject* parent);

    QTimer& operator[](MainTimer which) const { return *timers_.at(which); }
    void stopAll();

    // Timers
    void start(MainTimer which) override;
    void stop(MainTimer which) override;
    bool isActive(MainTimer which) const override;

  private:
    std::map<MainTimer, QTimer*> timers_;
};

}  // namespace parlaro
