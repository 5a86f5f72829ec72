#include "tools/parlaro-find/FindCommand.h"

#include "app/library/CallSearch.h"
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

}  // namespace

QByteArray callLine(const CallRecord& call) {
    QByteArray line = call.LoginName.toUtf8();
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
    // The note as the list shows it, CR LF already " <CR> "; a lone line break or a tab from
    // another editor must not break the line or its fields either.
    QString note = call.CallNote;
    note.replace('\r', " <CR> ").replace('\n', " <CR> ").replace('\t', ' ');
    line.append(note.toUtf8()).append('\t').append(call.RecordingLocation.toUtf8()).append('\n');
    return line;
}

int run(const std::vector<QByteArray>& args, registry::RegistryStore& store,
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
    CallSearch search(storedScope(*parsed, store, env, prompter), prompter);
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
    return search.failed() ? 1 : 0;
}

}  // namespace findtool
