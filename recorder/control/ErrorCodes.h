// The control's error codes, returned through `errorCode` out-parameters, kept in LastError
// and passed by the stop events.
#pragma once

#include <cstdint>

namespace aurx {

enum ErrorCode : std::int16_t {
    kOk = 0,
    kInputFormatRefused = 1,   // default input device cannot record the preferred format
    kCannotOpenFile = 2,       // file cannot be opened or created, or read while opening
    kCannotWriteHeader = 3,    // header chunks of a new file cannot be written
    kNotWaveFile = 4,          // RIFF, "fmt " or "data" missing or unreadable
    kUnsupportedFormat = 5,    // rate off the list, no codec, codec streams fail
    kNoWorker = 6,             // the worker thread is missing
    kWrongState = 7,           // the control is in the wrong state for the operation
    kWriteFailed = 8,          // writing failed during recording
    kInputNotStarted = 9,      // input device could not be started
    kOutputNotStarted = 10,    // output device could not be started
    kReadFailed = 11,          // reading failed during playback
    kLaunchFailed = 12,        // mixer program not started; failed re-pack copy
    kRecordLimitReached = 13,  // recording limit reached
    kNoFormatSize = 14,        // codec manager cannot report its largest format size
    kChooserCancelled = 15,    // format chooser cancelled or failed
    kNoDescription = 16,       // no description for the format
    kNoAcmFormat = 17,         // BitsPerSample 100 without a usable compression format
    kPlayOnlyRefused = 18,     // refused in PlayOnly mode
};

}  // namespace aurx
