// Controls for the interoperability tests, on the virtual devices so that no sound hardware
// decides which formats open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "aurx/AURX300Ctrl.h"

namespace interop {

std::unique_ptr<aurx::AURX300Ctrl> makeControl();

// The stored compression format, as AcmFormat reads back.
std::vector<std::uint8_t> acmFormatOf(const aurx::AURX300Ctrl& control);

// The format tag of the open file as the control's properties tell it: from BitsPerSample for
// PCM and G.711, from the installed compression format for 100.
std::uint16_t openFormatTag(const aurx::AURX300Ctrl& control);

// Opens `path` through OpenExistingOrNewFile with the given DataOnly mode; the error code.
std::int16_t openExisting(aurx::AURX300Ctrl& control, const std::string& path,
                          std::int16_t dataOnly = 0, std::int16_t playOnly = 0);

}  // namespace interop
