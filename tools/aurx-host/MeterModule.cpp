#include "tools/aurx-host/MeterModule.h"

#include <QString>

#include "recorder/qt/MeterRender.h"

extern "C" __attribute__((visibility("default"))) bool aurxHostRenderMeter(
    const aurx::AURX300Ctrl& control, int width, int height, const char* path) {
    return aurxqt::renderMeterPng(control, width, height, QString::fromUtf8(path));
}

// The module's entry has the type the program calls it through.
static_assert(std::is_same_v<decltype(aurxHostRenderMeter), AurxHostRenderMeter>);
