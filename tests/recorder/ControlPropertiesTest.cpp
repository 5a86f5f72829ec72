// Property defaults, refusals and the rules that tie properties together, driven through the
// dispatch interface as a host would.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "aurx/AURX300Ctrl.h"
#include "aurx/Dispatch.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/support/TempDir.h"

using aurx::AURX300Ctrl;
using aurx::Dispatch;
using aurx::InvokeKind;
using aurx::InvokeStatus;
using aurx::Variant;

namespace {

struct Host {
    AURX300Ctrl control{testsupport::environmentWith(std::make_shared<testsupport::FakeDevices>())};
    Dispatch dispatch{control};

    aurx::InvokeResult put(const char* name, Variant v) {
        std::vector<Variant> args{std::move(v)};
        return dispatch.invoke(name, InvokeKind::PropertyPut, args);
    }
    Variant get(const char* name) {
        Variant out;
        std::vector<Variant> none;
        EXPECT_TRUE(dispatch.invoke(name, InvokeKind::PropertyGet, none, &out).ok()) << name;
        return out;
    }
};

}  // namespace

TEST(ControlProperties, ANewControlHasTheDocumentedDefaults) {
    Host h;
    const std::vector<std::pair<const char*, Variant>> defaults = {
        {"BackColor", Variant(std::uint32_t{0x8000000F})},
        {"LowColor", Variant(std::uint32_t{0x0000FF00})},
        {"MidColor", Variant(std::uint32_t{0x0000FFFF})},
        {"HighColor", Variant(std::uint32_t{0x000000FF})},
        {"NumSegments", Variant(std::int16_t{8})},
        {"Orientation", Variant(std::int16_t{0})},
        {"Style", Variant(std::int16_t{0})},
        {"SampleRate", Variant(std::int32_t{44100})},
        {"BitsPerSample", Variant(std::int16_t{16})},
        {"NumChannels", Variant(std::int16_t{2})},
        {"Status", Variant(std::int16_t{0})},
        {"TemporaryFile", Variant(std::int16_t{0})},
        {"Paused", Variant(std::int16_t{0})},
        {"CurrentSamplePosition", Variant(std::int32_t{0})},
        {"LastError", Variant(std::int16_t{0})},
        {"PreToneDuration", Variant(0.0f)},
        {"PostToneDuration", Variant(0.0f)},
        {"PreRollTime", Variant(0.0f)},
        {"RecordLimit", Variant(std::int32_t{0})},
        {"RecordTimeLimit", Variant(0.0)},
        {"RecordDevice", Variant(std::int32_t{-1})},
        {"PlaybackDevice", Variant(std::int32_t{-1})},
        {"Insert", Variant(std::int16_t{0})},
        {"VoxChannel", Variant(std::int16_t{0})},
        {"VoxStartLevel", Variant(0.0f)},
        {"VoxStopLevel", Variant(0.0f)},
        {"VoxTime", Variant(std::int16_t{0})},
        {"VoxPaused", Variant(std::int16_t{0})},
        {"PlayOnly", Variant(std::int16_t{0})},
        {"DataOnly", Variant(std::int16_t{0})},
        {"Filename", Variant(std::string())},
        {"NumSamples", Variant(std::int32_t{0})},
        {"TotalTime", Variant(0.0)},
        {"CurrentTimePosition", Variant(0.0)},
    };
    for (const auto& [name, value] : defaults)
        EXPECT_EQ(h.get(name), value) << name;
    EXPECT_EQ(h.control.extentWidth(), 5080);
    EXPECT_EQ(h.control.extentHeight(), 1693);
}

struct Refusal {
    const char* property;
    Variant value;
    const char* message;
};

