// Invoking the control by DISPID and by name with variants, as automation hosts do.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "aurx/AURX300Ctrl.h"
#include "aurx/Dispatch.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/support/TempDir.h"

using namespace aurx;

namespace {

struct Host {
    AURX300Ctrl control{testsupport::environmentWith(std::make_shared<testsupport::FakeDevices>())};
    Dispatch dispatch{control};
};

}  // namespace

TEST(Dispatch, EveryMemberHasItsIdentifierAndArgumentOrder) {
    const std::vector<std::tuple<std::int32_t, std::string, std::vector<std::string>>> methods = {
        {12, "Reset", {"errorCode"}},
        {15, "Stop", {}},
        {16, "OpenNewFile", {"Filename", "errorCode"}},
        {17, "OpenTemporaryFile", {"errorCode"}},
        {18, "OpenExistingOrNewFile", {"Filename", "errorCode"}},
        {22, "GetLevels", {"leftLevel", "leftOverload", "rightLevel", "rightOverload"}},
        {23, "StartRecording", {"errorCode"}},
        {24, "StartPlayback", {"errorCode"}},
        {28, "ShowMixer", {"mixerType", "errorCode"}},
        {41, "DeleteSamples", {"nSamples", "errorCode"}},
        {42, "DeleteTime", {"time", "errorCode"}},
        {43, "RePack", {"errorCode"}},
        {46, "ChooseAcmFormat", {"hwndOwner", "dialogTitle", "errorCode"}},
        {47, "GetAcmFormatAsString", {"outVal", "errorCode"}},
        {48, "GetCurrentFormatAsString", {"outVal", "errorCode"}},
        {55, "ChooseSpecificAcmFormat", {"hwndOwner", "dialogTitle", "waveFormat", "errorCode"}},
    };
    for (const auto& [id, name, params] : methods) {
        const MemberInfo* m = Dispatch::find(id);
        ASSERT_TRUE(m) << id;
        EXPECT_EQ(m->name, name);
        EXPECT_FALSE(m->property);
        std::vector<std::string> got;
        for (const auto& p : m->params)
            got.emplace_back(p.name);
        EXPECT_EQ(got, params) << name;
    }
    const std::set<std::int32_t> readOnly = {11, 13, 19, 25, 27, 34, 35, 36, 37, 52};
    std::size_t properties = 0;
    for (const auto& m : Dispatch::members()) {
        if (!m.property) continue;
        ++properties;
        EXPECT_EQ(m.writable(), readOnly.count(m.dispid) == 0) << m.name;
    }
    EXPECT_EQ(properties, 39u);
    ASSERT_EQ(Dispatch::events().size(), 6u);
    EXPECT_EQ(Dispatch::events()[2].name, "NewLevelValues");
    EXPECT_EQ(Dispatch::events()[2].dispid, 3);
    EXPECT_EQ(Dispatch::events()[5].name, "InputResumed");
    EXPECT_EQ(Dispatch::events()[5].dispid, 6);
}

TEST(Dispatch, NamesCompareWithoutRegardToCase) {
    EXPECT_EQ(Dispatch::find("samplerate"), Dispatch::find(7));
    EXPECT_EQ(Dispatch::find("OPENNEWFILE"), Dispatch::find(16));
    EXPECT_EQ(Dispatch::find("NoSuchThing"), nullptr);
    Host h;
    std::vector<Variant> none;
    EXPECT_EQ(h.dispatch.invoke("NoSuchThing", InvokeKind::PropertyGet, none).status,
              InvokeStatus::MemberNotFound);
    EXPECT_EQ(h.dispatch.invoke(44, InvokeKind::Method, none).status, InvokeStatus::MemberNotFound);
}

