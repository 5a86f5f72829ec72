#include "tools/aurx-host/HostSession.h"

#include <charconv>
#include <chrono>
#include <fstream>
#include <istream>
#include <ostream>
#include <thread>

#include "aurx/AURX300Ctrl.h"
#include "aurx/Dispatch.h"
#include "aurx/HexText.h"
#include "aurx/Persistence.h"

namespace host {
namespace {

using aurx::Variant;

// Prints each event as it is raised, unless it has been made quiet.
class PrintingSink : public aurx::IAURX300CtrlEvents {
  public:
    PrintingSink(std::ostream& out, const std::set<std::string>& quiet,
                 std::vector<std::string>& raised)
        : out_(out), quiet_(quiet), raised_(raised) {}

    void RecordingStopped(std::int16_t e) override { emit("RecordingStopped", {Variant(e)}); }
    void PlaybackStopped(std::int16_t e) override { emit("PlaybackStopped", {Variant(e)}); }
    void NewLevelValues(float l, std::int16_t lo, float r, std::int16_t ro) override {
        emit("NewLevelValues", {Variant(l), Variant(lo), Variant(r), Variant(ro)});
    }
    void NewVoxState(std::int16_t v) override { emit("NewVoxState", {Variant(v)}); }
    void InputStalled(std::int32_t at) override { emit("InputStalled", {Variant(at)}); }
    void InputResumed(std::int32_t at, std::int32_t missing) override {
        emit("InputResumed", {Variant(at), Variant(missing)});
    }

