// The rows of the dispatch interface and of the event interface, in DISPID order. The
// properties' rows are made from the property table. A method's row names the control's typed
// member it calls; its thunks are made from that member, and a row whose argument list
// disagrees with the member's C++ signature does not compile.
#include <algorithm>
#include <array>
#include <tuple>
#include <type_traits>
#include <utility>

#include "aurx/AURX300Ctrl.h"
#include "aurx/Dispatch.h"
#include "recorder/control/ControlAccess.h"
#include "recorder/control/DispatchArguments.h"
#include "recorder/control/PropertyRows.h"

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

// A property's thunks: its row's accessors of the control.
template <Property P>
void getThunk(C& c, const Arguments& index, Variant* result) {
    using T = PropertyValue<P>;
    // A variant may hold a large block: without a place for it, it is not made.
    if constexpr (std::is_same_v<T, Variant>)
        if (!result) return;
    Control& control = ControlAccess::of(c);
    Variant v = [&] {
        if constexpr (PropertyRow<P>::access == PropertyAccess::ReadAndClear)
            return Variant(control.take<P>());
        else if constexpr (PropertyRow<P>::access == PropertyAccess::Indexed)
            return Variant(control.get<P>(index.get<std::int32_t>(0)));
        else
            return Variant(control.get<P>());
    }();
    if (result) *result = std::move(v);
}

template <Property P>
CallResult putThunk(C& c, const Variant& value) {
    return ControlAccess::of(c).put<P>(valueAs<PropertyValue<P>>(value));
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

// An indexed property is read by a device number.
template <Property P>
constexpr MemberInfo property() {
    using Row = PropertyRow<P>;
    MemberInfo m{Row::dispid, Row::name,    true,    argTypeOf<PropertyValue<P>>(),
                 {},          &getThunk<P>, nullptr, nullptr};
    if constexpr (Row::access == PropertyAccess::Indexed) m.params = {in("deviceNumber", A::I4)};
    if constexpr (Row::access == PropertyAccess::ReadWrite) m.put = &putThunk<P>;
    return m;
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

constexpr MemberInfo kMethods[] = {
    method<&C::Reset>(12, "Reset", {out("errorCode", A::I2)}),
    method<&C::Stop>(15, "Stop", {}),
    method<&C::OpenNewFile>(16, "OpenNewFile", {in("Filename", A::Bstr), out("errorCode", A::I2)}),
    method<&C::OpenTemporaryFile>(17, "OpenTemporaryFile", {out("errorCode", A::I2)}),
    method<&C::OpenExistingOrNewFile>(18, "OpenExistingOrNewFile",
                                      {in("Filename", A::Bstr), out("errorCode", A::I2)}),
    custom(22, "GetLevels",
           {out("leftLevel", A::R4), out("leftOverload", A::I2), out("rightLevel", A::R4),
            out("rightOverload", A::I2)},
           &getLevels),
    method<&C::StartRecording>(23, "StartRecording", {out("errorCode", A::I2)}),
    method<&C::StartPlayback>(24, "StartPlayback", {out("errorCode", A::I2)}),
    method<&C::ShowMixer>(28, "ShowMixer", {in("mixerType", A::I2), out("errorCode", A::I2)}),
    method<&C::DeleteSamples>(41, "DeleteSamples",
                              {in("nSamples", A::I4), out("errorCode", A::I2)}),
    method<&C::DeleteTime>(42, "DeleteTime", {in("time", A::R8), out("errorCode", A::I2)}),
    method<&C::RePack>(43, "RePack", {out("errorCode", A::I2)}),
    method<&C::ChooseAcmFormat>(
        46, "ChooseAcmFormat",
        {in("hwndOwner", A::I4), in("dialogTitle", A::Bstr), out("errorCode", A::I2)}),
    custom(47, "GetAcmFormatAsString", {out("outVal", A::Bstr), out("errorCode", A::I2)},
           &formatText<&C::GetAcmFormatAsString>),
    custom(48, "GetCurrentFormatAsString", {out("outVal", A::Bstr), out("errorCode", A::I2)},
           &formatText<&C::GetCurrentFormatAsString>),
    method<&C::ChooseSpecificAcmFormat>(55, "ChooseSpecificAcmFormat",
                                        {in("hwndOwner", A::I4), in("dialogTitle", A::Bstr),
                                         in("waveFormat", A::I2), out("errorCode", A::I2)}),
    method<&C::ContinueInNewFile>(
        58, "ContinueInNewFile",
        {in("Filename", A::Bstr), in("LeadInTime", A::R4), out("errorCode", A::I2)}),
};

// Every property of the table and every method, in DISPID order.
constexpr auto kMembers = [] {
    const auto properties = forEachProperty([]<Property P>() { return property<P>(); });
    std::array<MemberInfo, properties.size() + std::size(kMethods)> all{};
    const auto end = std::copy(properties.begin(), properties.end(), all.begin());
    std::copy(std::begin(kMethods), std::end(kMethods), end);
    std::sort(all.begin(), all.end(),
              [](const MemberInfo& a, const MemberInfo& b) { return a.dispid < b.dispid; });
    return all;
}();

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
    event<&E::InputStalled>(5, "InputStalled", {in("samplePosition", A::I4)}),
    event<&E::InputResumed>(6, "InputResumed",
                            {in("samplePosition", A::I4), in("stalledSamples", A::I4)}),
};

constexpr bool inDispidOrder() {
    for (std::size_t i = 1; i < std::size(kMembers); ++i)
        if (kMembers[i - 1].dispid >= kMembers[i].dispid) return false;
    return true;
}
static_assert(inDispidOrder(), "each DISPID once");

}  // namespace

std::span<const MemberInfo> Dispatch::members() {
    return kMembers;
}

std::span<const EventInfo> Dispatch::events() {
    return kEvents;
}

}  // namespace aurx
