// The recorder control: one object that records, plays, edits and meters one audio file at a
// time. Its surface mirrors the dispatch interface IAURX300Ctrl: get_X / put_X for each
// property (setters refuse bad values with an error record), methods that report through an
// error code (kept in LastError until read), and four events raised only from
// processNotifications() on the host's thread. A worker thread per control owns the devices;
// it, the engine and the files stay behind the control's private implementation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include "aurx/CallResult.h"
#include "aurx/Codes.h"
#include "aurx/Events.h"
#include "aurx/PropertyTable.h"
#include "aurx/Variant.h"
#include "aurx/aurx_export.h"

namespace aurx {

namespace formats {
class FormatChooser;
}
class Control;
struct ControlEnvironment;

using OleColor = std::uint32_t;

// How a setter takes its value: numbers by value, the rest by reference.
template <class T>
using PutArg = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;

struct Levels {
    float leftLevel = 0;
    std::int16_t leftOverload = 0;
    float rightLevel = 0;
    std::int16_t rightOverload = 0;
};

class AURX_EXPORT AURX300Ctrl {
  public:
    // On the process's devices (AURX_DEVICES), the installed codecs and the real launcher.
    AURX300Ctrl();
    // On the environment given, which only the library's own code and its tests can build;
    // not exported.
    AURX_NO_EXPORT explicit AURX300Ctrl(ControlEnvironment environment);
    AURX300Ctrl(const AURX300Ctrl&) = delete;
    AURX300Ctrl& operator=(const AURX300Ctrl&) = delete;
    ~AURX300Ctrl();

    // The properties of aurx/PropertyTable.h: get_Name for each, put_Name for each writable
    // one (a refused value leaves the property as it was), get_Name(deviceNumber) for the
    // indexed ones; reading LastError clears it.
#define AURX_DECLARE_ReadWrite(Name, Type) \
    Type get_##Name() const;               \
    CallResult put_##Name(PutArg<Type> v);
#define AURX_DECLARE_ReadOnly(Name, Type) Type get_##Name() const;
#define AURX_DECLARE_ReadAndClear(Name, Type) Type get_##Name();
#define AURX_DECLARE_Indexed(Name, Type) Type get_##Name(std::int32_t deviceNumber) const;
#define AURX_DECLARE(Name, Dispid, Type, Access, ...) AURX_DECLARE_##Access(Name, Type)
    AURX_PROPERTIES(AURX_DECLARE)
#undef AURX_DECLARE
#undef AURX_DECLARE_ReadWrite
#undef AURX_DECLARE_ReadOnly
#undef AURX_DECLARE_ReadAndClear
#undef AURX_DECLARE_Indexed

    // Status as its named value.
    Status status() const;

    // Methods; each returns its error code, which LastError also keeps when it is not Ok.
    std::int16_t Reset();
    void Stop();
    std::int16_t OpenNewFile(const std::string& filename);
    std::int16_t OpenTemporaryFile();
    std::int16_t OpenExistingOrNewFile(const std::string& filename);
    Levels GetLevels() const;
    std::int16_t StartRecording();
    // While recording: ends the open file as Stop would and goes on recording into a new file
    // `filename` of the same format, without stopping the input, so that no sample falls
    // between the two. The new file begins with the last `leadInTime` seconds (0 to 10, at
    // most PreRollTime) of what the recording captured while paused, and is recorded
    // unpaused. A temporary file is deleted. No event is raised for the file that ended.
    // Errors: 7 when not recording (or inserting), those of OpenNewFile for the new file (the
    // recording then goes on in the old one), 3 when the old file's end could not be written
    // (the new file records all the same).
    std::int16_t ContinueInNewFile(const std::string& filename, float leadInTime);
    std::int16_t StartPlayback();
    std::int16_t ShowMixer(std::int16_t mixerType);
    std::int16_t DeleteSamples(std::int32_t nSamples);
    std::int16_t DeleteTime(double time);
    std::int16_t RePack();
    std::int16_t ChooseAcmFormat(std::int32_t hwndOwner, const std::string& dialogTitle);
    std::int16_t ChooseSpecificAcmFormat(std::int32_t hwndOwner, const std::string& dialogTitle,
                                         std::int16_t waveFormat);
    // Refused with "All parameters are mandatory" when `outVal` is missing.
    CallResult GetAcmFormatAsString(std::string* outVal, std::int16_t* errorCode);
    CallResult GetCurrentFormatAsString(std::string* outVal, std::int16_t* errorCode);

    // Events and the host.
    int Advise(std::shared_ptr<IAURX300CtrlEvents> sink);  // a cookie for Unadvise
    void Unadvise(int cookie);
    void setSite(ControlSite* site);
    void setFormatChooser(std::shared_ptr<formats::FormatChooser> chooser);
    // Readable while notifications wait.
    int notificationFd() const;
    // Raises the events of every waiting notification, in order; returns how many.
    int processNotifications();
    // Waits up to `timeoutMs` for a notification without handling it.
    bool waitForNotification(int timeoutMs) const;

    // Design-time extent in HIMETRIC.
    std::int32_t extentWidth() const;
    std::int32_t extentHeight() const;
    void setExtent(std::int32_t width, std::int32_t height);

    // For the meter: the current levels and held overload flags whatever the status.
    Levels meterLevels() const;

  private:
    friend class ControlAccess;
    std::unique_ptr<Control> impl_;
};

}  // namespace aurx
