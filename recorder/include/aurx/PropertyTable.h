// The control's properties, each described once. AURX_PROPERTIES(ROW) calls ROW for every
// property with its columns:
//
//   ROW(Name, DISPID, Type, Access, Saved, Place, Rules...)
//
//   Access  ReadWrite; ReadOnly; ReadAndClear (reading clears it); Indexed (read-only, by a
//           device number)
//   Saved   Saved(n): the n-th value of the design-time stream (aurx/Persistence.h); NotSaved
//   Place   where the control keeps it, for the library's own use: Own(field[, then]) of the
//           control, Worker(field[, then]) among the settings its worker reads, By(get[, set])
//           members that work it out; `then` runs after each change that was taken
//   Rules   what the setter checks, in order, each with the description its refusal carries:
//           WhileClosed (no file may be open), NotWhileRecording, Within, AtLeast, AtMost,
//           Accepted (a test), Flag (any value but 0 is kept as 1)
//
// AURX300Ctrl's get_Name / put_Name, the dispatch interface's property rows, the design-time
// stream and the setters' checks are all made from these rows, so a new property is a row here
// plus the code that gives it its meaning.
#pragma once

// clang-format off
#define AURX_PROPERTIES(ROW)                                                                      \
    /* Meter appearance. */                                                                       \
    ROW(BackColor,   1, OleColor,     ReadWrite, Saved(1), Own(backColor_, repaint))              \
    ROW(LowColor,    2, OleColor,     ReadWrite, Saved(2), Own(lowColor_, repaint))               \
    ROW(MidColor,    3, OleColor,     ReadWrite, Saved(3), Own(midColor_, repaint))               \
    ROW(HighColor,   4, OleColor,     ReadWrite, Saved(4), Own(highColor_, repaint))              \
    ROW(NumSegments, 5, std::int16_t, ReadWrite, Saved(5), Own(numSegments_, repaint),            \
        Within{1, 20, "AURX300 NumSegments must be in the range 1 to 20"})                        \
    ROW(Orientation, 6, std::int16_t, ReadWrite, Saved(6), Own(orientation_, repaint),            \
        Within{0, 3, "AURX300 Orientation must be in the range 0 to 3"})                          \
    ROW(Style,      10, std::int16_t, ReadWrite, Saved(7), Own(style_, repaint),                  \
        Within{0, 1, "AURX300 Style must be 0 or 1"})                                             \
                                                                                                  \
    /* Recording format preferences. */                                                          \
    ROW(SampleRate,  7, std::int32_t, ReadWrite, Saved(8), Own(sampleRate_, recomputeRecordLimit),\
        WhileClosed{"AURX300 cannot change SampleRate whilst a file is open"},                    \
        Accepted{isSampleRate, "AURX300 SampleRate must be one of 192000, 96000, 88200, 64000, "  \
                               "48000, 44100, 32000, 22050, 16000, 11025, 8000, 6000"})           \
    ROW(BitsPerSample, 8, std::int16_t, ReadWrite, Saved(10), By(bitsPerSample, setBitsPerSample),\
        WhileClosed{"AURX300 cannot change BitsPerSample whilst a file is open"},                 \
        Accepted{isSampleCoding, "AURX300 BitsPerSample must 8, 16 or a special format code"})    \
    ROW(NumChannels, 9, std::int16_t, ReadWrite, Saved(9), Own(numChannels_, repaint),            \
        WhileClosed{"AURX300 cannot change NumChannels whilst a file is open"},                   \
        Within{1, 2, "AURX300 NumChannels must be 1 or 2"})                                       \
    ROW(PlayOnly,   54, std::int16_t, ReadWrite, NotSaved, Own(playOnly_),                        \
        WhileClosed{"AURX300 cannot change PlayOnly whilst a file is open"}, Flag{})              \
    ROW(DataOnly,   56, std::int16_t, ReadWrite, NotSaved, Own(dataOnly_),                        \
        WhileClosed{"AURX300 cannot change DataOnly whilst a file is open"},                      \
        AtMost{2, "DataOnly must be negative, 0, 1 or 2"})                                        \
    ROW(AcmFormat,  45, Variant,      ReadWrite, NotSaved, By(acmFormat, setAcmFormat))           \
                                                                                                  \
    /* State of the open file. */                                                                 \
    ROW(Status,     11, std::int16_t, ReadOnly,  NotSaved, By(statusCode))                        \
    ROW(Filename,   13, std::string,  ReadOnly,  NotSaved, By(fileName))                          \
    ROW(TemporaryFile, 14, std::int16_t, ReadWrite, NotSaved, Own(temporaryFile_))                \
    ROW(NumSamples, 19, std::int32_t, ReadOnly,  NotSaved, By(numSamples))                        \
    ROW(Paused,     20, std::int16_t, ReadWrite, NotSaved, Worker(paused, pausedChanged))         \
    ROW(CurrentSamplePosition, 21, std::int32_t, ReadWrite, NotSaved,                             \
        By(samplePosition, setSamplePosition))                                                    \
    ROW(CurrentTimePosition, 26, double, ReadWrite, NotSaved, By(timePosition, setTimePosition))  \
    ROW(TotalTime,  27, double,       ReadOnly,  NotSaved, By(totalTime))                         \
    ROW(LastError,  25, std::int16_t, ReadAndClear, NotSaved, By(takeLastError))                  \
    ROW(Insert,     40, std::int16_t, ReadWrite, NotSaved, Worker(insert),                        \
        Within{0, 1, "AURX300 Insert must be 0 or 1"})                                            \
                                                                                                  \
    /* Recording. A marker tone is a second or two; a minute is far beyond any use and keeps */   \
    /* the file small. */                                                                         \
    ROW(PreToneDuration, 29, float, ReadWrite, Saved(11), Worker(preToneDuration),                \
        AtLeast{0, "AURX300 PreToneDuration must be non-negative"},                               \
        AtMost{60, "AURX300 PreToneDuration must be 60 seconds or less"})                         \
    ROW(PostToneDuration, 30, float, ReadWrite, Saved(12), Worker(postToneDuration),              \
        AtLeast{0, "AURX300 PostToneDuration must be non-negative"},                              \
        AtMost{60, "AURX300 PostToneDuration must be 60 seconds or less"})                        \
    /* RecordLimit and RecordTimeLimit are one limit in frames and in seconds; only the */        \
    /* seconds are saved, read back after SampleRate. */                                          \
    ROW(RecordLimit, 32, std::int32_t, ReadWrite, NotSaved, Worker(recordLimit, timeLimitFromFrames),\
        AtLeast{0, "AURX300 RecordLimit must be zero or positive"})                               \
    ROW(RecordTimeLimit, 33, double, ReadWrite, Saved(13), Own(recordTimeLimit_, recomputeRecordLimit),\
        AtLeast{0, "AURX300 RecordTimeLimit must be zero or positive"})                           \
    /* Seconds of paused audio a recording into a new file starts with when it follows a */       \
    /* stopped paused recording; read when a recording starts. */                                 \
    ROW(PreRollTime, 57, float, ReadWrite, NotSaved, Worker(preRollTime),                         \
        Within{0, 10, "AURX300 PreRollTime must be in the range 0 to 10"})                        \
                                                                                                  \
    /* Devices. */                                                                                \
    ROW(NRecordDevices,     34, std::int32_t, ReadOnly, NotSaved, By(recordDeviceCount))          \
    ROW(NPlaybackDevices,   35, std::int32_t, ReadOnly, NotSaved, By(playbackDeviceCount))        \
    ROW(RecordDeviceName,   36, std::string,  Indexed,  NotSaved, By(recordDeviceName))           \
    ROW(PlaybackDeviceName, 37, std::string,  Indexed,  NotSaved, By(playbackDeviceName))         \
    ROW(RecordDevice,   38, std::int32_t, ReadWrite, NotSaved, Worker(recordDevice),              \
        AtLeast{-1, "AURX300 RecordDevice must be -1, 0 or positive"})                            \
    ROW(PlaybackDevice, 39, std::int32_t, ReadWrite, NotSaved, Worker(playbackDevice),            \
        AtLeast{-1, "AURX300 PlaybackDevice must be -1, 0 or positive"})                          \
                                                                                                  \
    /* Voice-operated switch. A level that is not a number is refused: no level would cross it. */\
    ROW(VoxChannel, 49, std::int16_t, ReadWrite, NotSaved, Worker(voxChannel),                    \
        NotWhileRecording{"VoxChannel cannot be changed during recording"},                       \
        Within{0, 3, "VoxChannel must be 0..3"})                                                  \
    ROW(VoxStartLevel, 50, float, ReadWrite, NotSaved, Worker(voxStartLevel),                     \
        AtMost{0, "VoxStartLevel must be 0 or negative"})                                         \
    ROW(VoxStopLevel, 51, float, ReadWrite, NotSaved, Worker(voxStopLevel),                       \
        AtMost{0, "VoxStopLevel must be 0 or negative"})                                          \
    ROW(VoxTime,    53, std::int16_t, ReadWrite, NotSaved, Worker(voxTime),                       \
        AtLeast{0, "VoxTime must be 0 or positive"})                                              \
    ROW(VoxPaused,  52, std::int16_t, ReadOnly,  NotSaved, Worker(voxPaused))
// clang-format on
