// The control against its property table: every row reaches hosts through the dispatch
// interface with its DISPID, type and access, and each bound a row states is exactly where the
// setter starts refusing, with the row's text (as is a file being open, where that is the
// rule). A row added to the table is checked here without a test of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "aurx/Dispatch.h"
#include "recorder/control/PropertyRows.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/support/TempDir.h"

using aurx::ArgType;
using aurx::Dispatch;
using aurx::InvokeKind;
using aurx::InvokeStatus;
using aurx::Property;
using aurx::PropertyAccess;
using aurx::PropertyRow;
using aurx::PropertyValue;
using aurx::Variant;

namespace {

struct Host {
    aurx::AURX300Ctrl control{
        testsupport::environmentWith(std::make_shared<testsupport::FakeDevices>())};
    Dispatch dispatch{control};
    std::vector<std::string> problems;

    Variant get(std::int32_t dispid) {
        Variant out;
        std::vector<Variant> none;
        dispatch.invoke(dispid, InvokeKind::PropertyGet, none, &out);
        return out;
    }
    aurx::InvokeResult put(std::int32_t dispid, Variant v) {
        std::vector<Variant> args{std::move(v)};
        return dispatch.invoke(dispid, InvokeKind::PropertyPut, args);
    }
};

constexpr ArgType argTypeOf(std::int16_t) {
    return ArgType::I2;
}
constexpr ArgType argTypeOf(std::int32_t) {
    return ArgType::I4;
}
constexpr ArgType argTypeOf(std::uint32_t) {
    return ArgType::Colour;
}
constexpr ArgType argTypeOf(float) {
    return ArgType::R4;
}
constexpr ArgType argTypeOf(double) {
    return ArgType::R8;
}
constexpr ArgType argTypeOf(const std::string&) {
    return ArgType::Bstr;
}
constexpr ArgType argTypeOf(const Variant&) {
    return ArgType::Variant;
}

// The value one step past `bound` (down or up), or none where the type ends there.
template <class T>
std::optional<T> beyond(T bound, bool up) {
    if constexpr (std::is_floating_point_v<T>) {
        return std::nextafter(
            bound, up ? std::numeric_limits<T>::infinity() : -std::numeric_limits<T>::infinity());
    } else {
        if (bound == (up ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min()))
            return std::nullopt;
        return static_cast<T>(up ? bound + 1 : bound - 1);
    }
}

template <Property P>
void takes(Host& h, const Variant& v) {
    using Row = PropertyRow<P>;
    if (!h.put(Row::dispid, v).ok() || h.get(Row::dispid) != v)
        h.problems.push_back(std::string(Row::name) + " refuses " + v.display());
}

template <Property P>
void refuses(Host& h, const Variant& v, std::string_view text) {
    using Row = PropertyRow<P>;
    const Variant before = h.get(Row::dispid);
    const auto r = h.put(Row::dispid, v);
    if (r.status != InvokeStatus::Exception || r.error.description != text ||
        h.get(Row::dispid) != before)
        h.problems.push_back(std::string(Row::name) + " takes " + v.display() +
                             " or refuses it otherwise");
}

// A bound is taken, and one step past it is refused with the rule's text.
template <Property P, class N>
void bound(Host& h, N at, bool upper, std::string_view text) {
    using T = PropertyValue<P>;
    takes<P>(h, Variant(static_cast<T>(at)));
    if (const auto past = beyond(static_cast<T>(at), upper)) refuses<P>(h, Variant(*past), text);
}

template <Property P, class Rule>
void checkRule(Host& h, const Rule& rule) {
    using namespace aurx::properties;
    if constexpr (requires {
                      rule.least;
                      rule.most;
                  }) {
        bound<P>(h, rule.least, false, rule.refusal);
        bound<P>(h, rule.most, true, rule.refusal);
    } else if constexpr (requires { rule.least; }) {
        bound<P>(h, rule.least, false, rule.refusal);
    } else if constexpr (requires { rule.most; }) {
        bound<P>(h, rule.most, true, rule.refusal);
    } else if constexpr (std::is_same_v<Rule, WhileClosed>) {
        testsupport::TempDir dir;
        Host open;
        if (open.control.OpenNewFile(dir.file("open.wav")) != 0)
            return h.problems.push_back("no file to open");
        refuses<P>(open, open.get(PropertyRow<P>::dispid), rule.refusal);
        open.control.Reset();
        h.problems.insert(h.problems.end(), open.problems.begin(), open.problems.end());
    }
}

template <Property P>
void checkRow(Host& h) {
    using Row = PropertyRow<P>;
    const std::string name(Row::name);
    const aurx::MemberInfo* m = Dispatch::find(Row::dispid);
    if (!m || m != Dispatch::find(Row::name) || !m->property)
        return h.problems.push_back(name + ": not its DISPID's property");
    if (m->type != argTypeOf(PropertyValue<P>{})) h.problems.push_back(name + ": another type");
    if (m->writable() != (Row::access == PropertyAccess::ReadWrite))
        h.problems.push_back(name + ": writable or not against its row");
    if (m->params.empty() == (Row::access == PropertyAccess::Indexed))
        h.problems.push_back(name + ": indexed or not against its row");
    if constexpr (Row::access == PropertyAccess::ReadWrite)
        std::apply([&](const auto&... rule) { (checkRule<P>(h, rule), ...); }, Row::rules());
}

}  // namespace

TEST(PropertyTable, EveryRowReachesHostsThroughTheDispatchWithItsRules) {
    Host h;
    aurx::forEachProperty([&]<Property P>() {
        checkRow<P>(h);
        return 0;
    });
    EXPECT_EQ(h.problems, std::vector<std::string>{});
}
