// The control's dispatch interface IAURX300Ctrl: every property and method by DISPID and by
// name (names compare without regard to case), with its arguments in order and their types.
// Arguments arrive as variants and are converted to the declared types; out-parameters are
// references to variants that receive the results (a missing one is skipped, except where the
// method refuses the call).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "recorder/control/CallResult.h"
#include "recorder/control/Variant.h"

namespace aurx {

class AURX300Ctrl;

enum class ArgType { I2, I4, R4, R8, Bstr, Colour, Variant };

struct ParamInfo {
    std::string_view name;
    ArgType type;
    bool out = false;
};

struct MemberInfo {
    std::int32_t dispid;
    std::string_view name;
    bool property;  // false: a method
    ArgType type;   // the property's type
    bool readable;
    bool writable;
    std::vector<ParamInfo> params;  // method arguments, or a property's index
};

struct EventInfo {
    std::int32_t dispid;
    std::string_view name;
    std::vector<ParamInfo> params;
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

std::string_view statusText(InvokeStatus status);

class Dispatch {
  public:
    explicit Dispatch(AURX300Ctrl& control) : control_(control) {}

    static const std::vector<MemberInfo>& members();
    static const std::vector<EventInfo>& events();
    static const MemberInfo* find(std::int32_t dispid);
    static const MemberInfo* find(std::string_view name);

    // `args` in declared order (property puts: index arguments, then the value). `result`
    // receives a property's value; nullptr discards it.
    InvokeResult invoke(std::int32_t dispid, InvokeKind kind, std::span<Variant> args,
                        Variant* result = nullptr);
    InvokeResult invoke(std::string_view name, InvokeKind kind, std::span<Variant> args,
                        Variant* result = nullptr);

  private:
    InvokeResult get(const MemberInfo& m, std::span<Variant> args, Variant* result);
    InvokeResult put(const MemberInfo& m, std::span<Variant> args);
    InvokeResult call(const MemberInfo& m, std::span<Variant> args);

    AURX300Ctrl& control_;
};

}  // namespace aurx