  private:
    void emit(const std::string& name, const std::vector<Variant>& args) {
        raised_.push_back(name);
        if (quiet_.count(name)) return;
        out_ << "event " << name;
        for (const auto& a : args)
            out_ << ' ' << a.display();
        out_ << std::endl;
    }
    std::ostream& out_;
    const std::set<std::string>& quiet_;
    std::vector<std::string>& raised_;
};

std::optional<int> integer(const std::string& text) {
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

// A value word as a variant: quoted text is a string, bytes:/bytes2d: are byte arrays,
// "empty" is empty, numbers are I4 or R8; anything else is text.
std::optional<Variant> valueOf(const Word& w, bool textByDefault) {
    if (w.quoted) return Variant(w.text);
    if (w.text == "empty") return Variant();
    for (const auto* prefix : {"bytes:", "bytes2d:"}) {
        const std::string p(prefix);
        if (w.text.rfind(p, 0) != 0) continue;
        auto bytes = aurx::formats::fromHex(w.text.substr(p.size()));
        if (!bytes) return std::nullopt;
        aurx::ByteArray a = aurx::ByteArray::vector(std::move(*bytes));
        if (p == "bytes2d:") {
            // Two rows of equal length (the second may be one shorter when the count is odd).
            const auto n = static_cast<std::uint32_t>(a.data.size());
            a.bounds = {aurx::ArrayBound{2, 0}, aurx::ArrayBound{(n + 1) / 2, 0}};
            a.data.resize(2 * ((n + 1) / 2), 0);
        }
        return Variant(std::move(a));
    }
    if (!textByDefault) {
        if (const auto i = integer(w.text)) return Variant(static_cast<std::int32_t>(*i));
        double d = 0;
        const auto r = std::from_chars(w.text.data(), w.text.data() + w.text.size(), d);
        if (r.ec == std::errc() && r.ptr == w.text.data() + w.text.size()) return Variant(d);
    }
    return Variant(w.text);
}

std::string failureText(const aurx::InvokeResult& r) {
    if (r.status == aurx::InvokeStatus::Exception) return "refused: " + r.error.description;
    return "refused: " + std::string(aurx::statusText(r.status));
}

}  // namespace

class HostedControl {
  public:
    HostedControl(std::ostream& out, const std::set<std::string>& quiet,
                  std::vector<std::string>& raised)
        : dispatch(control), sink(std::make_shared<PrintingSink>(out, quiet, raised)) {
        control.Advise(sink);
    }
    aurx::AURX300Ctrl control;
    aurx::Dispatch dispatch;
    std::shared_ptr<PrintingSink> sink;
};

HostSession::HostSession(std::ostream& out, MeterRenderer renderer)
    : out_(out), renderer_(std::move(renderer)) {}
HostSession::~HostSession() = default;

HostedControl* HostSession::current() {
    const auto it = controls_.find(current_);
    return it == controls_.end() ? nullptr : it->second.get();
}

int HostSession::run(std::istream& in, const std::string& source, std::ostream& err) {
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string problem = execute(line);
        if (!problem.empty()) {
            out_.flush();
            err << source << ':' << number << ": " << problem << std::endl;
            return 2;
        }
    }
    return 0;
}

std::string HostSession::execute(const std::string& line) {
    const auto words = splitWords(line);
    if (!words) return "unclosed quote";
    if (words->empty() || (!(*words)[0].quoted && (*words)[0].text[0] == '#')) return {};
    return command(*words);
}

std::string HostSession::command(const std::vector<Word>& w) {
    const std::string& verb = w[0].text;
    const auto need = [&](std::size_t n) { return w.size() == n; };
    if (verb == "new" && need(2)) {
        controls_[w[1].text] = std::make_unique<HostedControl>(out_, quiet_, raised_);
        current_ = w[1].text;
        return {};
    }
    if (verb == "use" && need(2)) {
        if (!controls_.count(w[1].text)) return "no control named " + w[1].text;
        current_ = w[1].text;
        return {};
    }
    if (verb == "drop" && need(2)) {
        if (!controls_.erase(w[1].text)) return "no control named " + w[1].text;
        if (current_ == w[1].text) current_.clear();
        return {};
    }
    if ((verb == "quiet" || verb == "loud") && need(2)) {
        if (verb == "quiet")
            quiet_.insert(w[1].text);
        else
            quiet_.erase(w[1].text);
        return {};
    }
    if (verb == "sleep" && need(2)) {
        const auto ms = integer(w[1].text);
        if (!ms || *ms < 0) return "sleep needs milliseconds";
        std::this_thread::sleep_for(std::chrono::milliseconds(*ms));
        return {};
    }
    if (!current()) {
        static const std::set<std::string> known = {"get",  "put",  "call", "pump",
                                                    "wait", "save", "load", "render-meter"};
        return known.count(verb) ? "no current control (use new NAME first)"
                                 : "unknown command " + verb;
    }
    if (verb == "get") return get(w);
    if (verb == "put") return put(w);
    if (verb == "call") return call(w);
    if (verb == "pump" && w.size() <= 2) {
        const auto ms = w.size() == 2 ? integer(w[1].text) : std::optional<int>(0);
        if (!ms) return "pump needs milliseconds";
        pump(*ms);
        return {};
    }
    if (verb == "wait" && need(3)) {
        const auto ms = integer(w[2].text);
        if (!ms) return "wait needs an event and milliseconds";
        wait(w[1].text, *ms);
        return {};
    }
    if (verb == "save" && need(2)) {
        const auto stream = aurx::saveDesignState(current()->control);
        std::ofstream file(w[1].text, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(stream.data()),
                   static_cast<std::streamsize>(stream.size()));
        if (!file.flush()) out_ << "failed" << std::endl;
        return {};
    }
    if (verb == "load" && need(2)) {
        out_ << (aurx::loadDesignStateFile(current()->control, w[1].text) ? "ok" : "failed")
             << std::endl;
        return {};
    }
    if (verb == "render-meter" && need(4)) {
        const auto width = integer(w[2].text);
        const auto height = integer(w[3].text);
        if (!width || !height) return "render-meter needs a file, a width and a height";
        const bool drawn = renderer_ && *width > 0 && *height > 0 &&
                           renderer_(current()->control, *width, *height, w[1].text);
        if (!drawn) out_ << "failed" << std::endl;
        return {};
    }
    return "cannot parse: " + verb;
}

std::string HostSession::get(const std::vector<Word>& w) {
    if (w.size() < 2 || w.size() > 3) return "get needs a property";
    const aurx::MemberInfo* m = aurx::Dispatch::find(w[1].text);
    if (!m || !m->property) return "unknown property " + w[1].text;
    if (w.size() - 2 != m->params.size()) return "wrong number of indexes for " + w[1].text;
    std::vector<Variant> args;
    if (w.size() == 3) {
        auto index = valueOf(w[2], false);
        if (!index) return "bad value " + w[2].text;
        args.push_back(std::move(*index));
    }
    Variant result;
    const auto r =
        current()->dispatch.invoke(m->dispid, aurx::InvokeKind::PropertyGet, args, &result);
    if (!r.ok()) {
        out_ << failureText(r) << std::endl;
        return {};
    }
    out_ << m->name << " = " << result.display() << std::endl;
    return {};
}

std::string HostSession::put(const std::vector<Word>& w) {
    if (w.size() != 3) return "put needs a property and a value";
    const aurx::MemberInfo* m = aurx::Dispatch::find(w[1].text);
    if (!m || !m->property) return "unknown property " + w[1].text;
    auto value = valueOf(w[2], m->type == aurx::ArgType::Variant);
    if (!value) return "bad value " + w[2].text;
    std::vector<Variant> args{std::move(*value)};
    const auto r = current()->dispatch.invoke(m->dispid, aurx::InvokeKind::PropertyPut, args);
    out_ << (r.ok() ? std::string("ok") : failureText(r)) << std::endl;
    return {};
}

std::string HostSession::call(const std::vector<Word>& w) {
    if (w.size() < 2) return "call needs a method";
    const aurx::MemberInfo* m = aurx::Dispatch::find(w[1].text);
    if (!m || m->property) return "unknown method " + w[1].text;
    std::size_t inputs = 0;
    for (const auto& p : m->params)
        inputs += p.out ? 0 : 1;
    if (w.size() - 2 != inputs) return "wrong number of arguments for " + std::string(m->name);
    std::vector<Variant> outs(m->params.size());
    std::vector<Variant> args;
    std::size_t next = 2;
    for (std::size_t i = 0; i < m->params.size(); ++i) {
        if (m->params[i].out) {
            args.push_back(Variant::byRef(&outs[i]));
            continue;
        }
        auto value = valueOf(w[next], m->params[i].type == aurx::ArgType::Bstr);
        if (!value) return "bad value " + w[next].text;
        ++next;
        args.push_back(std::move(*value));
    }
    const auto r = current()->dispatch.invoke(m->dispid, aurx::InvokeKind::Method, args);
    if (!r.ok()) {
        out_ << failureText(r) << std::endl;
        return {};
    }
    out_ << m->name << ':';
    for (std::size_t i = 0; i < m->params.size(); ++i)
        if (m->params[i].out) out_ << ' ' << m->params[i].name << '=' << outs[i].display();
    out_ << std::endl;
    return {};
}

void HostSession::pump(int ms) {
    auto& c = current()->control;
    if (c.waitForNotification(ms)) c.processNotifications();
}

void HostSession::wait(const std::string& event, int ms) {
    auto& c = current()->control;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        raised_.clear();
        const int handled = c.processNotifications();
        for (const auto& e : raised_)
            if (e == event) return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        // A control that runs faster than real time sends events by the thousand: take them
        // in batches rather than waking for each one, as a window's message loop would.
        if (handled > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        c.waitForNotification(static_cast<int>(left.count()));
    }
    out_ << "timeout " << event << std::endl;
}

}  // namespace host
