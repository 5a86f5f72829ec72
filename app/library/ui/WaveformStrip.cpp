#include "app/library/ui/WaveformStrip.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace parlaro {

namespace {
constexpr double kSecondsPerPoint = 0.05;
}

WaveformStrip::WaveformStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("picWaveform");
    setMinimumHeight(36);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip("Loudness of the call; click to play from there");
    setCursor(Qt::PointingHandCursor);
}

WaveformStrip::~WaveformStrip() {
    abandon();
}

void WaveformStrip::abandon() {
    if (stop_) stop_->store(true);
    if (reader_.joinable()) reader_.join();
    stop_.reset();
}

void WaveformStrip::showCall(const QString& path, double totalSeconds) {
    abandon();
    ++generation_;
    wave_ = {};
    ready_ = false;
    total_ = totalSeconds;
    position_ = 0;
    update();
    if (path.isEmpty()) return;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    reader_ = std::thread([this, path, stop = stop_, generation = generation_] {
        auto result = ComputeWaveform(path, kSecondsPerPoint, *stop);
        if (!result || stop->load()) return;
        // Handed to the window's thread; a reading that was abandoned meanwhile is dropped.
        QMetaObject::invokeMethod(
            this,
            [this, generation, wave = std::move(*result)]() mutable {
                if (generation != generation_) return;
                wave_ = std::move(wave);
                ready_ = true;
                update();
            },
            Qt::QueuedConnection);
    });
}

void WaveformStrip::setPosition(double seconds) {
    position_ = seconds;
    update();
}

void WaveformStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const int w = width(), h = height();
    if (ready_ && !wave_.peaks.empty()) {
        const double pointsPerPixel = static_cast<double>(wave_.peaks.size()) / w;
        p.setPen(palette().highlight().color());
        for (int x = 0; x < w; ++x) {
            const auto from = static_cast<std::size_t>(x * pointsPerPixel);
            const auto to = std::max(from + 1, static_cast<std::size_t>((x + 1) * pointsPerPixel));
            float peak = 0;
            for (std::size_t i = from; i < to && i < wave_.peaks.size(); ++i)
                peak = std::max(peak, wave_.peaks[i]);
            const int bar = std::max(1, static_cast<int>(peak * (h - 2)));
            p.drawLine(x, (h - bar) / 2, x, (h + bar) / 2);
        }
    }
    if (total_ > 0) {
        p.setPen(palette().text().color());
        const int x = static_cast<int>(position_ / total_ * w);
        p.drawLine(x, 0, x, h);
    }
    p.setPen(palette().mid().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void WaveformStrip::mousePressEvent(QMouseEvent* event) {
    if (total_ <= 0 || width() <= 0) return;
    const double at = std::clamp(event->position().x() / width(), 0.0, 1.0) * total_;
    emit seekRequested(at);
}

}  // namespace parlaro
