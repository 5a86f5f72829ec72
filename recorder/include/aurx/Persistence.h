// Design-time persistence: the bytes a host keeps with its form so that a control comes back
// with the extent and the thirteen design-time properties it was saved with. Saving reads the
// getters; loading goes through the setters, so a stored value the control would refuse
// stops the load. The storage form keeps the same bytes as the stream "Contents" of a small
// container file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "aurx/AURX300Ctrl.h"
#include "aurx/aurx_export.h"

namespace aurx {

// The layout version this control writes; a stream of a later version is not loaded.
inline constexpr std::uint32_t kDesignStateVersion = 768;

// The stream: version word, the two extents (HIMETRIC), then BackColor, LowColor, MidColor,
// HighColor, NumSegments, Orientation, Style, SampleRate, NumChannels, BitsPerSample,
// PreToneDuration, PostToneDuration and RecordTimeLimit, each as a 16-bit variant type code
// followed by its value, all little-endian.
AURX_EXPORT std::vector<std::uint8_t> saveDesignState(const AURX300Ctrl& control);

// False when the version is later than ours (nothing is set), when the stream ends early or
// holds a value of the wrong type, or when the control refuses a value. The load stops at the
// first such item; the extent and the properties before it keep their loaded values. Bytes
// after the last property are not read.
AURX_EXPORT bool loadDesignState(AURX300Ctrl& control, std::span<const std::uint8_t> stream);

// The storage form: a file holding named streams, the design state being the stream
// "Contents". Layout (little-endian): the eight bytes "AURXSTG1", a 32-bit stream count, then
// per stream a 16-bit name length, the name (UTF-8), a 32-bit data length and the data.
// Saving replaces the file as a whole, so a failed save leaves the old one intact.
inline constexpr char kDesignStreamName[] = "Contents";
AURX_EXPORT bool saveDesignStorage(const AURX300Ctrl& control, const std::filesystem::path& file);
// False when the file cannot be read, is not a storage file, has no "Contents" stream, or
// that stream does not load.
AURX_EXPORT bool loadDesignStorage(AURX300Ctrl& control, const std::filesystem::path& file);

// A stream kept in a file of its own, as aurx-host saves it. False, with nothing read and
// nothing set, when the file is not a regular file (a folder, a FIFO, a device), is larger than
// any stream or storage file could be, or cannot be read; otherwise as loadDesignState.
AURX_EXPORT bool loadDesignStateFile(AURX300Ctrl& control, const std::filesystem::path& file);

}  // namespace aurx
