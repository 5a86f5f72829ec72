// The property table read for the control: PropertyRow<P> holds a property's columns as
// types and constants, and the control's accessors work from them. Reading goes to where the
// property lives; writing applies the row's rules in order, keeps the value and runs what
// follows a change.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "recorder/control/Control.h"
#include "recorder/control/Property.h"
#include "recorder/control/PropertyRules.h"
#include "recorder/store/FileOpener.h"

namespace aurx {
namespace properties {

// The tests the table names.
inline bool isSampleRate(std::int32_t v) {
    return v >= 0 && store::isAcceptedRate(static_cast<std::uint32_t>(v));
}
constexpr bool isSampleCoding(std::int16_t v) {
    return sampleCodingOf(v).has_value();
}

}  // namespace properties

#define AURX_SLOT_Saved(n) n
#define AURX_SLOT_NotSaved 0
#define AURX_PLACE_Own(field, ...) \
    properties::own(&Control::field __VA_OPT__(, &Control::__VA_ARGS__))
#define AURX_PLACE_Worker(field, ...) \
    properties::worker(&engine::SharedState::field __VA_OPT__(, &Control::__VA_ARGS__))
#define AURX_PLACE_By(get, ...) properties::by(&Control::get __VA_OPT__(, &Control::__VA_ARGS__))
#define AURX_ROW(Name, Dispid, Type, Access, Saved, Place, ...)          \
    template <>                                                          \
    struct PropertyRow<Property::Name> {                                 \
        using Value = Type;                                              \
        static constexpr std::string_view name = #Name;                  \
        static constexpr std::int32_t dispid = Dispid;                   \
        static constexpr PropertyAccess access = PropertyAccess::Access; \
        static constexpr int savedAt = AURX_SLOT_##Saved;                \
        static constexpr auto place = AURX_PLACE_##Place;                \
        static constexpr auto rules() {                                  \
            using namespace properties;                                  \
            return std::tuple{__VA_ARGS__};                              \
        }                                                                \
    };
AURX_PROPERTIES(AURX_ROW)
#undef AURX_ROW
#undef AURX_PLACE_By
#undef AURX_PLACE_Worker
#undef AURX_PLACE_Own
#undef AURX_SLOT_NotSaved
#undef AURX_SLOT_Saved

// Fn's result for every property, in the table's order: fn.template operator()<P>().
template <class Fn>
constexpr auto forEachProperty(Fn fn) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return std::array{fn.template operator()<static_cast<Property>(I)>()...};
    }
    (std::make_index_sequence<kPropertyCount>{});
}

template <Property P, class... Index>
PropertyValue<P> Control::get(Index... index) const {
    constexpr auto place = PropertyRow<P>::place;
    if constexpr (place.kind == properties::PlaceKind::Own)
        return this->*place.field;
    else if constexpr (place.kind == properties::PlaceKind::Worker)
        return (shared_.*place.field).load();
    else
        return (this->*place.get)(index...);
}

template <Property P>
PropertyValue<P> Control::take() {
    static_assert(PropertyRow<P>::access == PropertyAccess::ReadAndClear);
    return (this->*PropertyRow<P>::place.get)();
}

template <Property P>
CallResult Control::put(PutArg<PropertyValue<P>> v) {
    using Row = PropertyRow<P>;
    static_assert(Row::access == PropertyAccess::ReadWrite);
    constexpr auto place = Row::place;
    constexpr auto rules = Row::rules();
    PropertyValue<P> value = v;
    properties::Refusal refusal;
    std::apply(
        [&](const auto&... rule) {
            (void)(false || ... || (refusal = rule.check(*this, value)).has_value());
        },
        rules);
    if (refusal) return CallResult::refused(std::string(*refusal));
    if constexpr (place.kind == properties::PlaceKind::By) {
        static_assert(!std::is_null_pointer_v<decltype(place.set)>, "a writable property is set");
        if constexpr (std::is_same_v<decltype((this->*place.set)(value)), CallResult>)
            return (this->*place.set)(value);
        else
            (this->*place.set)(value);
    } else {
        if constexpr (place.kind == properties::PlaceKind::Own)
            this->*place.field = value;
        else
            (shared_.*place.field).store(value);
        if constexpr (!std::is_null_pointer_v<decltype(place.then)>) (this->*place.then)();
    }
    return {};
}

}  // namespace aurx
