// Creating and opening the control's audio file: new WAV and data-only files in PCM, G.711 or
// the compression format; existing WAV files, data-only files with or without a skipped
// header, and raw MPEG Layer III streams. Results carry the control's error codes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "recorder/Codes.h"
#include "recorder/store/AudioFile.h"

namespace aurx::store {

// The control's preferences at the time of the open.
struct FileRequest {
    std::string path;
    bool playOnly = false;
    std::int16_t dataOnly = 0;
    aurx::SampleCoding coding = aurx::SampleCoding::Pcm16;
    std::uint32_t sampleRate = 44100;
    std::uint16_t channels = 2;
};

// What opening asks of the control's compression format.
class FormatHost {
  public:
    virtual ~FormatHost() = default;
    // Offers a file's own format as the control's compression format, with the codec checks.
    virtual bool offerFileFormat(std::span<const std::uint8_t> block) = 0;
    // The compression set-up for the control's current compression format: Ok,
    // UnsupportedFormat or NoAcmFormat.
    virtual aurx::ErrorCode setUpCompression(CompressedInfo& out) = 0;
};

struct OpenOutcome {
    aurx::ErrorCode code = aurx::ErrorCode::Ok;
    std::unique_ptr<AudioFile> file;
};

bool isAcceptedRate(std::uint32_t rate);

// A new file at `path` (created or truncated).
OpenOutcome createFile(const FileRequest& request, FormatHost& formats);
// An existing file at `path`.
OpenOutcome openFile(const FileRequest& request, FormatHost& formats);

// A new empty file with a unique name "AUR…" in `directory`; its path, or empty on failure.
std::string makeUniqueFile(const std::string& directory);
// $TMPDIR, else /tmp, with a trailing "/".
std::string temporaryDirectory();

}  // namespace aurx::store