TEST(ControlProperties, BadValuesAreRefusedWithTheirMessageAndLeaveTheOldValue) {
    const std::vector<Refusal> cases = {
        {"NumSegments", Variant(std::int16_t{0}),
         "AURX300 NumSegments must be in the range 1 to 20"},
        {"NumSegments", Variant(std::int16_t{21}),
         "AURX300 NumSegments must be in the range 1 to 20"},
        {"Orientation", Variant(std::int16_t{4}),
         "AURX300 Orientation must be in the range 0 to 3"},
        {"Orientation", Variant(std::int16_t{-1}),
         "AURX300 Orientation must be in the range 0 to 3"},
        {"Style", Variant(std::int16_t{2}), "AURX300 Style must be 0 or 1"},
        {"SampleRate", Variant(std::int32_t{7000}),
         "AURX300 SampleRate must be one of 192000, 96000, 88200, 64000, 48000, 44100, 32000, "
         "22050, "
         "16000, 11025, 8000, 6000"},
        {"BitsPerSample", Variant(std::int16_t{24}),
         "AURX300 BitsPerSample must 8, 16 or a special format code"},
        {"NumChannels", Variant(std::int16_t{3}), "AURX300 NumChannels must be 1 or 2"},
        {"PreToneDuration", Variant(-0.5f), "AURX300 PreToneDuration must be non-negative"},
        {"PostToneDuration", Variant(-1.0f), "AURX300 PostToneDuration must be non-negative"},
        {"PreToneDuration", Variant(std::nanf("")), "AURX300 PreToneDuration must be non-negative"},
        // A tone of 1e30 s was written out in full: hundreds of megabytes for a short call.
        {"PreToneDuration", Variant(1e30f), "AURX300 PreToneDuration must be 60 seconds or less"},
        {"PreToneDuration", Variant(60.01f), "AURX300 PreToneDuration must be 60 seconds or less"},
        {"PostToneDuration", Variant(std::numeric_limits<float>::infinity()),
         "AURX300 PostToneDuration must be 60 seconds or less"},
        {"PreRollTime", Variant(-1.0f), "AURX300 PreRollTime must be in the range 0 to 10"},
        {"PreRollTime", Variant(10.5f), "AURX300 PreRollTime must be in the range 0 to 10"},
        {"PreRollTime", Variant(std::nanf("")), "AURX300 PreRollTime must be in the range 0 to 10"},
        {"RecordLimit", Variant(std::int32_t{-1}), "AURX300 RecordLimit must be zero or positive"},
        {"RecordTimeLimit", Variant(-0.1), "AURX300 RecordTimeLimit must be zero or positive"},
        {"RecordTimeLimit", Variant(std::nan("")),
         "AURX300 RecordTimeLimit must be zero or positive"},
        {"RecordDevice", Variant(std::int32_t{-2}),
         "AURX300 RecordDevice must be -1, 0 or positive"},
        {"PlaybackDevice", Variant(std::int32_t{-2}),
         "AURX300 PlaybackDevice must be -1, 0 or positive"},
        {"Insert", Variant(std::int16_t{2}), "AURX300 Insert must be 0 or 1"},
        {"VoxChannel", Variant(std::int16_t{4}), "VoxChannel must be 0..3"},
        {"VoxStartLevel", Variant(0.5f), "VoxStartLevel must be 0 or negative"},
        {"VoxStopLevel", Variant(0.1f), "VoxStopLevel must be 0 or negative"},
        {"VoxStartLevel", Variant(std::nanf("")), "VoxStartLevel must be 0 or negative"},
        {"VoxStopLevel", Variant(std::nanf("")), "VoxStopLevel must be 0 or negative"},
        {"VoxTime", Variant(std::int16_t{-1}), "VoxTime must be 0 or positive"},
        {"DataOnly", Variant(std::int16_t{3}), "DataOnly must be negative, 0, 1 or 2"},
    };
    for (const auto& c : cases) {
        Host h;
        const Variant before = h.get(c.property);
        const auto r = h.put(c.property, c.value);
        ASSERT_EQ(r.status, InvokeStatus::Exception) << c.property;
        EXPECT_EQ(r.error.description, c.message);
        EXPECT_EQ(r.error.source, "AURX300.AURX300Ctrl.1");
        EXPECT_EQ(h.get(c.property), before) << c.property;
        EXPECT_EQ(h.get("LastError"), Variant(std::int16_t{0})) << "refusals are not error codes";
    }
}

