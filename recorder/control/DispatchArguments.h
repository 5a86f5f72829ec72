// A dispatch call's arguments on their way to a typed member: the inputs checked and converted
// to their declared types, the out-parameters located. Only the dispatch code uses this.
#pragma once

#include <array>
#include <span>
#include <string>
#include <type_traits>

#include "aurx/Dispatch.h"

namespace aurx {

// Converts `v` to the declared type; the variant then holds exactly that type.
Converted<Variant> convert(const Variant& v, ArgType t);

// The value of a variant that holds the C++ type T (as convert() leaves it).
template <class T>
decltype(auto) valueAs(const Variant& v) {
    if constexpr (std::is_same_v<T, std::int16_t>)
        return v.toI2().value;
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return v.toI4().value;
    else if constexpr (std::is_same_v<T, std::uint32_t>)
        return v.toUI4().value;
    else if constexpr (std::is_same_v<T, float>)
        return v.toR4().value;
    else if constexpr (std::is_same_v<T, double>)
        return v.toR8().value;
    else if constexpr (std::is_same_v<T, std::string>)
        return v.toBstr().value;
    else {
        static_assert(std::is_same_v<T, Variant>, "not a type of the interface");
        return v;
    }
}

class Arguments {
  public:
    Arguments(std::span<Variant> args, const ParamList& params) : args_(args), params_(params) {}

    // Checks the count, that inputs are present and convert, and that out-parameters given
    // are references; nothing is converted after the first failure.
    InvokeResult prepare();

    template <class T>
    decltype(auto) get(std::size_t i) const {
        return valueAs<T>(values_[i]);
    }
    bool hasOut(std::size_t i) const { return i < args_.size() && args_[i].isByRef(); }
    void setOut(std::size_t i, Variant v) {
        if (hasOut(i)) *args_[i].ref() = std::move(v);
    }

  private:
    std::span<Variant> args_;
    const ParamList& params_;
    std::array<Variant, ParamList::kMost> values_;
};

}  // namespace aurx
