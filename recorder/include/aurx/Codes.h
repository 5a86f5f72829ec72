// The numbers the recorder control shares with its hosts, by name. Their values are fixed:
// Status, the error codes, the stop causes and the sample codings cross the control's
// interface as integers (properties, errorCode out-parameters, the stop events, the saved
// design state), so they become numbers there, through wire(), and nowhere else.
#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>

namespace aurx {

// What the control is doing; a file is open in the last three.
enum class Status : std::int16_t {
    Created = 0,  // not reset yet
    Ready = 1,    // no file open
    FileOpen = 2,
    Recording = 3,
    Playing = 4,
};

constexpr bool hasFile(Status s) {
    return s == Status::FileOpen || s == Status::Recording || s == Status::Playing;
}

// Returned through errorCode out-parameters and kept in LastError.
enum class ErrorCode : std::int16_t {
    Ok = 0,
    InputFormatRefused = 1,   // default input device cannot record the preferred format
    CannotOpenFile = 2,       // file cannot be opened or created, or read while opening
    CannotWriteHeader = 3,    // header chunks of a new file cannot be written
    NotWaveFile = 4,          // RIFF, "fmt " or "data" missing or unreadable
    UnsupportedFormat = 5,    // rate off the list, no codec, codec streams fail
    NoWorker = 6,             // the worker thread is missing
    WrongState = 7,           // the control is in the wrong state for the operation
    WriteFailed = 8,          // writing failed during recording
    InputNotStarted = 9,      // input device could not be started
    OutputNotStarted = 10,    // output device could not be started
    ReadFailed = 11,          // reading failed during playback
    LaunchFailed = 12,        // mixer program not started; failed re-pack copy
    RecordLimitReached = 13,  // recording limit reached
    NoFormatSize = 14,        // codec manager cannot report its largest format size
    ChooserCancelled = 15,    // format chooser cancelled or failed
    NoDescription = 16,       // no description for the format
    NoAcmFormat = 17,         // BitsPerSample 100 without a usable compression format
    PlayOnlyRefused = 18,     // refused in PlayOnly mode
};

// Why a recording or a playback ended, as its stop event reports it. A cause other than
// Requested is also kept in LastError, as the error code of the same number.
enum class StopCause : std::int16_t {
    Requested = 0,  // Stop or Reset, or playback reached the end of the data
    WriteFailed = 8,
    InputLost = 9,    // the input device went away
    OutputLost = 10,  // the output device went away or could not play the end
    ReadFailed = 11,
    LimitReached = 13,
};

constexpr ErrorCode errorOf(StopCause cause) {
    return static_cast<ErrorCode>(cause);
}
static_assert(errorOf(StopCause::WriteFailed) == ErrorCode::WriteFailed);
static_assert(errorOf(StopCause::InputLost) == ErrorCode::InputNotStarted);
static_assert(errorOf(StopCause::OutputLost) == ErrorCode::OutputNotStarted);
static_assert(errorOf(StopCause::ReadFailed) == ErrorCode::ReadFailed);
static_assert(errorOf(StopCause::LimitReached) == ErrorCode::RecordLimitReached);

// BitsPerSample: linear PCM by its sample size, or one of the special format codes.
enum class SampleCoding : std::int16_t {
    Pcm8 = 8,
    Pcm16 = 16,
    Compressed = 100,  // the codec format held in AcmFormat
    ALaw = 106,        // 8-bit A-law, recorded from 16-bit PCM
    MuLaw = 107,       // 8-bit µ-law, recorded from 16-bit PCM
};

// The coding a BitsPerSample value names; nothing for any other value.
constexpr std::optional<SampleCoding> sampleCodingOf(std::int16_t bits) {
    switch (static_cast<SampleCoding>(bits)) {
        case SampleCoding::Pcm8:
        case SampleCoding::Pcm16:
        case SampleCoding::Compressed:
        case SampleCoding::ALaw:
        case SampleCoding::MuLaw:
            return static_cast<SampleCoding>(bits);
    }
    return std::nullopt;
}

// The level, in dB, that stands for silence (and for no measurement) wherever levels are
// reported.
inline constexpr float kSilentLevel = -9999;

// The number a value crosses the control's interface as.
template <class E>
requires std::is_enum_v<E>
constexpr std::underlying_type_t<E> wire(E value) {
    return static_cast<std::underlying_type_t<E>>(value);
}

}  // namespace aurx
