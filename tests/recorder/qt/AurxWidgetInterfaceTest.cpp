// The Qt face against the control's own tables: every property, method and event of the
// dispatch interface is a Qt property, invokable method or signal of AurxWidget with the same
// name, arguments and types, and AurxWidget offers nothing of the kind the control lacks.
#include <gtest/gtest.h>

#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "aurx/Dispatch.h"
#include "recorder/qt/AurxWidget.h"
#include "tests/recorder/qt/WidgetRig.h"

namespace aurxqt {
namespace {

using aurx::ArgType;
using aurx::Dispatch;
using aurx::EventInfo;
using aurx::MemberInfo;
using aurx::ParamInfo;

// Reading these clears them, so the Qt face has them as methods: a property browser that
// shows every property must not clear them.
const std::set<QByteArray> kReadAndClear = {"LastError"};
// What the Qt face adds of its own.
const std::set<QByteArray> kQtOnly = {"lastRefusal", "ShowPropertyPage"};

QByteArray qtType(ArgType t) {
    switch (t) {
        case ArgType::I2:
            return "short";
        case ArgType::I4:
            return "int";
        case ArgType::R4:
            return "float";
        case ArgType::R8:
            return "double";
        case ArgType::Bstr:
            return "QString";
        case ArgType::Colour:
            return "uint";
        case ArgType::Variant:
            return "QByteArray";  // AcmFormat's block
    }
    return "?";
}

QByteArray nameOf(std::string_view name) {
    return QByteArray(name.data(), static_cast<qsizetype>(name.size()));
}

std::vector<ParamInfo> inputsOf(const aurx::ParamList& params) {
    std::vector<ParamInfo> inputs;
    std::copy_if(params.begin(), params.end(), std::back_inserter(inputs),
                 [](const ParamInfo& p) { return !p.out; });
    return inputs;
}

// What an invokable returns for a member: a property's value; for a method nothing, its
// error code, its one result (the code going to LastError), or all its results by name.
QByteArray returnType(const MemberInfo& m) {
    if (m.property) return qtType(m.type);
    std::vector<ParamInfo> outs;
    std::copy_if(m.params.begin(), m.params.end(), std::back_inserter(outs),
                 [](const ParamInfo& p) { return p.out; });
    if (outs.empty()) return "void";
    if (outs.back().name != "errorCode") return "QVariantMap";
    if (outs.size() == 1) return "short";
    if (outs.size() == 2) return qtType(outs.front().type);
    return "QVariantMap";
}

class FaceCheck {
  public:
    FaceCheck(const QMetaObject& meta, const std::vector<MemberInfo>& members,
              const std::vector<EventInfo>& events)
        : meta_(meta), members_(members), events_(events) {}

    std::vector<std::string> differences() {
        for (const auto& m : members_)
            checkMember(m);
        for (const auto& e : events_)
            checkEvent(e);
        checkNothingElse();
        return problems_;
    }

  private:
    void problem(const QByteArray& name, const std::string& what) {
        problems_.push_back(name.toStdString() + ": " + what);
    }

    std::optional<QMetaMethod> ownMethod(const QByteArray& name, QMetaMethod::MethodType type) {
        for (int i = meta_.methodOffset(); i < meta_.methodCount(); ++i) {
            const QMetaMethod m = meta_.method(i);
            if (m.name() == name && m.methodType() == type) return m;
        }
        return std::nullopt;
    }

    // The arguments of `method` against `params`, by count, name (without regard to case, as
    // the interface compares names) and type.
    void checkArguments(const QByteArray& name, const QMetaMethod& method,
                        const std::vector<ParamInfo>& params) {
        if (method.parameterCount() != static_cast<int>(params.size())) {
            problem(name, "takes " + std::to_string(method.parameterCount()) +
                              " arguments, the control " + std::to_string(params.size()));
            return;
        }
        const auto names = method.parameterNames();
        for (int i = 0; i < method.parameterCount(); ++i) {
            const ParamInfo& p = params[static_cast<std::size_t>(i)];
            if (names[i].toLower() != nameOf(p.name).toLower())
                problem(name, "argument " + names[i].toStdString() + " is " + std::string(p.name));
            if (method.parameterTypeName(i) != qtType(p.type))
                problem(name, "argument " + names[i].toStdString() + " has type " +
                                  method.parameterTypeName(i).toStdString());
        }
    }

    void checkMember(const MemberInfo& m) {
        const QByteArray name = nameOf(m.name);
        if (m.property && m.params.empty() && !kReadAndClear.count(name)) {
            const int index = meta_.indexOfProperty(name);
            if (index < meta_.propertyOffset()) return problem(name, "no Qt property");
            const QMetaProperty p = meta_.property(index);
            if (p.typeName() != qtType(m.type))
                problem(name, std::string("property of type ") + p.typeName());
            if (p.isWritable() != m.writable())
                problem(name, p.isWritable() ? "writable" : "read-only");
            return;
        }
        const auto method = ownMethod(name, QMetaMethod::Method);
        if (!method) return problem(name, "no invokable method");
        checkArguments(name, *method, inputsOf(m.params));
        if (method->typeName() != returnType(m))
            problem(name, std::string("returns ") + method->typeName());
    }

    void checkEvent(const EventInfo& e) {
        const QByteArray name = nameOf(e.name);
        const auto signal = ownMethod(name, QMetaMethod::Signal);
        if (!signal) return problem(name, "no signal");
        checkArguments(name, *signal, inputsOf(e.params));
    }

