#include "app/startup/MainStartup.h"

#include "app/recording/StatusDisplay.h"
#include "core/calls/CallsFolderAccess.h"
#include "core/support/RuntimeErrors.h"

#include <QDir>

#include <algorithm>

namespace parlaro {

namespace {

// The numbers the options dialog sets, with its bounds. A value from elsewhere (parlaro-reg, a
// damaged file) outside them would cut calls in pieces or keep what should go.
struct Bounds {
    const char* name;
    int32_t AppSettings::*field;
    int32_t low;
    int32_t high;
};
constexpr Bounds kBounds[] = {
    {"CallTimeOut", &AppSettings::CallTimeOut, 2, 20},
    {"Sensitivity", &AppSettings::Sensitivity, -50, 0},
    {"MinCallLength", &AppSettings::MinCallLength, 0, 60},
    {"PreRoll", &AppSettings::PreRoll, 0, 10},
};

}  // namespace

void MainStartup::keepInRange(AppSettings& s) {
    QStringList corrected;
    for (const Bounds& b : kBounds) {
        int32_t& value = s.*b.field;
        const int32_t kept = std::clamp(value, b.low, b.high);
        if (kept == value) continue;
        corrected << QString("%1 %2 (allowed %3 to %4) is used as %5")
                         .arg(b.name)
                         .arg(value)
                         .arg(b.low)
                         .arg(b.high)
                         .arg(kept);
        value = kept;
    }
    // Saved back with the rest, so it is said once.
    if (!corrected.isEmpty())
        prompter_.show(
            {kProductName,
             "Some settings were outside the range the options allow:\n" + corrected.join('\n'),
             Icon::Exclamation, Buttons::Ok});
}

void MainStartup::GetRegistrySettings(AppSettings& settings,
                                      const std::function<void(int32_t, int32_t)>& moveWindow) {
    try {
        loadSettings(settings, moveWindow);
    } catch (const std::exception& e) {
        reportRuntimeError(prompter_, Guarded::GetRegistrySettings, e);
    }
}

void MainStartup::loadSettings(AppSettings& s,
                               const std::function<void(int32_t, int32_t)>& moveWindow) {
    const KeyPaths& paths = globals_.paths();
    using FileState = registry::FileCheck::State;
    const FileState userFile = registry_.CheckFile(paths.user);
    const FileState machineFile = registry_.CheckFile(paths.machine);
    auto spoilt = [](FileState state) {
        return state == FileState::Damaged || state == FileState::Unreadable;
    };
    // Values missing from a file that could not be read are no sign of a first start; the user
    // has just been told what happened to the file.
    if (!spoilt(userFile) &&
        registry_.GetStringValue(paths.user, "CallPath", "", false).value == kStringSentinel) {
        const bool machineKnowsIt =
            spoilt(machineFile) ||
            registry_.GetStringValue(paths.machine, "CallPath", "", false).value != kStringSentinel;
        prompter_.show({kProductName,
                        machineKnowsIt
                            ? "It would appear that you have never used Parlaro before - "
                              "please check your configuration"
                            : "It would appear that Parlaro has not been used on this PC "
                              "before - please check your configuration",
                        Icon::Information, Buttons::Ok});
    }
    const QString defaultCalls = DefaultCallsFolder(env_);
    s.CallPath = globals_.ReadSetting("CallPath", defaultCalls);
    // A value that cannot be read must not send recordings to a folder named "Error".
    if (s.CallPath == kStringSentinel) s.CallPath = defaultCalls;
    s.PW = globals_.ReadSetting("PW", "");

    // A number that cannot be read keeps its default rather than the sentinel.
    auto readLong = [&](const char* name, int32_t defaultValue) {
        const int32_t v = globals_.ReadSettingLong(name, defaultValue);
        return v == kLongSentinel ? defaultValue : v;
    };
    const AppSettings d;
    s.Minimised = readLong("Minimised", d.Minimised) != 0;
    s.AutoRecord = readLong("AutoRecord", d.AutoRecord) != 0;
    s.AddNote = readLong("AddNote", d.AddNote) != 0;
    s.Maximise = readLong("Maximise", d.Maximise) != 0;
    s.CanPlay = readLong("CanPlay", d.CanPlay) != 0;
    s.CanDelete = readLong("CanDelete", d.CanDelete) != 0;
    s.PlayOwnOnly = readLong("PlayOwnOnly", d.PlayOwnOnly) != 0;
    s.DeleteOwnOnly = readLong("DeleteOwnOnly", d.DeleteOwnOnly) != 0;
    s.CallTimeOut = readLong("CallTimeOut", d.CallTimeOut);
    s.Sensitivity = readLong("Sensitivity", d.Sensitivity);
    s.MinCallLength = readLong("MinCallLength", d.MinCallLength);
    s.Top = readLong("Top", d.Top);
    s.Left = readLong("Left", d.Left);

    s.SearchPath = globals_.ReadSetting("SearchPath", defaultCalls);
    if (s.SearchPath == kStringSentinel) s.SearchPath = s.CallPath;
    s.Format = readLong("Format", d.Format);
    s.SD = readLong("SD", d.SD);
    s.PreRoll = readLong("PreRoll", d.PreRoll);
    keepInRange(s);
    s.KeepDays = readLong("KeepDays", d.KeepDays);
    s.ShareFormat = readLong("ShareFormat", d.ShareFormat);
    // A value no version wrote is put right, in the store too.
    if (s.ShareFormat < 0 || s.ShareFormat > 2) s.ShareFormat = d.ShareFormat;
    s.Input = readLong("Input", d.Input);
    if (s.Input < 0 || s.Input > 1) s.Input = d.Input;

    if (moveWindow) moveWindow(s.Top, s.Left);
    // Defaults standing in for a user's file that could not be read must not overwrite what the
    // machine scope holds.
    if (userFile != FileState::Unreadable) globals_.SaveAllSettings(s);
}

void MainStartup::GetPCAndUserName(ProgramValues& values) {
    try {
        values.userName = CallUserName(env_);
    } catch (const std::exception& e) {
        reportRuntimeError(prompter_, Guarded::GetPCAndUserName, e);
    }
}

void MainStartup::SetTempFolder(ProgramValues& values) {
    QString folder;
    if (!env_.dataHome.isEmpty()) {
        folder = env_.dataHome + "/Parlaro/";
    } else if (!env_.tmpDir.isEmpty()) {
        folder = env_.tmpDir.endsWith('/') ? env_.tmpDir : env_.tmpDir + "/";
    } else {
        folder = "/tmp/";
    }
    // Calls in progress are the user's alone (a shared /tmp/ is left as it is).
    MakePrivateFolder(folder);
    values.tempFolder = folder;
    globals_.WriteSetting("wavs", folder);
}

}  // namespace parlaro