TEST(ControlProperties, BoundaryValuesAreAccepted) {
    Host h;
    for (const auto& [name, value] : std::vector<std::pair<const char*, Variant>>{
             {"NumSegments", Variant(std::int16_t{1})},
             {"NumSegments", Variant(std::int16_t{20})},
             {"Orientation", Variant(std::int16_t{3})},
             {"VoxStartLevel", Variant(0.0f)},
             {"VoxTime", Variant(std::int16_t{0})},
             {"PreRollTime", Variant(3.0f)},
             {"PreRollTime", Variant(10.0f)},
             {"PreRollTime", Variant(0.0f)},
             {"PreToneDuration", Variant(60.0f)},
             {"PostToneDuration", Variant(60.0f)},
             {"VoxStopLevel", Variant(-std::numeric_limits<float>::infinity())},
             {"DataOnly", Variant(std::int16_t{-44})},
             {"DataOnly", Variant(std::int16_t{2})},
             {"RecordDevice", Variant(std::int32_t{7})},
             {"VoxChannel", Variant(std::int16_t{3})},
             {"SampleRate", Variant(std::int32_t{6000})},
             {"SampleRate", Variant(std::int32_t{192000})}}) {
        EXPECT_TRUE(h.put(name, value).ok()) << name;
        EXPECT_EQ(h.get(name), value) << name;
    }
    EXPECT_TRUE(h.put("PlayOnly", Variant(std::int16_t{5})).ok());
    EXPECT_EQ(h.get("PlayOnly"), Variant(std::int16_t{1}));
}

TEST(ControlProperties, RecordLimitAndTimeLimitFollowEachOtherAndTheRate) {
    Host h;
    auto& c = h.control;
    ASSERT_TRUE(c.put_SampleRate(8000));
    ASSERT_TRUE(c.put_RecordLimit(8000));
    EXPECT_DOUBLE_EQ(c.get_RecordTimeLimit(), 1.0);
    ASSERT_TRUE(c.put_RecordTimeLimit(0.00006));  // 0.48 + 0.5 truncates to 0
    EXPECT_EQ(c.get_RecordLimit(), 0);
    ASSERT_TRUE(c.put_RecordTimeLimit(2.5));
    EXPECT_EQ(c.get_RecordLimit(), 20000);
    ASSERT_TRUE(c.put_SampleRate(22050));  // the limit follows the new rate
    EXPECT_EQ(c.get_RecordLimit(), static_cast<std::int32_t>(2.5 * 22050 + 0.5));
    ASSERT_TRUE(c.put_RecordTimeLimit(1e12));  // far beyond a frame count: the largest one
    EXPECT_EQ(c.get_RecordLimit(), 2147483647);
}

TEST(ControlProperties, FormatSettingsAreRefusedWhileAFileIsOpenEvenWhenValid) {
    testsupport::TempDir dir;
    Host h;
    ASSERT_EQ(h.control.OpenNewFile(dir.file("open.wav")), 0);
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"SampleRate", "AURX300 cannot change SampleRate whilst a file is open"},
        {"BitsPerSample", "AURX300 cannot change BitsPerSample whilst a file is open"},
        {"NumChannels", "AURX300 cannot change NumChannels whilst a file is open"},
        {"PlayOnly", "AURX300 cannot change PlayOnly whilst a file is open"},
        {"DataOnly", "AURX300 cannot change DataOnly whilst a file is open"},
    };
    for (const auto& [name, message] : cases) {
        const Variant current = h.get(name);
        const auto r = h.put(name, current);
        ASSERT_EQ(r.status, InvokeStatus::Exception) << name;
        EXPECT_EQ(r.error.description, message);
    }
    // Settings that do not fix the format stay free.
    EXPECT_TRUE(h.put("NumSegments", Variant(std::int16_t{12})).ok());
    EXPECT_TRUE(h.put("VoxChannel", Variant(std::int16_t{2})).ok());
}

TEST(ControlProperties, SettersThatChangeThePictureAskForARedraw) {
    struct Counter : aurx::ControlSite {
        int redraws = 0;
        void invalidate() override { ++redraws; }
    } site;
    Host h;
    h.control.setSite(&site);
    for (const char* name : {"BackColor", "LowColor", "MidColor", "HighColor"}) {
        const int before = site.redraws;
        EXPECT_TRUE(h.put(name, Variant(std::int32_t{0x123456})).ok());
        EXPECT_EQ(site.redraws, before + 1) << name;
    }
    for (const char* name : {"NumSegments", "Orientation", "Style", "NumChannels"}) {
        const int before = site.redraws;
        EXPECT_TRUE(h.put(name, Variant(std::int16_t{1})).ok());
        EXPECT_EQ(site.redraws, before + 1) << name;
    }
    const int before = site.redraws;
    EXPECT_TRUE(h.put("NumSegments", Variant(std::int16_t{99})).status == InvokeStatus::Exception);
    EXPECT_TRUE(h.put("SampleRate", Variant(std::int32_t{8000})).ok());
    EXPECT_EQ(site.redraws, before) << "neither a refusal nor a non-visual setting redraws";
    h.control.setSite(nullptr);
}
