#include "tools/meter-gallery/LiveMeter.h"

#include "platform/codecs/CodecManager.h"
#include "platform/wave/VirtualDevices.h"
#include "recorder/control/ControlEnvironment.h"

namespace gallery {
namespace {

aurx::ControlEnvironment environment(const QString& lineFile,
                                     std::shared_ptr<aurx::wave::ManualClock> clock) {
    aurx::wave::VirtualConfig config;
    config.lineIn = lineFile.toStdString();
    config.loop = true;
    config.pacing = aurx::wave::Pacing::Manual;
    config.clock = std::move(clock);
    // Virtual devices only: the gallery must look the same on every machine.
    return aurx::ControlEnvironment{aurx::wave::makeVirtualDevices(std::move(config)),
                                    aurx::codecs::Manager::standard(), nullptr, true};
}

}  // namespace

LiveMeter::LiveMeter(QWidget* parent, const QString& lineFile)
    : widget_(new aurxqt::AurxWidget(
          std::make_unique<aurx::AURX300Ctrl>(environment(lineFile, clock_)), parent)) {}

LiveMeter::~LiveMeter() {
    // The widget may outlive this object in its parent; its recording ends here.
    if (widget_) widget_->Reset();
}

bool LiveMeter::listen(short channels) {
    aurxqt::AurxWidget& w = *widget_;
    if (w.Reset() != 0 || !w.setSampleRate(8000) || !w.setNumChannels(channels) ||
        !w.setBitsPerSample(16) || !w.setPaused(1) || w.OpenTemporaryFile() != 0 ||
        w.StartRecording() != 0)
        return false;
    // A couple of buffers, so that the meter shows the line and not the value a start leaves.
    clock_->steps(aurx::wave::Direction::Input, 2);
    w.control().processNotifications();
    return true;
}

}  // namespace gallery