TEST(Dispatch, OutParametersReceiveTheirResultsAndMayBeMissing) {
    Host h;
    Variant code(std::int16_t{99});
    std::vector<Variant> args{Variant::byRef(&code)};
    ASSERT_TRUE(h.dispatch.invoke(12, InvokeKind::Method, args).ok());
    EXPECT_EQ(code, Variant(std::int16_t{0}));
    EXPECT_EQ(h.control.status(), Status::Ready);

    Variant ll, lo, rl, ro;
    std::vector<Variant> levels{Variant::byRef(&ll), Variant::byRef(&lo), Variant::byRef(&rl),
                                Variant::byRef(&ro)};
    ASSERT_TRUE(h.dispatch.invoke("GetLevels", InvokeKind::Method, levels).ok());
    EXPECT_EQ(ll.type(), VT_R4);
    EXPECT_EQ(lo.type(), VT_I2);

    // A missing errorCode is skipped; the method still runs.
    std::vector<Variant> missing{Variant(std::string("/nonexistent/dir/x.wav")),
                                 Variant::missing()};
    ASSERT_TRUE(h.dispatch.invoke("OpenNewFile", InvokeKind::Method, missing).ok());
    EXPECT_EQ(h.control.get_LastError(), 2);
    std::vector<Variant> omitted{Variant(std::string("/nonexistent/dir/x.wav"))};
    EXPECT_TRUE(h.dispatch.invoke("OpenNewFile", InvokeKind::Method, omitted).ok());

    // The string methods refuse a missing text out-parameter.
    std::vector<Variant> noText{Variant::missing(), Variant::byRef(&code)};
    const auto r = h.dispatch.invoke(47, InvokeKind::Method, noText);
    ASSERT_EQ(r.status, InvokeStatus::Exception);
    EXPECT_EQ(r.error.description, "All parameters are mandatory");
    Variant text;
    std::vector<Variant> withText{Variant::byRef(&text), Variant::byRef(&code)};
    ASSERT_TRUE(h.dispatch.invoke(47, InvokeKind::Method, withText).ok());
    EXPECT_EQ(text, Variant(std::string("[Not Set]")));
}

TEST(Dispatch, ArgumentsConvertToTheDeclaredTypes) {
    struct Case {
        const char* property;
        Variant value;
        InvokeStatus status;
        Variant readBack;
    };
    const std::vector<Case> cases = {
        {"SampleRate", Variant(std::string("8000")), InvokeStatus::Ok, Variant(std::int32_t{8000})},
        {"SampleRate", Variant(std::string(" 16000 ")), InvokeStatus::Ok,
         Variant(std::int32_t{16000})},
        {"SampleRate", Variant(std::string("fast")), InvokeStatus::TypeMismatch,
         Variant(std::int32_t{44100})},
        {"NumSegments", Variant(std::int32_t{70000}), InvokeStatus::Overflow,
         Variant(std::int16_t{8})},
        {"NumSegments", Variant(2.5), InvokeStatus::Ok, Variant(std::int16_t{2})},  // half to even
        {"NumSegments", Variant(3.5), InvokeStatus::Ok, Variant(std::int16_t{4})},
        {"NumSegments", Variant(std::nan("")), InvokeStatus::Overflow, Variant(std::int16_t{8})},
        {"BackColor", Variant(std::int32_t{-2147483633}), InvokeStatus::Ok,
         Variant(std::uint32_t{0x8000000F})},
        {"RecordTimeLimit", Variant(std::int16_t{3}), InvokeStatus::Ok, Variant(3.0)},
        {"VoxStartLevel", Variant(std::string("-30.5")), InvokeStatus::Ok, Variant(-30.5f)},
        {"AcmFormat", Variant(), InvokeStatus::Ok, Variant(ByteArray::vector({0}))},
    };
    for (const auto& c : cases) {
        Host h;
        std::vector<Variant> args{c.value};
        EXPECT_EQ(h.dispatch.invoke(c.property, InvokeKind::PropertyPut, args).status, c.status)
            << c.property << " " << c.value.display();
        Variant now;
        std::vector<Variant> none;
        ASSERT_TRUE(h.dispatch.invoke(c.property, InvokeKind::PropertyGet, none, &now).ok());
        EXPECT_EQ(now, c.readBack) << c.property << " " << c.value.display();
    }
}

TEST(Dispatch, CallsCheckTheirArgumentsBeforeRunning) {
    Host h;
    Variant code;
    std::vector<Variant> tooMany{Variant::byRef(&code), Variant(std::int16_t{1})};
    EXPECT_EQ(h.dispatch.invoke("Reset", InvokeKind::Method, tooMany).status,
              InvokeStatus::BadParamCount);
    std::vector<Variant> noFile{Variant::missing(), Variant::byRef(&code)};
    EXPECT_EQ(h.dispatch.invoke("OpenNewFile", InvokeKind::Method, noFile).status,
              InvokeStatus::ParamNotOptional);
    std::vector<Variant> notAReference{Variant(std::int16_t{0})};
    EXPECT_EQ(h.dispatch.invoke("Reset", InvokeKind::Method, notAReference).status,
              InvokeStatus::TypeMismatch);
    EXPECT_EQ(h.control.status(), Status::Created) << "nothing ran";
    std::vector<Variant> readOnly{Variant(std::int16_t{3})};
    EXPECT_EQ(h.dispatch.invoke("Status", InvokeKind::PropertyPut, readOnly).status,
              InvokeStatus::MemberNotFound);
}

