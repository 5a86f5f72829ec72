#include "tools/meter-gallery/LiveMeter.h"

#include "platform/wave/VirtualDevices.h"

namespace gallery {
namespace {

aurx::ControlEnvironment environment(const QString& lineFile,
                                     std::shared_ptr<wave::ManualClock> clock) {
    wave::VirtualConfig config;
    config.lineIn = lineFile.toStdString();
    config.loop = true;
    config.pacing = wave::Pacing::Manual;
    config.clock = std::move(clock);
    // Virtual devices only: the gallery must look the same on every machine.
    return aurx::ControlEnvironment{wave::makeVirtualDevices(std::move(config)),
                                    codecs::Manager::standard(), nullptr, true};
}

}  // namespace

LiveMeter::LiveMeter(QWidget* parent, const QString& lineFile)
    : widget_(new aurxqt::AurxWidget(environment(lineFile, clock_), parent)) {}

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
    clock_->steps(wave::Direction::Input, 2);
    w.control().processNotifications();
    return true;
}

}  // namespace gallery
