// The meter renderer that aurx-host loads when a script first asks for a picture, so that
// recording and playing from the command line do not load Qt's libraries (a third of the
// program's start-up).
#pragma once

#include "aurx/AURX300Ctrl.h"

// The module's file name.
#define AURX_HOST_METER_MODULE "aurx-host-meter.so"
#define AURX_HOST_METER_ENTRY "aurxHostRenderMeter"

// Draws the control's meter into a width x height PNG file; false when it cannot.
extern "C" using AurxHostRenderMeter =
    bool(const aurx::AURX300Ctrl& control, int width, int height, const char* path);
