// The control's dispatch interface IAURX300Ctrl: every property and method by DISPID and by
// name (names compare without regard to case), with its arguments in order and their types.
// Arguments arrive as variants and are converted to the declared types; out-parameters are
// references to variants that receive the results (a missing one is skipped, except where the
// method refuses the call). One table holds every member: its row names it, lists its
// arguments and carries the thunks that call the control; the properties' rows are made from
// the property table (aurx/PropertyTable.h), so a member is written in one place only.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "aurx/CallResult.h"
#include "aurx/Variant.h"
#include "aurx/aurx_export.h"

namespace aurx {

class AURX300Ctrl;
class Arguments;

enum class ArgType { I2, I4, R4, R8, Bstr, Colour, Variant };

struct ParamInfo {
    std::string_view name;
    ArgType type = ArgType::Variant;
    bool out = false;
};

// A member's arguments in order; a handful at most.
class ParamList {
  public:
    static constexpr std::size_t kMost = 4;

    constexpr ParamList() = default;
    constexpr ParamList(std::initializer_list<ParamInfo> params) {
        if (params.size() > kMost) throw "a member takes at most four arguments";
        for (const ParamInfo& p : params)
            items_[count_++] = p;
    }

    constexpr std::size_t size() const { return count_; }
    constexpr bool empty() const { return count_ == 0; }
    constexpr const ParamInfo& operator[](std::size_t i) const { return items_[i]; }
    constexpr const ParamInfo* begin() const { return items_.data(); }
    constexpr const ParamInfo* end() const { return items_.data() + count_; }
    constexpr std::size_t inputs() const {
        std::size_t n = 0;
        for (const ParamInfo& p : *this)
            n += p.out ? 0 : 1;
        return n;
    }

  private:
    std::array<ParamInfo, kMost> items_{};
    std::size_t count_ = 0;
};

// Thunks between variants and the control's typed members. A getter's index arguments and a
// method's inputs arrive converted to their declared types; a put's value has the property's
// type; a getter leaves `result` alone when it is nullptr.
using Getter = void (*)(AURX300Ctrl& control, const Arguments& index, Variant* result);
using Putter = CallResult (*)(AURX300Ctrl& control, const Variant& value);
using Caller = CallResult (*)(AURX300Ctrl& control, Arguments& args);

struct MemberInfo {
    std::int32_t dispid;
    std::string_view name;
    bool property;          // false: a method
    ArgType type;           // the property's type
    ParamList params;       // method arguments, or a property's index
    Getter get = nullptr;   // every property
    Putter put = nullptr;   // writable properties
    Caller call = nullptr;  // methods

    constexpr bool readable() const { return get != nullptr; }
    constexpr bool writable() const { return put != nullptr; }
};

struct EventInfo {
    std::int32_t dispid;
    std::string_view name;
    ParamList params;
};

enum class InvokeKind { Method, PropertyGet, PropertyPut };

enum class InvokeStatus {
    Ok,
    Exception,  // refused: see the error record
    MemberNotFound,
    BadParamCount,
    ParamNotOptional,  // a required input argument is missing
    TypeMismatch,
    Overflow,
};

struct InvokeResult {
    InvokeStatus status = InvokeStatus::Ok;
    ErrorRecord error;         // for Exception
    std::size_t argError = 0;  // the argument that failed to convert
    bool ok() const { return status == InvokeStatus::Ok; }
};

AURX_EXPORT std::string_view statusText(InvokeStatus status);

class AURX_EXPORT Dispatch {
  public:
    explicit Dispatch(AURX300Ctrl& control) : control_(control) {}

    // In DISPID order.
    static std::span<const MemberInfo> members();
    static std::span<const EventInfo> events();
    static const MemberInfo* find(std::int32_t dispid);
    static const MemberInfo* find(std::string_view name);

    // `args` in declared order (property puts: index arguments, then the value). `result`
    // receives a property's value; nullptr discards it.
    InvokeResult invoke(std::int32_t dispid, InvokeKind kind, std::span<Variant> args,
                        Variant* result = nullptr);
    InvokeResult invoke(std::string_view name, InvokeKind kind, std::span<Variant> args,
                        Variant* result = nullptr);

  private:
    AURX300Ctrl& control_;
};

}  // namespace aurx
