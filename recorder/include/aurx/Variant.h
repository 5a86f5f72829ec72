// Variants as the dispatch interface passes them: empty, a missing optional argument, I2, I4,
// UI4, R4, R8, BOOL, BSTR, arrays of unsigned bytes of one or more dimensions, and references
// to other variants (out-parameters, or arguments passed by reference). Conversions follow
// the usual automation rules: numbers convert with rounding half to even and a range check,
// text converts when it reads as a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>
#include "aurx/aurx_export.h"

namespace aurx {

enum VarType : std::uint16_t {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_ERROR = 10,  // a missing optional argument
    VT_BOOL = 11,
    VT_UI1 = 17,
    VT_UI4 = 19,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

struct ArrayBound {
    std::uint32_t elements = 0;
    std::int32_t lowerBound = 0;
    bool operator==(const ArrayBound&) const = default;
};

// A safe array of unsigned bytes; the first dimension varies fastest.
struct AURX_EXPORT ByteArray {
    std::vector<std::uint8_t> data;
    std::vector<ArrayBound> bounds;

    static ByteArray vector(std::vector<std::uint8_t> bytes, std::int32_t lowerBound = 0);
    std::size_t dimensions() const { return bounds.size(); }
    bool operator==(const ByteArray&) const = default;
};

enum class Conversion { Ok, TypeMismatch, Overflow };

template <class T>
struct Converted {
    Conversion status = Conversion::TypeMismatch;
    T value{};
    bool ok() const { return status == Conversion::Ok; }
};

class AURX_EXPORT Variant {
  public:
    struct Missing {
        bool operator==(const Missing&) const = default;
    };

    Variant() = default;
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(std::uint32_t v) : value_(v) {}
    Variant(float v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(ByteArray v) : value_(std::move(v)) {}

    static Variant missing();
    // A reference to `target`, which must outlive the reference.
    static Variant byRef(Variant* target);

    VarType type() const;
    bool isEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool isMissing() const { return std::holds_alternative<Missing>(value_); }
    bool isByRef() const { return std::holds_alternative<Variant*>(value_); }
    Variant* ref() const;
    // The variant itself, or what its chain of references leads to.
    const Variant& deref() const;

    const std::string* string() const { return std::get_if<std::string>(&deref().value_); }
    const ByteArray* bytes() const { return std::get_if<ByteArray>(&deref().value_); }

    Converted<std::int16_t> toI2() const;
    Converted<std::int32_t> toI4() const;
    Converted<std::uint32_t> toUI4() const;
    Converted<float> toR4() const;
    Converted<double> toR8() const;
    Converted<std::string> toBstr() const;

    // Text of the value as aurx-host prints it: integers in decimal, reals as the shortest
    // text that reads back, strings quoted, byte arrays as lower-case hex.
    std::string display() const;

    bool operator==(const Variant& other) const { return value_ == other.value_; }

  private:
    std::optional<double> number() const;
    std::variant<std::monostate, Missing, std::int16_t, std::int32_t, std::uint32_t, float, double,
                 bool, std::string, ByteArray, Variant*>
        value_;
};

// Shortest decimal text that reads back as the same value.
AURX_EXPORT std::string shortestText(double v);
AURX_EXPORT std::string shortestText(float v);
// A string in double quotes with \" and \\ escaped.
AURX_EXPORT std::string quoted(const std::string& s);

}  // namespace aurx
