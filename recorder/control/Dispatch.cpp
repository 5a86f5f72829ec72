// Looking a member up and invoking it through its row's thunks.
#include "aurx/Dispatch.h"

#include <algorithm>
#include <cctype>

#include "recorder/control/DispatchArguments.h"

namespace aurx {
namespace {

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

InvokeResult notFound() {
    return {InvokeStatus::MemberNotFound, {}, 0};
}

}  // namespace

Converted<Variant> convert(const Variant& v, ArgType t) {
    auto wrap = [](auto c) -> Converted<Variant> {
        if (!c.ok()) return {c.status, Variant()};
        return {Conversion::Ok, Variant(c.value)};
    };
    switch (t) {
        case ArgType::I2:
            return wrap(v.toI2());
        case ArgType::I4:
            return wrap(v.toI4());
        case ArgType::R4:
            return wrap(v.toR4());
        case ArgType::R8:
            return wrap(v.toR8());
        case ArgType::Bstr:
            return wrap(v.toBstr());
        case ArgType::Colour:
            return wrap(v.toUI4());
        case ArgType::Variant:
            return {Conversion::Ok, v.deref()};
    }
    return {Conversion::TypeMismatch, Variant()};
}

InvokeResult Arguments::prepare() {
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
    if (!m) return notFound();
    return invoke(m->dispid, kind, args, result);
}

InvokeResult Dispatch::invoke(std::int32_t dispid, InvokeKind kind, std::span<Variant> args,
                              Variant* result) {
    const MemberInfo* m = find(dispid);
    if (!m) return notFound();
    if (!m->property) {
        if (kind != InvokeKind::Method) return notFound();
        Arguments a(args, m->params);
        if (auto r = a.prepare(); !r.ok()) return r;
        return refused(m->call(control_, a));
    }
    if (kind == InvokeKind::PropertyPut) {
        if (!m->writable()) return notFound();
        if (args.size() != m->params.size() + 1) return {InvokeStatus::BadParamCount, {}, 0};
        auto converted = convert(args.back(), m->type);
        if (!converted.ok()) return conversionFailure(converted.status, args.size() - 1);
        return refused(m->put(control_, converted.value));
    }
    // A property read the way a method is called reads it, as automation hosts expect.
    Arguments index(args, m->params);
    if (auto r = index.prepare(); !r.ok()) return r;
    m->get(control_, index, result);
    return {};
}

}  // namespace aurx
