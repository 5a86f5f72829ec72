#include "tools/parlaro-find/FindCommand.h"

#include "core/search/CallSearch.h"
#include "tools/parlaro-find/StoredScope.h"

#include <algorithm>
#include <array>

namespace findtool {

using namespace parlaro;

namespace {

// Every box the search would show goes to standard error; a question takes its default.
class StreamPrompter final : public Prompter {
  public:
    explicit StreamPrompter(std::ostream& err) : err_(err) {}
    Answer show(const Message& message) override {
        QString text = message.text;
        text.replace("\r\n", "\n");
        const QByteArray bytes = "parlaro-find: " + text.toUtf8() + "\n";
        err_.write(bytes.constData(), bytes.size());
        return message.defaultAnswer();
    }

  private:
    std::ostream& err_;
};

const std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void appendTwoDigits(QByteArray& out, int n) {
    out.append(char('0' + n / 10)).append(char('0' + n % 10));
}

void appendField(QByteArray& line, QByteArrayView field) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : field) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                line.append("\\\\");
                break;
            case '\t':
                line.append("\\t");
                break;
            case '\n':
                line.append("\\n");
                break;
            case '\r':
                line.append("\\r");
                break;
            default:
                if (u < 0x20 || u == 0x7f) {
                    line.append("\\x").append(kHex[u >> 4]).append(kHex[u & 15]);
                } else {
                    line.append(c);
                }
        }
    }
}

// The user part of a file name as it is spelt: the third field between "-".
QByteArrayView userBytes(QByteArrayView path) {
    QByteArrayView name = path.sliced(path.lastIndexOf('/') + 1);
    for (int field = 0; field < 2; ++field) {
        const qsizetype dash = name.indexOf('-');
        if (dash < 0) return {};
        name = name.sliced(dash + 1);
    }
    const qsizetype dash = name.indexOf('-');
    return dash < 0 ? name : name.first(dash);
}

}  // namespace

QByteArray callLine(const CallRecord& call) {
    QByteArray line;
    // A name that is not UTF-8 is written as it is spelt.
    if (call.recordingBytes.isEmpty()) {
        appendField(line, call.LoginName.toUtf8());
    } else {
        appendField(line, userBytes(call.recordingBytes));
    }
    line.append('\t');
    const QDate& d = call.CallDate;
    appendTwoDigits(line, d.day());
    line.append('-').append(kMonths[static_cast<std::size_t>(d.month() - 1)]).append('-');
    line.append(QByteArray::number(d.year()).rightJustified(4, '0')).append('\t');
    const QTime& t = call.CallTime;
    appendTwoDigits(line, t.hour());
    line.append(':');
    appendTwoDigits(line, t.minute());
    line.append(':');
    appendTwoDigits(line, t.second());
    line.append('\t');
    // As SecondsToHMS writes it, without its temporary strings: a hundred thousand lines.
    const int32_t s = std::max(call.CallDuration, 0);
    if (s / 3600 < 10) line.append('0');
    line.append(QByteArray::number(s / 3600)).append(':');
    appendTwoDigits(line, s % 3600 / 60);
    line.append(':');
    appendTwoDigits(line, s % 60);
    line.append('\t');
    // The note as the list shows it (CR LF already " <CR> "); a lone line break, a tab or a
    // NUL from another editor is escaped like everything else.
    appendField(line, call.CallNote.toUtf8());
    line.append('\t');
    appendField(line, call.recordingBytes.isEmpty() ? call.RecordingLocation.toUtf8()
                                                    : call.recordingBytes);
    line.append('\n');
    return line;
}

int run(const std::vector<QByteArray>& args, parlaro::registry::RegistryStore& store,
        const StartupEnvironment& env, std::ostream& out, std::ostream& err) {
    std::string problem;
    const auto parsed = parseArguments(args, problem);
    if (!parsed) {
        err << "parlaro-find: " << problem << "\n" << kUsage;
        return 2;
    }
    if (parsed->help) {
        out << kUsage;
        return 0;
    }
    StreamPrompter prompter(err);
    SearchScope scope = storedScope(*parsed, store, env, prompter);
    scope.readEveryNote = true;
    scope.tellSkippedFolders = false;  // named one a line below
    CallSearch search(std::move(scope), prompter);
    search.FindCalls(parsed->criteria);

    QByteArray chunk;
    for (const CallRecord& call : search.calls()) {
        chunk += callLine(call);
        if (chunk.size() >= 1 << 16) {
            out.write(chunk.constData(), chunk.size());
            chunk.clear();
        }
    }
    out.write(chunk.constData(), chunk.size());
    out.flush();
    // Each folder that could not be read, as it is spelt, and why; the calls of the others
    // are listed above.
    for (const SkippedFolder& f : search.skipped()) {
        QByteArray line = "parlaro-find: cannot read the folder ";
        appendField(line, f.pathBytes);
        line += " (" + QByteArray::number(f.number) + ", " + f.reason.toUtf8() +
                "); its calls are not listed\n";
        err.write(line.constData(), line.size());
    }
    err.flush();
    return search.failed() ? 1 : 0;
}

}  // namespace findtool
