#include "aurx/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "aurx/HexText.h"

namespace aurx {
namespace {

constexpr int kMaxReferenceDepth = 8;

template <class T>
Converted<T> integral(std::optional<double> n) {
    if (!n) return {Conversion::TypeMismatch, T{}};
    const double r = std::nearbyint(*n);  // the default rounding mode: half to even
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max())))
        return {Conversion::Overflow, T{}};
    return {Conversion::Ok, static_cast<T>(r)};
}

std::optional<double> parseNumber(const std::string& text) {
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+') ++first;
    double v = 0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec != std::errc() || r.ptr != last) return std::nullopt;
    return v;
}

}  // namespace

ByteArray ByteArray::vector(std::vector<std::uint8_t> bytes, std::int32_t lowerBound) {
    ByteArray a;
    a.bounds.push_back(ArrayBound{static_cast<std::uint32_t>(bytes.size()), lowerBound});
    a.data = std::move(bytes);
    return a;
}

Variant Variant::missing() {
    Variant v;
    v.value_ = Missing{};
    return v;
}

Variant Variant::byRef(Variant* target) {
    Variant v;
    v.value_ = target;
    return v;
}

Variant* Variant::ref() const {
    const auto* p = std::get_if<Variant*>(&value_);
    return p ? *p : nullptr;
}

const Variant& Variant::deref() const {
    const Variant* v = this;
    for (int i = 0; i < kMaxReferenceDepth && v->isByRef() && v->ref(); ++i)
        v = v->ref();
    return *v;
}

VarType Variant::type() const {
    switch (value_.index()) {
        case 0:
            return VT_EMPTY;
        case 1:
            return VT_ERROR;
        case 2:
            return VT_I2;
        case 3:
            return VT_I4;
        case 4:
            return VT_UI4;
        case 5:
            return VT_R4;
        case 6:
            return VT_R8;
        case 7:
            return VT_BOOL;
        case 8:
            return VT_BSTR;
        case 9:
            return static_cast<VarType>(VT_ARRAY | VT_UI1);
        default:
            return static_cast<VarType>(VT_BYREF | (ref() ? ref()->type() : VT_EMPTY));
    }
}

std::optional<double> Variant::number() const {
    const Variant& v = deref();
    return std::visit(
        [](const auto& x) -> std::optional<double> {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return 0.0;
            else if constexpr (std::is_same_v<T, bool>)
                return x ? -1.0 : 0.0;
            else if constexpr (std::is_arithmetic_v<T>)
                return static_cast<double>(x);
            else if constexpr (std::is_same_v<T, std::string>)
                return parseNumber(x);
            else
                return std::nullopt;
        },
        v.value_);
}

Converted<std::int16_t> Variant::toI2() const {
    return integral<std::int16_t>(number());
}
Converted<std::int32_t> Variant::toI4() const {
    return integral<std::int32_t>(number());
}

Converted<std::uint32_t> Variant::toUI4() const {
    // Colours arrive as signed 32-bit values too (system colours are "negative").
    if (const auto* i = std::get_if<std::int32_t>(&deref().value_))
        return {Conversion::Ok, static_cast<std::uint32_t>(*i)};
    return integral<std::uint32_t>(number());
}

Converted<float> Variant::toR4() const {
    const auto n = number();
    if (!n) return {Conversion::TypeMismatch, 0.0f};
    if (std::isfinite(*n) && std::fabs(*n) > std::numeric_limits<float>::max())
        return {Conversion::Overflow, 0.0f};
    return {Conversion::Ok, static_cast<float>(*n)};
}

Converted<double> Variant::toR8() const {
    const auto n = number();
    if (!n) return {Conversion::TypeMismatch, 0.0};
    return {Conversion::Ok, *n};
}

Converted<std::string> Variant::toBstr() const {
    const Variant& v = deref();
    if (const auto* s = std::get_if<std::string>(&v.value_)) return {Conversion::Ok, *s};
    if (v.isEmpty()) return {Conversion::Ok, std::string()};
    if (const auto* f = std::get_if<float>(&v.value_)) return {Conversion::Ok, shortestText(*f)};
    if (const auto* d = std::get_if<double>(&v.value_)) return {Conversion::Ok, shortestText(*d)};
    if (const auto* b = std::get_if<bool>(&v.value_))
        return {Conversion::Ok, std::string(*b ? "True" : "False")};
    const auto n = v.number();
    if (!n || v.bytes() || v.isMissing()) return {Conversion::TypeMismatch, std::string()};
    return {Conversion::Ok, std::to_string(static_cast<long long>(*n))};
}

std::string Variant::display() const {
    const Variant& v = deref();
    return std::visit(
        [](const auto& x) -> std::string {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return "empty";
            else if constexpr (std::is_same_v<T, Missing>)
                return "missing";
            else if constexpr (std::is_same_v<T, bool>)
                return x ? "-1" : "0";
            else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>)
                return shortestText(x);
            else if constexpr (std::is_arithmetic_v<T>)
                return std::to_string(x);
            else if constexpr (std::is_same_v<T, std::string>)
                return quoted(x);
            else if constexpr (std::is_same_v<T, ByteArray>)
                return formats::toHex(x.data);
            else
                return "empty";
        },
        v.value_);
}

std::string shortestText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string shortestText(float v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace aurx