TEST(Dispatch, IndexedAndVariantPropertiesBehaveAsHostsExpect) {
    Host h;
    Variant name;
    std::vector<Variant> index{Variant(std::int16_t{1})};
    ASSERT_TRUE(h.dispatch.invoke("RecordDeviceName", InvokeKind::PropertyGet, index, &name).ok());
    EXPECT_EQ(name, Variant(std::string("Microphone")));
    std::vector<Variant> none;
    EXPECT_EQ(h.dispatch.invoke("RecordDeviceName", InvokeKind::PropertyGet, none, &name).status,
              InvokeStatus::BadParamCount);
    // Reading AcmFormat with nowhere to put it does nothing and succeeds.
    EXPECT_TRUE(h.dispatch.invoke("AcmFormat", InvokeKind::PropertyGet, none, nullptr).ok());
    Variant text(std::string("31000100401f0000590600004100000002004001"));
    std::vector<Variant> byReference{Variant::byRef(&text)};
    ASSERT_TRUE(h.dispatch.invoke(45, InvokeKind::PropertyPut, byReference).ok());
    Variant stored;
    ASSERT_TRUE(h.dispatch.invoke(45, InvokeKind::PropertyGet, none, &stored).ok());
    EXPECT_EQ(stored.display(), "31000100401f0000590600004100000002004001");
    EXPECT_EQ(stored.type(), static_cast<VarType>(VT_ARRAY | VT_UI1));
}

TEST(Dispatch, PreRollTimeIsMember57ByNumberAndByName) {
    const MemberInfo* m = Dispatch::find(57);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->name, "PreRollTime");
    EXPECT_TRUE(m->property);
    EXPECT_EQ(m->type, ArgType::R4);
    EXPECT_TRUE(m->readable() && m->writable());
    EXPECT_EQ(Dispatch::find("prerolltime"), m);
    const MemberInfo* next = Dispatch::find(58);
    ASSERT_TRUE(next) << "a new member comes after the last";
    EXPECT_EQ(next->name, "ContinueInNewFile");
    EXPECT_EQ(Dispatch::members().back().dispid, 58);

    Host h;
    std::vector<Variant> none;
    Variant got;
    std::vector<Variant> text{Variant(std::string("3"))};
    ASSERT_TRUE(h.dispatch.invoke("PreRollTime", InvokeKind::PropertyPut, text).ok());
    ASSERT_TRUE(h.dispatch.invoke(57, InvokeKind::PropertyGet, none, &got).ok());
    EXPECT_EQ(got, Variant(3.0f));
    std::vector<Variant> real{Variant(1.5)};
    ASSERT_TRUE(h.dispatch.invoke(57, InvokeKind::PropertyPut, real).ok());
    EXPECT_EQ(h.control.get_PreRollTime(), 1.5f);
    std::vector<Variant> tooLong{Variant(std::int16_t{11})};
    const auto r = h.dispatch.invoke(57, InvokeKind::PropertyPut, tooLong);
    ASSERT_EQ(r.status, InvokeStatus::Exception);
    EXPECT_EQ(r.error.description, "AURX300 PreRollTime must be in the range 0 to 10");
    ASSERT_TRUE(h.dispatch.invoke("PreRollTime", InvokeKind::PropertyGet, none, &got).ok());
    EXPECT_EQ(got, Variant(1.5f));
    // Going on into a new file needs a recording.
    Variant code(std::int16_t{99});
    std::vector<Variant> args{Variant(std::string("/tmp/never.wav")), Variant(2.0f),
                              Variant::byRef(&code)};
    ASSERT_TRUE(h.dispatch.invoke("continueinnewfile", InvokeKind::Method, args).ok());
    EXPECT_EQ(code, Variant(std::int16_t{7}));
}

