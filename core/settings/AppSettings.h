// The in-memory settings, one field per value name of the settings store, with the defaults a
// first start writes.
#pragma once

#include <QString>

#include <cstdint>

namespace parlaro {

struct AppSettings {
    QString CallPath;  // default: the program folder + "/Calls/" (see DefaultCallsFolder)
    QString PW;        // enciphered options password, "" for none
    bool Minimised = false;
    bool AutoRecord = false;
    bool AddNote = true;
    bool Maximise = true;
    bool CanPlay = true;
    bool CanDelete = true;
    bool PlayOwnOnly = false;
    bool DeleteOwnOnly = false;
    int32_t CallTimeOut = 5;
    int32_t Sensitivity = -18;
    int32_t MinCallLength = 10;
    int32_t Top = 0;   // twips
    int32_t Left = 0;  // twips
    QString SearchPath;
    int32_t Format = 0;       // 0 GSM 6.10, anything else PCM
    int32_t SD = 0;           // prevent shutdown only when exactly 1
    int32_t PreRoll = 3;      // seconds of the line kept before an automatic call's trigger
    int32_t KeepDays = 0;     // calls older than this many days are deleted; 0 keeps every call
    int32_t ShareFormat = 1;  // saved and mailed calls: 0 the recording, 1 Opus, 2 MP3
    int32_t Input = 0;        // calls come from: 0 the line input, 1 this computer's calls

    bool gsmFormat() const { return Format == 0; }
    bool preventShutdown() const { return SD == 1; }
};

}  // namespace parlaro
