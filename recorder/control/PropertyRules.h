// The words of the property table's last two columns: where the control keeps a property and
// what its setter checks before it takes a value. A rule's check gives the description of
// its refusal, or nothing when the value may be taken; a comparison that does not hold
// refuses, so a value that is not a number is refused by every bound.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "aurx/Codes.h"

namespace aurx::properties {

using Refusal = std::optional<std::string_view>;

// No file may be open.
struct WhileClosed {
    const char* refusal;
    template <class Control, class T>
    Refusal check(const Control& c, T&) const {
        if (hasFile(c.status())) return refusal;
        return std::nullopt;
    }
};

struct NotWhileRecording {
    const char* refusal;
    template <class Control, class T>
    Refusal check(const Control& c, T&) const {
        if (c.status() == Status::Recording) return refusal;
        return std::nullopt;
    }
};

template <class N>
struct Within {
    N least;
    N most;
    const char* refusal;
    template <class Control, class T>
    Refusal check(const Control&, T& v) const {
        if (!(v >= static_cast<T>(least) && v <= static_cast<T>(most))) return refusal;
        return std::nullopt;
    }
};
template <class N>
Within(N, N, const char*) -> Within<N>;

template <class N>
struct AtLeast {
    N least;
    const char* refusal;
    template <class Control, class T>
    Refusal check(const Control&, T& v) const {
        if (!(v >= static_cast<T>(least))) return refusal;
        return std::nullopt;
    }
};
template <class N>
AtLeast(N, const char*) -> AtLeast<N>;

template <class N>
struct AtMost {
    N most;
    const char* refusal;
    template <class Control, class T>
    Refusal check(const Control&, T& v) const {
        if (!(v <= static_cast<T>(most))) return refusal;
        return std::nullopt;
    }
};
template <class N>
AtMost(N, const char*) -> AtMost<N>;

template <class Test>
struct Accepted {
    Test test;
    const char* refusal;
    template <class Control, class T>
    Refusal check(const Control&, T& v) const {
        if (!test(v)) return refusal;
        return std::nullopt;
    }
};
template <class Test>
Accepted(Test, const char*) -> Accepted<Test>;

// Any value but 0 is kept as 1.
struct Flag {
    template <class Control, class T>
    Refusal check(const Control&, T& v) const {
        v = static_cast<T>(v != 0 ? 1 : 0);
        return std::nullopt;
    }
};

// Where a property lives. `then` (a member of the control, or nullptr) runs after each change.
enum class PlaceKind { Own, Worker, By };

template <class Field, class Then>
struct OwnPlace {
    static constexpr PlaceKind kind = PlaceKind::Own;
    Field field;  // of the control
    Then then;
};

template <class Field, class Then>
struct WorkerPlace {
    static constexpr PlaceKind kind = PlaceKind::Worker;
    Field field;  // an atomic of the settings the worker reads
    Then then;
};

template <class Get, class Set>
struct ByPlace {
    static constexpr PlaceKind kind = PlaceKind::By;
    Get get;  // members of the control
    Set set;  // nullptr for a property no host may write
};

template <class Field, class Then = std::nullptr_t>
constexpr OwnPlace<Field, Then> own(Field field, Then then = nullptr) {
    return {field, then};
}

template <class Field, class Then = std::nullptr_t>
constexpr WorkerPlace<Field, Then> worker(Field field, Then then = nullptr) {
    return {field, then};
}

template <class Get, class Set = std::nullptr_t>
constexpr ByPlace<Get, Set> by(Get get, Set set = nullptr) {
    return {get, set};
}

}  // namespace aurx::properties
