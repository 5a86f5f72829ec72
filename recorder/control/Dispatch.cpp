#include "recorder/control/Dispatch.h"

#include <algorithm>
#include <cctype>

#include "recorder/control/AURX300Ctrl.h"

namespace aurx {
namespace {

using A = ArgType;

ParamInfo in(std::string_view name, ArgType t) {
    return ParamInfo{name, t, false};
}
ParamInfo out(std::string_view name, ArgType t) {
    return ParamInfo{name, t, true};
}

MemberInfo prop(std::int32_t id, std::string_view name, ArgType t, bool writable,
                std::vector<ParamInfo> index = {}) {
    return MemberInfo{id, name, true, t, true, writable, std::move(index)};
}

MemberInfo method(std::int32_t id, std::string_view name, std::vector<ParamInfo> params) {
    return MemberInfo{id, name, false, A::Variant, false, false, std::move(params)};
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

InvokeResult refused(const CallResult& r) {
    if (r.ok()) return {};
    return InvokeResult{InvokeStatus::Exception, r.error(), 0};
}

InvokeResult conversionFailure(Conversion c, std::size_t arg) {
    return InvokeResult{
        c == Conversion::Overflow ? InvokeStatus::Overflow : InvokeStatus::TypeMismatch, {}, arg};
}

// Converts `v` to the declared type; the variant then holds exactly that type.
Converted<Variant> convert(const Variant& v, ArgType t) {
    auto wrap = [](auto c) -> Converted<Variant> {
        if (!c.ok()) return {c.status, Variant()};
        return {Conversion::Ok, Variant(c.value)};
    };
    switch (t) {
        case A::I2:
            return wrap(v.toI2());
        case A::I4:
            return wrap(v.toI4());
        case A::R4:
            return wrap(v.toR4());
        case A::R8:
            return wrap(v.toR8());
        case A::Bstr:
            return wrap(v.toBstr());
        case A::Colour:
            return wrap(v.toUI4());
        case A::Variant:
            return {Conversion::Ok, v.deref()};
    }
    return {Conversion::TypeMismatch, Variant()};
}

// A method's arguments after checking: inputs converted, out-parameters located.
class Arguments {
  public:
    Arguments(std::span<Variant> args, const std::vector<ParamInfo>& params)
        : args_(args), params_(params), values_(params.size()) {}

    InvokeResult prepare() {
        if (args_.size() > params_.size()) return {InvokeStatus::BadParamCount, {}, 0};
        for (std::size_t i = 0; i < params_.size(); ++i) {
            const bool present = i < args_.size() && !args_[i].deref().isMissing();
            if (params_[i].out) {
                if (present && !args_[i].isByRef()) return {InvokeStatus::TypeMismatch, {}, i};
                continue;
            }
            if (i >= args_.size()) return {InvokeStatus::BadParamCount, {}, i};
            if (!present) return {InvokeStatus::ParamNotOptional, {}, i};
            auto c = convert(args_[i], params_[i].type);
            if (!c.ok()) return conversionFailure(c.status, i);
            values_[i] = std::move(c.value);
        }
        return {};
    }

    std::int16_t i2(std::size_t i) const { return values_[i].toI2().value; }
    std::int32_t i4(std::size_t i) const { return values_[i].toI4().value; }
    double r8(std::size_t i) const { return values_[i].toR8().value; }
    std::string bstr(std::size_t i) const { return values_[i].toBstr().value; }

    bool hasOut(std::size_t i) const { return i < args_.size() && args_[i].isByRef(); }
    void setOut(std::size_t i, Variant v) {
        if (hasOut(i)) *args_[i].ref() = std::move(v);
    }

  private:
    std::span<Variant> args_;
    const std::vector<ParamInfo>& params_;
    std::vector<Variant> values_;
};

}  // namespace

std::string_view statusText(InvokeStatus status) {
    switch (status) {
        case InvokeStatus::Ok:
            return "ok";
        case InvokeStatus::Exception:
            return "exception";
        case InvokeStatus::MemberNotFound:
            return "Member not found.";
        case InvokeStatus::BadParamCount:
            return "Invalid number of parameters.";
        case InvokeStatus::ParamNotOptional:
            return "Parameter not optional.";
        case InvokeStatus::TypeMismatch:
            return "Type mismatch.";
        case InvokeStatus::Overflow:
            return "Out of present range.";
    }
    return "";
}

const std::vector<MemberInfo>& Dispatch::members() {
    static const std::vector<MemberInfo> table = {
        prop(1, "BackColor", A::Colour, true),
        prop(2, "LowColor", A::Colour, true),
        prop(3, "MidColor", A::Colour, true),
        prop(4, "HighColor", A::Colour, true),
        prop(5, "NumSegments", A::I2, true),
        prop(6, "Orientation", A::I2, true),
        prop(7, "SampleRate", A::I4, true),
        prop(8, "BitsPerSample", A::I2, true),
        prop(9, "NumChannels", A::I2, true),
        prop(10, "Style", A::I2, true),
        prop(11, "Status", A::I2, false),
        method(12, "Reset", {out("errorCode", A::I2)}),
        prop(13, "Filename", A::Bstr, false),
        prop(14, "TemporaryFile", A::I2, true),
        method(15, "Stop", {}),
        method(16, "OpenNewFile", {in("Filename", A::Bstr), out("errorCode", A::I2)}),
        method(17, "OpenTemporaryFile", {out("errorCode", A::I2)}),
        method(18, "OpenExistingOrNewFile", {in("Filename", A::Bstr), out("errorCode", A::I2)}),
        prop(19, "NumSamples", A::I4, false),
        prop(20, "Paused", A::I2, true),
        prop(21, "CurrentSamplePosition", A::I4, true),
        method(22, "GetLevels",
               {out("leftLevel", A::R4), out("leftOverload", A::I2), out("rightLevel", A::R4),
                out("rightOverload", A::I2)}),
        method(23, "StartRecording", {out("errorCode", A::I2)}),
        method(24, "StartPlayback", {out("errorCode", A::I2)}),
        prop(25, "LastError", A::I2, false),
        prop(26, "CurrentTimePosition", A::R8, true),
        prop(27, "TotalTime", A::R8, false),
        method(28, "ShowMixer", {in("mixerType", A::I2), out("errorCode", A::I2)}),
        prop(29, "PreToneDuration", A::R4, true),
        prop(30, "PostToneDuration", A::R4, true),
        prop(32, "RecordLimit", A::I4, true),
        prop(33, "RecordTimeLimit", A::R8, true),
        prop(34, "NRecordDevices", A::I4, false),
        prop(35, "NPlaybackDevices", A::I4, false),
        prop(36, "RecordDeviceName", A::Bstr, false, {in("deviceNumber", A::I4)}),
        prop(37, "PlaybackDeviceName", A::Bstr, false, {in("deviceNumber", A::I4)}),
        prop(38, "RecordDevice", A::I4, true),
        prop(39, "PlaybackDevice", A::I4, true),
        prop(40, "Insert", A::I2, true),
        method(41, "DeleteSamples", {in("nSamples", A::I4), out("errorCode", A::I2)}),
        method(42, "DeleteTime", {in("time", A::R8), out("errorCode", A::I2)}),
        method(43, "RePack", {out("errorCode", A::I2)}),
        prop(45, "AcmFormat", A::Variant, true),
        method(46, "ChooseAcmFormat",
               {in("hwndOwner", A::I4), in("dialogTitle", A::Bstr), out("errorCode", A::I2)}),
        method(47, "GetAcmFormatAsString", {out("outVal", A::Bstr), out("errorCode", A::I2)}),
        method(48, "GetCurrentFormatAsString", {out("outVal", A::Bstr), out("errorCode", A::I2)}),
        prop(49, "VoxChannel", A::I2, true),
        prop(50, "VoxStartLevel", A::R4, true),
        prop(51, "VoxStopLevel", A::R4, true),
        prop(52, "VoxPaused", A::I2, false),
        prop(53, "VoxTime", A::I2, true),
        prop(54, "PlayOnly", A::I2, true),
        method(55, "ChooseSpecificAcmFormat",
               {in("hwndOwner", A::I4), in("dialogTitle", A::Bstr), in("waveFormat", A::I2),
                out("errorCode", A::I2)}),
        prop(56, "DataOnly", A::I2, true),
        prop(57, "PreRollTime", A::R4, true),
    };
    return table;
}

const std::vector<EventInfo>& Dispatch::events() {
    static const std::vector<EventInfo> table = {
        {1, "RecordingStopped", {in("errorCode", A::I2)}},
        {2, "PlaybackStopped", {in("errorCode", A::I2)}},
        {3,
         "NewLevelValues",
         {in("leftLevel", A::R4), in("leftOverload", A::I2), in("rightLevel", A::R4),
          in("rightOverload", A::I2)}},
        {4, "NewVoxState", {in("voxState", A::I2)}},
    };
    return table;
}

const MemberInfo* Dispatch::find(std::int32_t dispid) {
    for (const auto& m : members())
        if (m.dispid == dispid) return &m;
    return nullptr;
}

const MemberInfo* Dispatch::find(std::string_view name) {
    for (const auto& m : members())
        if (sameName(m.name, name)) return &m;
    return nullptr;
}

InvokeResult Dispatch::invoke(std::string_view name, InvokeKind kind, std::span<Variant> args,
                              Variant* result) {
    const MemberInfo* m = find(name);
    if (!m) return {InvokeStatus::MemberNotFound, {}, 0};
    return invoke(m->dispid, kind, args, result);
}

InvokeResult Dispatch::invoke(std::int32_t dispid, InvokeKind kind, std::span<Variant> args,
                              Variant* result) {
    const MemberInfo* m = find(dispid);
    if (!m) return {InvokeStatus::MemberNotFound, {}, 0};
    if (!m->property) {
        if (kind != InvokeKind::Method) return {InvokeStatus::MemberNotFound, {}, 0};
        return call(*m, args);
    }
    if (kind == InvokeKind::PropertyPut) {
        if (!m->writable) return {InvokeStatus::MemberNotFound, {}, 0};
        return put(*m, args);
    }
    return get(*m, args, result);
}

InvokeResult Dispatch::get(const MemberInfo& m, std::span<Variant> args, Variant* result) {
    Arguments a(args, m.params);
    if (auto r = a.prepare(); !r.ok()) return r;
    AURX300Ctrl& c = control_;
    Variant v;
    switch (m.dispid) {
        case 1:
            v = c.get_BackColor();
            break;
        case 2:
            v = c.get_LowColor();
            break;
        case 3:
            v = c.get_MidColor();
            break;
        case 4:
            v = c.get_HighColor();
            break;
        case 5:
            v = c.get_NumSegments();
            break;
        case 6:
            v = c.get_Orientation();
            break;
        case 7:
            v = c.get_SampleRate();
            break;
        case 8:
            v = c.get_BitsPerSample();
            break;
        case 9:
            v = c.get_NumChannels();
            break;
        case 10:
            v = c.get_Style();
            break;
        case 11:
            v = c.get_Status();
            break;
        case 13:
            v = c.get_Filename();
            break;
        case 14:
            v = c.get_TemporaryFile();
            break;
        case 19:
            v = c.get_NumSamples();
            break;
        case 20:
            v = c.get_Paused();
            break;
        case 21:
            v = c.get_CurrentSamplePosition();
            break;
        case 25:
            v = c.get_LastError();
            break;
        case 26:
            v = c.get_CurrentTimePosition();
            break;
        case 27:
            v = c.get_TotalTime();
            break;
        case 29:
            v = c.get_PreToneDuration();
            break;
        case 30:
            v = c.get_PostToneDuration();
            break;
        case 32:
            v = c.get_RecordLimit();
            break;
        case 33:
            v = c.get_RecordTimeLimit();
            break;
        case 34:
            v = c.get_NRecordDevices();
            break;
        case 35:
            v = c.get_NPlaybackDevices();
            break;
        case 36:
            v = c.get_RecordDeviceName(a.i4(0));
            break;
        case 37:
            v = c.get_PlaybackDeviceName(a.i4(0));
            break;
        case 38:
            v = c.get_RecordDevice();
            break;
        case 39:
            v = c.get_PlaybackDevice();
            break;
        case 40:
            v = c.get_Insert();
            break;
        case 45:
            // Without a place for the result the read does nothing.
            if (!result) return {};
            v = c.get_AcmFormat();
            break;
        case 49:
            v = c.get_VoxChannel();
            break;
        case 50:
            v = c.get_VoxStartLevel();
            break;
        case 51:
            v = c.get_VoxStopLevel();
            break;
        case 52:
            v = c.get_VoxPaused();
            break;
        case 53:
            v = c.get_VoxTime();
            break;
        case 54:
            v = c.get_PlayOnly();
            break;
        case 56:
            v = c.get_DataOnly();
            break;
        case 57:
            v = c.get_PreRollTime();
            break;
        default:
            return {InvokeStatus::MemberNotFound, {}, 0};
    }
    if (result) *result = std::move(v);
    return {};
}

InvokeResult Dispatch::put(const MemberInfo& m, std::span<Variant> args) {
    if (args.size() != m.params.size() + 1) return {InvokeStatus::BadParamCount, {}, 0};
    const Variant& value = args.back();
    auto converted = convert(value, m.type);
    if (!converted.ok()) return conversionFailure(converted.status, args.size() - 1);
    const Variant& v = converted.value;
    AURX300Ctrl& c = control_;
    switch (m.dispid) {
        case 1:
            return refused(c.put_BackColor(v.toUI4().value));
        case 2:
            return refused(c.put_LowColor(v.toUI4().value));
        case 3:
            return refused(c.put_MidColor(v.toUI4().value));
        case 4:
            return refused(c.put_HighColor(v.toUI4().value));
        case 5:
            return refused(c.put_NumSegments(v.toI2().value));
        case 6:
            return refused(c.put_Orientation(v.toI2().value));
        case 7:
            return refused(c.put_SampleRate(v.toI4().value));
        case 8:
            return refused(c.put_BitsPerSample(v.toI2().value));
        case 9:
            return refused(c.put_NumChannels(v.toI2().value));
        case 10:
            return refused(c.put_Style(v.toI2().value));
        case 14:
            return refused(c.put_TemporaryFile(v.toI2().value));
        case 20:
            return refused(c.put_Paused(v.toI2().value));
        case 21:
            return refused(c.put_CurrentSamplePosition(v.toI4().value));
        case 26:
            return refused(c.put_CurrentTimePosition(v.toR8().value));
        case 29:
            return refused(c.put_PreToneDuration(v.toR4().value));
        case 30:
            return refused(c.put_PostToneDuration(v.toR4().value));
        case 32:
            return refused(c.put_RecordLimit(v.toI4().value));
        case 33:
            return refused(c.put_RecordTimeLimit(v.toR8().value));
        case 38:
            return refused(c.put_RecordDevice(v.toI4().value));
        case 39:
            return refused(c.put_PlaybackDevice(v.toI4().value));
        case 40:
            return refused(c.put_Insert(v.toI2().value));
        case 45:
            return refused(c.put_AcmFormat(value));
        case 49:
            return refused(c.put_VoxChannel(v.toI2().value));
        case 50:
            return refused(c.put_VoxStartLevel(v.toR4().value));
        case 51:
            return refused(c.put_VoxStopLevel(v.toR4().value));
        case 53:
            return refused(c.put_VoxTime(v.toI2().value));
        case 54:
            return refused(c.put_PlayOnly(v.toI2().value));
        case 56:
            return refused(c.put_DataOnly(v.toI2().value));
        case 57:
            return refused(c.put_PreRollTime(v.toR4().value));
        default:
            return {InvokeStatus::MemberNotFound, {}, 0};
    }
}

InvokeResult Dispatch::call(const MemberInfo& m, std::span<Variant> args) {
    Arguments a(args, m.params);
    if (auto r = a.prepare(); !r.ok()) return r;
    AURX300Ctrl& c = control_;
    const std::size_t last = m.params.size() - (m.params.empty() ? 0 : 1);
    auto code = [&](std::int16_t e) {
        a.setOut(last, Variant(e));
        return InvokeResult{};
    };
    switch (m.dispid) {
        case 12:
            return code(c.Reset());
        case 15:
            c.Stop();
            return {};
        case 16:
            return code(c.OpenNewFile(a.bstr(0)));
        case 17:
            return code(c.OpenTemporaryFile());
        case 18:
            return code(c.OpenExistingOrNewFile(a.bstr(0)));
        case 22: {
            const Levels l = c.GetLevels();
            a.setOut(0, Variant(l.leftLevel));
            a.setOut(1, Variant(l.leftOverload));
            a.setOut(2, Variant(l.rightLevel));
            a.setOut(3, Variant(l.rightOverload));
            return {};
        }
        case 23:
            return code(c.StartRecording());
        case 24:
            return code(c.StartPlayback());
        case 28:
            return code(c.ShowMixer(a.i2(0)));
        case 41:
            return code(c.DeleteSamples(a.i4(0)));
        case 42:
            return code(c.DeleteTime(a.r8(0)));
        case 43:
            return code(c.RePack());
        case 46:
            return code(c.ChooseAcmFormat(a.i4(0), a.bstr(1)));
        case 55:
            return code(c.ChooseSpecificAcmFormat(a.i4(0), a.bstr(1), a.i2(2)));
        case 47:
        case 48: {
            std::string text;
            std::int16_t e = 0;
            const CallResult r =
                m.dispid == 47 ? c.GetAcmFormatAsString(a.hasOut(0) ? &text : nullptr, &e)
                               : c.GetCurrentFormatAsString(a.hasOut(0) ? &text : nullptr, &e);
            if (!r.ok()) return refused(r);
            a.setOut(0, Variant(text));
            a.setOut(1, Variant(e));
            return {};
        }
        default:
            return {InvokeStatus::MemberNotFound, {}, 0};
    }
}

}  // namespace aurx
