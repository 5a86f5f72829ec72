// The rows of the dispatch interface and of the event interface, in DISPID order. Each row
// names the control's typed member it calls; its thunks are made from that member, and a row
// whose argument list disagrees with the member's C++ signature does not compile.
#include <tuple>
#include <type_traits>
#include <utility>

#include "aurx/AURX300Ctrl.h"
#include "aurx/Dispatch.h"
#include "recorder/control/DispatchArguments.h"

namespace aurx {
namespace {

using C = AURX300Ctrl;
using A = ArgType;

// The interface type of each C++ type a member takes or gives.
template <class T>
constexpr bool kNoArgType = false;
template <class T>
constexpr ArgType argTypeOf() {
    if constexpr (std::is_same_v<T, std::int16_t>)
        return A::I2;
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return A::I4;
    else if constexpr (std::is_same_v<T, OleColor>)
        return A::Colour;
    else if constexpr (std::is_same_v<T, float>)
        return A::R4;
    else if constexpr (std::is_same_v<T, double>)
        return A::R8;
    else if constexpr (std::is_same_v<T, std::string>)
        return A::Bstr;
    else if constexpr (std::is_same_v<T, Variant>)
        return A::Variant;
    else
        static_assert(kNoArgType<T>, "not a type of the interface");
}

template <class F>
struct Signature;
template <class Class, class R, class... Args>
struct Signature<R (Class::*)(Args...)> {
    using Result = std::remove_cvref_t<R>;
    using Inputs = std::tuple<std::remove_cvref_t<Args>...>;
};
template <class Class, class R, class... Args>
struct Signature<R (Class::*)(Args...) const> : Signature<R (Class::*)(Args...)> {};

template <auto F>
using Inputs = typename Signature<decltype(F)>::Inputs;
template <auto F>
using Result = typename Signature<decltype(F)>::Result;

// A row that disagrees with its member stops the compilation here.
constexpr void require(bool agrees) {
    if (!agrees) throw "a dispatch row disagrees with the member it calls";
}

// The row's inputs, in order, are the member's arguments.
template <auto F, std::size_t... I>
constexpr bool inputsMatch(const ParamList& params, std::index_sequence<I...>) {
    return params.inputs() == sizeof...(I) && ((!params[I].out) && ...) &&
           ((params[I].type == argTypeOf<std::tuple_element_t<I, Inputs<F>>>()) && ...);
}
template <auto F>
constexpr bool inputsMatch(const ParamList& params) {
    return inputsMatch<F>(params, std::make_index_sequence<std::tuple_size_v<Inputs<F>>>{});
}

template <auto F, std::size_t... I>
decltype(auto) callWith(C& c, const Arguments& a, std::index_sequence<I...>) {
    return (c.*F)(a.get<std::tuple_element_t<I, Inputs<F>>>(I)...);
}
template <auto F>
decltype(auto) callWith(C& c, const Arguments& a) {
    return callWith<F>(c, a, std::make_index_sequence<std::tuple_size_v<Inputs<F>>>{});
}

template <auto Get>
void getThunk(C& c, const Arguments& index, Variant* result) {
    // A variant may hold a large block: without a place for it, it is not made.
    if constexpr (std::is_same_v<Result<Get>, Variant>)
        if (!result) return;
    Variant v(callWith<Get>(c, index));
    if (result) *result = std::move(v);
}

template <auto Put>
CallResult putThunk(C& c, const Variant& value) {
    return (c.*Put)(valueAs<std::tuple_element_t<0, Inputs<Put>>>(value));
}

// A method whose member takes the inputs and returns the error code, or nothing.
template <auto F>
CallResult callThunk(C& c, Arguments& a) {
    if constexpr (std::is_void_v<Result<F>>) {
        callWith<F>(c, a);
    } else {
        const std::int16_t code = callWith<F>(c, a);
        a.setOut(std::tuple_size_v<Inputs<F>>, Variant(code));
    }
    return {};
}

constexpr ParamInfo in(std::string_view name, ArgType t) {
    return ParamInfo{name, t, false};
}
constexpr ParamInfo out(std::string_view name, ArgType t) {
    return ParamInfo{name, t, true};
}

template <auto Get, auto Put>
constexpr MemberInfo readWrite(std::int32_t id, std::string_view name) {
    using T = Result<Get>;
    static_assert(std::is_same_v<std::tuple<T>, Inputs<Put>>,
                  "the setter takes what the getter gives");
    return MemberInfo{id, name, true, argTypeOf<T>(), {}, &getThunk<Get>, &putThunk<Put>, nullptr};
}

template <auto Get>
constexpr MemberInfo readOnly(std::int32_t id, std::string_view name, ParamList index = {}) {
    require(inputsMatch<Get>(index));
    return MemberInfo{id,    name,           true,    argTypeOf<Result<Get>>(),
                      index, &getThunk<Get>, nullptr, nullptr};
}

// The inputs come first; a member that returns its error code has the out-parameter
// errorCode last.
template <auto F>
constexpr MemberInfo method(std::int32_t id, std::string_view name, ParamList params) {
    constexpr std::size_t inputs = std::tuple_size_v<Inputs<F>>;
    if constexpr (std::is_void_v<Result<F>>) {
        require(params.size() == inputs);
    } else {
        static_assert(std::is_same_v<Result<F>, std::int16_t>, "a method returns its error code");
        require(params.size() == inputs + 1 && params[inputs].out && params[inputs].type == A::I2 &&
                params[inputs].name == "errorCode");
    }
    require(inputsMatch<F>(params));
    return MemberInfo{id, name, false, A::Variant, params, nullptr, nullptr, &callThunk<F>};
}

// The members whose results do not fit the pattern above.
constexpr MemberInfo custom(std::int32_t id, std::string_view name, ParamList params, Caller call) {
    return MemberInfo{id, name, false, A::Variant, params, nullptr, nullptr, call};
}

CallResult getLevels(C& c, Arguments& a) {
    const Levels l = c.GetLevels();
    a.setOut(0, Variant(l.leftLevel));
    a.setOut(1, Variant(l.leftOverload));
    a.setOut(2, Variant(l.rightLevel));
    a.setOut(3, Variant(l.rightOverload));
    return {};
}

// GetAcmFormatAsString and GetCurrentFormatAsString: the text and the code; the member
// refuses the call when the text has nowhere to go.
template <auto F>
CallResult formatText(C& c, Arguments& a) {
    std::string text;
    std::int16_t code = 0;
    const CallResult r = (c.*F)(a.hasOut(0) ? &text : nullptr, &code);
    if (!r.ok()) return r;
    a.setOut(0, Variant(text));
    a.setOut(1, Variant(code));
    return {};
}

constexpr MemberInfo kMembers[] = {
    readWrite<&C::get_BackColor, &C::put_BackColor>(1, "BackColor"),
    readWrite<&C::get_LowColor, &C::put_LowColor>(2, "LowColor"),
    readWrite<&C::get_MidColor, &C::put_MidColor>(3, "MidColor"),
    readWrite<&C::get_HighColor, &C::put_HighColor>(4, "HighColor"),
    readWrite<&C::get_NumSegments, &C::put_NumSegments>(5, "NumSegments"),
    readWrite<&C::get_Orientation, &C::put_Orientation>(6, "Orientation"),
    readWrite<&C::get_SampleRate, &C::put_SampleRate>(7, "SampleRate"),
    readWrite<&C::get_BitsPerSample, &C::put_BitsPerSample>(8, "BitsPerSample"),
    readWrite<&C::get_NumChannels, &C::put_NumChannels>(9, "NumChannels"),
    readWrite<&C::get_Style, &C::put_Style>(10, "Style"),
    readOnly<&C::get_Status>(11, "Status"),
    method<&C::Reset>(12, "Reset", {out("errorCode", A::I2)}),
    readOnly<&C::get_Filename>(13, "Filename"),
    readWrite<&C::get_TemporaryFile, &C::put_TemporaryFile>(14, "TemporaryFile"),
    method<&C::Stop>(15, "Stop", {}),
    method<&C::OpenNewFile>(16, "OpenNewFile", {in("Filename", A::Bstr), out("errorCode", A::I2)}),
    method<&C::OpenTemporaryFile>(17, "OpenTemporaryFile", {out("errorCode", A::I2)}),
    method<&C::OpenExistingOrNewFile>(18, "OpenExistingOrNewFile",
                                      {in("Filename", A::Bstr), out("errorCode", A::I2)}),
    readOnly<&C::get_NumSamples>(19, "NumSamples"),
    readWrite<&C::get_Paused, &C::put_Paused>(20, "Paused"),
    readWrite<&C::get_CurrentSamplePosition, &C::put_CurrentSamplePosition>(
        21, "CurrentSamplePosition"),
    custom(22, "GetLevels",
           {out("leftLevel", A::R4), out("leftOverload", A::I2), out("rightLevel", A::R4),
            out("rightOverload", A::I2)},
           &getLevels),
    method<&C::StartRecording>(23, "StartRecording", {out("errorCode", A::I2)}),
    method<&C::StartPlayback>(24, "StartPlayback", {out("errorCode", A::I2)}),
    readOnly<&C::get_LastError>(25, "LastError"),
    readWrite<&C::get_CurrentTimePosition, &C::put_CurrentTimePosition>(26, "CurrentTimePosition"),
    readOnly<&C::get_TotalTime>(27, "TotalTime"),
    method<&C::ShowMixer>(28, "ShowMixer", {in("mixerType", A::I2), out("errorCode", A::I2)}),
    readWrite<&C::get_PreToneDuration, &C::put_PreToneDuration>(29, "PreToneDuration"),
    readWrite<&C::get_PostToneDuration, &C::put_PostToneDuration>(30, "PostToneDuration"),
    readWrite<&C::get_RecordLimit, &C::put_RecordLimit>(32, "RecordLimit"),
    readWrite<&C::get_RecordTimeLimit, &C::put_RecordTimeLimit>(33, "RecordTimeLimit"),
    readOnly<&C::get_NRecordDevices>(34, "NRecordDevices"),
    readOnly<&C::get_NPlaybackDevices>(35, "NPlaybackDevices"),
    readOnly<&C::get_RecordDeviceName>(36, "RecordDeviceName", {in("deviceNumber", A::I4)}),
    readOnly<&C::get_PlaybackDeviceName>(37, "PlaybackDeviceName", {in("deviceNumber", A::I4)}),
    readWrite<&C::get_RecordDevice, &C::put_RecordDevice>(38, "RecordDevice"),
    readWrite<&C::get_PlaybackDevice, &C::put_PlaybackDevice>(39, "PlaybackDevice"),
    readWrite<&C::get_Insert, &C::put_Insert>(40, "Insert"),
    method<&C::DeleteSamples>(41, "DeleteSamples",
                              {in("nSamples", A::I4), out("errorCode", A::I2)}),
    method<&C::DeleteTime>(42, "DeleteTime", {in("time", A::R8), out("errorCode", A::I2)}),
    method<&C::RePack>(43, "RePack", {out("errorCode", A::I2)}),
    readWrite<&C::get_AcmFormat, &C::put_AcmFormat>(45, "AcmFormat"),
    method<&C::ChooseAcmFormat>(
        46, "ChooseAcmFormat",
        {in("hwndOwner", A::I4), in("dialogTitle", A::Bstr), out("errorCode", A::I2)}),
    custom(47, "GetAcmFormatAsString", {out("outVal", A::Bstr), out("errorCode", A::I2)},
           &formatText<&C::GetAcmFormatAsString>),
    custom(48, "GetCurrentFormatAsString", {out("outVal", A::Bstr), out("errorCode", A::I2)},
           &formatText<&C::GetCurrentFormatAsString>),
    readWrite<&C::get_VoxChannel, &C::put_VoxChannel>(49, "VoxChannel"),
    readWrite<&C::get_VoxStartLevel, &C::put_VoxStartLevel>(50, "VoxStartLevel"),
    readWrite<&C::get_VoxStopLevel, &C::put_VoxStopLevel>(51, "VoxStopLevel"),
    readOnly<&C::get_VoxPaused>(52, "VoxPaused"),
    readWrite<&C::get_VoxTime, &C::put_VoxTime>(53, "VoxTime"),
    readWrite<&C::get_PlayOnly, &C::put_PlayOnly>(54, "PlayOnly"),
    method<&C::ChooseSpecificAcmFormat>(55, "ChooseSpecificAcmFormat",
                                        {in("hwndOwner", A::I4), in("dialogTitle", A::Bstr),
                                         in("waveFormat", A::I2), out("errorCode", A::I2)}),
    readWrite<&C::get_DataOnly, &C::put_DataOnly>(56, "DataOnly"),
    readWrite<&C::get_PreRollTime, &C::put_PreRollTime>(57, "PreRollTime"),
    method<&C::ContinueInNewFile>(
        58, "ContinueInNewFile",
        {in("Filename", A::Bstr), in("LeadInTime", A::R4), out("errorCode", A::I2)}),
};

// An event's arguments are those of its sink method, in order.
template <auto F>
constexpr EventInfo event(std::int32_t id, std::string_view name, ParamList params) {
    require(params.size() == std::tuple_size_v<Inputs<F>> && inputsMatch<F>(params));
    return EventInfo{id, name, params};
}

using E = IAURX300CtrlEvents;
constexpr EventInfo kEvents[] = {
    event<&E::RecordingStopped>(1, "RecordingStopped", {in("errorCode", A::I2)}),
    event<&E::PlaybackStopped>(2, "PlaybackStopped", {in("errorCode", A::I2)}),
    event<&E::NewLevelValues>(3, "NewLevelValues",
                              {in("leftLevel", A::R4), in("leftOverload", A::I2),
                               in("rightLevel", A::R4), in("rightOverload", A::I2)}),
    event<&E::NewVoxState>(4, "NewVoxState", {in("voxState", A::I2)}),
};

constexpr bool inDispidOrder() {
    for (std::size_t i = 1; i < std::size(kMembers); ++i)
        if (kMembers[i - 1].dispid >= kMembers[i].dispid) return false;
    return true;
}
static_assert(inDispidOrder(), "each DISPID once, in order");

}  // namespace

std::span<const MemberInfo> Dispatch::members() {
    return kMembers;
}

std::span<const EventInfo> Dispatch::events() {
    return kEvents;
}

}  // namespace aurx
