// The strip above the playback slider showing the open call's loudness over time. The
// waveform is computed on a background thread, so the window never waits for it; a click
// asks to move playback there.
#pragma once

#include "app/library/playback/Waveform.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <thread>

namespace parlaro {

class WaveformStrip final : public QWidget {
    Q_OBJECT
  public:
    explicit WaveformStrip(QWidget* parent = nullptr);
    ~WaveformStrip() override;

    // Starts reading `path` ("" clears the strip); an earlier reading is abandoned.
    void showCall(const QString& path, double totalSeconds);
    void setPosition(double seconds);
    // The waveform once it has been read (empty until then).
    const Waveform& waveform() const { return wave_; }
    bool ready() const { return ready_; }

  signals:
    void seekRequested(double seconds);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void abandon();

    Waveform wave_;
    bool ready_ = false;
    double total_ = 0;
    double position_ = 0;
    unsigned generation_ = 0;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::thread reader_;
};

}  // namespace parlaro
