// An AurxWidget whose control listens to a virtual line on a clock that the gallery advances
// by hand: the meter shows the line's level and holds it still while the picture is taken.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "platform/wave/VirtualClock.h"
#include "recorder/qt/AurxWidget.h"

namespace gallery {

class LiveMeter {
  public:
    // `lineFile` empty: a silent line.
    LiveMeter(QWidget* parent, const QString& lineFile);
    LiveMeter(const LiveMeter&) = delete;
    LiveMeter& operator=(const LiveMeter&) = delete;
    ~LiveMeter();

    aurxqt::AurxWidget& widget() const { return *widget_; }
    // Records paused (measuring, writing nothing) for a few buffers of the line; false when
    // the control refuses.
    bool listen(short channels);

  private:
    std::shared_ptr<aurx::wave::ManualClock> clock_ = std::make_shared<aurx::wave::ManualClock>();
    QPointer<aurxqt::AurxWidget> widget_;  // owned by its parent
};

}  // namespace gallery
