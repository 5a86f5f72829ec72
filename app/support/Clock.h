// Today and now, replaceable in tests.
#pragma once

#include <QDateTime>

namespace parlaro {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

}  // namespace parlaro
