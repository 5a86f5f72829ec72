// What the tests of the control's Qt face share: an application object (offscreen), a wait
// that runs the event loop until something has happened, and a control on virtual devices
// that plays a given line as fast as it is captured.
#pragma once

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/wave/VirtualDevices.h"
#include "recorder/control/ControlEnvironment.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace testsupport {

struct QtApp {
    int argc = 1;
    char name[8] = "test";
    char* argv[2] = {name, nullptr};
    // No display in tests, whatever the environment says.
    bool offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0;
    QApplication app{argc, argv};
};

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || timer.elapsed() >= ms) loop.quit();
    });
    poll.start();
    if (!done()) loop.exec();
    return done();
}

// A control on virtual devices whose line plays `samples` (16-bit, mono, 8000 Hz), looped if
// asked.
inline std::unique_ptr<aurx::AURX300Ctrl> lineControl(const TempDir& dir,
                                                      const std::vector<std::int16_t>& samples,
                                                      bool loop) {
    aurx::wave::VirtualConfig config;
    config.lineIn = dir.file("line.wav");
    config.loop = loop;
    // In real time, as a sound card delivers: a fast line floods the host with level reports
    // faster than any window handles them, which tells nothing about a widget.
    config.pacing = aurx::wave::Pacing::Realtime;
    writePcm16Wav(config.lineIn, samples, 8000, 1);
    auto environment = aurx::ControlEnvironment::standard();
    environment.devices = aurx::wave::makeVirtualDevices(config);
    return std::make_unique<aurx::AURX300Ctrl>(std::move(environment));
}

inline QColor pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

}  // namespace testsupport
