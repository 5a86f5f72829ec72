// Today and now, replaceable in tests.
#pragma once

#include <QDateTime>

#include <chrono>

namespace parlaro {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that never jumps, for measuring spans.
    virtual qint64 steadyMs() const { return now().toMSecsSinceEpoch(); }
};

class SystemClock final : public Clock {
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 steadyMs() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace parlaro