    // Each property, invokable and signal of the face is one of the control's.
    void checkNothingElse() {
        const auto member = [&](const QByteArray& name) {
            return std::find_if(members_.begin(), members_.end(),
                                [&](const MemberInfo& m) { return nameOf(m.name) == name; });
        };
        for (int i = meta_.propertyOffset(); i < meta_.propertyCount(); ++i) {
            const QByteArray name = meta_.property(i).name();
            const auto m = member(name);
            if (m == members_.end() || !m->property || kReadAndClear.count(name))
                problem(name, "a Qt property the control does not have");
        }
        for (int i = meta_.methodOffset(); i < meta_.methodCount(); ++i) {
            const QMetaMethod method = meta_.method(i);
            const QByteArray name = method.name();
            if (method.methodType() == QMetaMethod::Signal) {
                const bool raised = std::any_of(events_.begin(), events_.end(), [&](const auto& e) {
                    return nameOf(e.name) == name;
                });
                if (!raised) problem(name, "a signal the control does not raise");
            } else if (!kQtOnly.count(name) && member(name) == members_.end()) {
                problem(name, "an invokable the control does not have");
            }
        }
    }

    const QMetaObject& meta_;
    const std::vector<MemberInfo>& members_;
    const std::vector<EventInfo>& events_;
    std::vector<std::string> problems_;
};

std::vector<MemberInfo> theMembers() {
    return {Dispatch::members().begin(), Dispatch::members().end()};
}
std::vector<EventInfo> theEvents() {
    return {Dispatch::events().begin(), Dispatch::events().end()};
}

TEST(AurxWidgetInterface, OffersEveryMemberAndEventOfTheControlAndNothingElse) {
    EXPECT_EQ(FaceCheck(AurxWidget::staticMetaObject, theMembers(), theEvents()).differences(),
              std::vector<std::string>{});
}

// The check has teeth: a face that differs from the control in any one way is caught. Each case
// changes the control's tables, so the unchanged widget now differs from them.
TEST(AurxWidgetInterface, AnyDriftBetweenTheFaceAndTheControlIsReported) {
    using Change = std::function<void(std::vector<MemberInfo>&, std::vector<EventInfo>&)>;
    const auto row = [](std::vector<MemberInfo>& members, std::string_view name) -> MemberInfo& {
        return *std::find_if(members.begin(), members.end(),
                             [&](const MemberInfo& m) { return m.name == name; });
    };
    struct Case {
        const char* what;
        Change change;
        std::vector<std::string> reported;
    };
    const std::vector<Case> cases = {
        {"a property the face lacks",
         [&](auto& members, auto&) {
             MemberInfo loudness = row(members, "Style");
             loudness.dispid = 99;
             loudness.name = "Loudness";
             members.push_back(loudness);
         },
         {"Loudness: no Qt property"}},
        {"a method the face lacks",
         [&](auto& members, auto&) {
             MemberInfo rewind = row(members, "Stop");
             rewind.name = "Rewind";
             members.push_back(rewind);
         },
         {"Rewind: no invokable method"}},
        {"a property the control lacks",
         [](auto& members, auto&) {
             std::erase_if(members, [](const MemberInfo& m) { return m.name == "Style"; });
         },
         {"Style: a Qt property the control does not have"}},
        {"a method the control lacks",
         [](auto& members, auto&) {
             std::erase_if(members, [](const MemberInfo& m) { return m.name == "RePack"; });
         },
         {"RePack: an invokable the control does not have"}},
        {"a read-only property the face can write",
         [&](auto& members, auto&) { row(members, "Insert").put = nullptr; },
         {"Insert: writable"}},
        {"a property of another type",
         [&](auto& members, auto&) { row(members, "SampleRate").type = ArgType::I2; },
         {"SampleRate: property of type int"}},
        {"a method with another argument count",
         [&](auto& members, auto&) {
             row(members, "DeleteTime").params = {
                 {"time", ArgType::R8}, {"fromEnd", ArgType::I2}, {"errorCode", ArgType::I2, true}};
         },
         {"DeleteTime: takes 1 arguments, the control 2"}},
        {"an argument of another type",
         [&](auto& members, auto&) {
             row(members, "ShowMixer").params = {{"mixerType", ArgType::I4},
                                                 {"errorCode", ArgType::I2, true}};
         },
         {"ShowMixer: argument mixerType has type short"}},
        {"a method whose result changed",
         [&](auto& members, auto&) {
             row(members, "Stop").params = {{"errorCode", ArgType::I2, true}};
         },
         {"Stop: returns void"}},
        {"an event the face does not signal",
         [](auto&, auto& events) {
             events.push_back({5, "DeviceLost", {}});
         },
         {"DeviceLost: no signal"}},
        {"a signal the control does not raise",
         [](auto&, auto& events) {
             std::erase_if(events, [](const EventInfo& e) { return e.name == "NewVoxState"; });
         },
         {"NewVoxState: a signal the control does not raise"}},
        {"an event argument renamed",
         [](auto&, auto& events) {
             events[0].params = {{"cause", ArgType::I2}};
         },
         {"RecordingStopped: argument errorCode is cause"}},
    };
    for (const auto& c : cases) {
        auto members = theMembers();
        auto events = theEvents();
        c.change(members, events);
        EXPECT_EQ(FaceCheck(AurxWidget::staticMetaObject, members, events).differences(),
                  c.reported)
            << c.what;
    }
}

TEST(AurxWidgetInterface, GetLevelsAnswersUnderTheNamesOfItsOutParameters) {
    testsupport::QtApp qt;
    AurxWidget w;
    QVariantMap levels;
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "GetLevels", Q_RETURN_ARG(QVariantMap, levels)));
    std::set<QString> names;
    for (const ParamInfo& p : Dispatch::find("GetLevels")->params)
        names.insert(QString::fromUtf8(nameOf(p.name)));
    const auto keys = levels.keys();
    EXPECT_EQ(std::set<QString>(keys.begin(), keys.end()), names);
}

}  // namespace
}  // namespace aurxqt
