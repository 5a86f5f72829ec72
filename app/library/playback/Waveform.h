// The loudness of a call over time, for the strip above the playback slider: the peak of
// every short stretch, read from the decoded call file. It runs on a background thread and
// can be asked to stop.
#pragma once

#include <QString>

#include <atomic>
#include <optional>
#include <vector>

namespace parlaro {

struct Waveform {
    double secondsPerPoint = 0;
    std::vector<float> peaks;  // 0 (silence) to 1 (full scale), one per stretch
};

// Nothing when the file is not a WAV or MP3 file the codecs can decode, or when `stop` was
// set.
std::optional<Waveform> ComputeWaveform(const QString& path, double secondsPerPoint,
                                        const std::atomic<bool>& stop);

}  // namespace parlaro