// Each row reaches its own member: a write through the interface changes that property (and
// the ones it is documented to move) and no other, and every read gives the declared type.
TEST(Dispatch, EachPropertyWriteReachesItsOwnPropertyAlone) {
    const auto typeOf = [](ArgType t) {
        switch (t) {
            case ArgType::I2:
                return VT_I2;
            case ArgType::I4:
                return VT_I4;
            case ArgType::R4:
                return VT_R4;
            case ArgType::R8:
                return VT_R8;
            case ArgType::Bstr:
                return VT_BSTR;
            case ArgType::Colour:
                return VT_UI4;
            case ArgType::Variant:
                break;
        }
        return static_cast<VarType>(VT_ARRAY | VT_UI1);
    };
    // Every property without an index, as text.
    const auto readAll = [&](Host& h) {
        std::map<std::string, std::string> all;
        for (const auto& m : Dispatch::members()) {
            if (!m.property || !m.params.empty()) continue;
            Variant v;
            std::vector<Variant> none;
            EXPECT_TRUE(h.dispatch.invoke(m.dispid, InvokeKind::PropertyGet, none, &v).ok());
            EXPECT_EQ(v.type(), typeOf(m.type)) << m.name;
            all[std::string(m.name)] = v.display();
        }
        return all;
    };
    struct Case {
        const char* property;
        Variant value;
        std::map<std::string, std::string> changes;  // what reads differently afterwards
    };
    const std::vector<Case> cases = {
        {"BackColor", Variant(std::uint32_t{0x112233}), {{"BackColor", "1122867"}}},
        {"LowColor", Variant(std::uint32_t{0x223344}), {{"LowColor", "2241348"}}},
        {"MidColor", Variant(std::uint32_t{0x334455}), {{"MidColor", "3359829"}}},
        {"HighColor", Variant(std::uint32_t{0x445566}), {{"HighColor", "4478310"}}},
        {"NumSegments", Variant(std::int16_t{12}), {{"NumSegments", "12"}}},
        {"Orientation", Variant(std::int16_t{2}), {{"Orientation", "2"}}},
        {"SampleRate", Variant(std::int32_t{8000}), {{"SampleRate", "8000"}}},
        {"BitsPerSample", Variant(std::int16_t{107}), {{"BitsPerSample", "107"}}},
        {"NumChannels", Variant(std::int16_t{1}), {{"NumChannels", "1"}}},
        {"Style", Variant(std::int16_t{1}), {{"Style", "1"}}},
        {"TemporaryFile", Variant(std::int16_t{1}), {{"TemporaryFile", "1"}}},
        {"Paused", Variant(std::int16_t{1}), {{"Paused", "1"}}},
        {"CurrentSamplePosition", Variant(std::int32_t{5}), {}},  // no file: ignored
        {"CurrentTimePosition", Variant(2.0), {}},
        {"PreToneDuration", Variant(0.5f), {{"PreToneDuration", "0.5"}}},
        {"PostToneDuration", Variant(0.25f), {{"PostToneDuration", "0.25"}}},
        {"RecordLimit",
         Variant(std::int32_t{88200}),
         {{"RecordLimit", "88200"}, {"RecordTimeLimit", "2"}}},
        {"RecordTimeLimit", Variant(0.5), {{"RecordTimeLimit", "0.5"}, {"RecordLimit", "22050"}}},
        {"RecordDevice", Variant(std::int32_t{3}), {{"RecordDevice", "3"}}},
        {"PlaybackDevice", Variant(std::int32_t{4}), {{"PlaybackDevice", "4"}}},
        {"Insert", Variant(std::int16_t{1}), {{"Insert", "1"}}},
        {"AcmFormat",
         Variant(std::string("31000100401f0000590600004100000002004001")),
         {{"AcmFormat", "31000100401f0000590600004100000002004001"}}},
        {"VoxChannel", Variant(std::int16_t{2}), {{"VoxChannel", "2"}}},
        {"VoxStartLevel", Variant(-20.0f), {{"VoxStartLevel", "-20"}}},
        {"VoxStopLevel", Variant(-30.0f), {{"VoxStopLevel", "-30"}}},
        {"VoxTime", Variant(std::int16_t{5}), {{"VoxTime", "5"}}},
        {"PlayOnly", Variant(std::int16_t{1}), {{"PlayOnly", "1"}}},
        {"DataOnly", Variant(std::int16_t{2}), {{"DataOnly", "2"}}},
        {"PreRollTime", Variant(1.5f), {{"PreRollTime", "1.5"}}},
    };
    std::set<std::string> covered;
    for (const auto& c : cases)
        covered.insert(c.property);
    for (const auto& m : Dispatch::members()) {
        if (m.writable()) {
            EXPECT_TRUE(covered.count(std::string(m.name))) << m.name;
        }
    }

    Host untouched;
    const auto defaults = readAll(untouched);
    for (const auto& c : cases) {
        Host h;
        std::vector<Variant> args{c.value};
        ASSERT_TRUE(h.dispatch.invoke(c.property, InvokeKind::PropertyPut, args).ok())
            << c.property;
        auto expected = defaults;
        for (const auto& [name, text] : c.changes)
            expected[name] = text;
        EXPECT_EQ(readAll(h), expected) << c.property;
    }
}

TEST(Variant, DisplayGivesTheShortestTextThatReadsBack) {
    EXPECT_EQ(Variant(0.1f).display(), "0.1");
    EXPECT_EQ(Variant(-9999.0f).display(), "-9999");
    EXPECT_EQ(Variant(1.0 / 3).display(), "0.3333333333333333");
    EXPECT_EQ(Variant(std::string("say \"hi\" \\")).display(), "\"say \\\"hi\\\" \\\\\"");
    EXPECT_EQ(Variant(std::int16_t{-7}).display(), "-7");
}
