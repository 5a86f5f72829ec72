#include "services/prompts/UnattendedPrompter.h"

namespace parlaro {

QString UnattendedPrompter::line(const Message& message) {
    QString text = message.text;
    text.replace("\r\n", "\\n").replace('\n', "\\n").replace('\r', "\\n");
    return "PARLARO-MESSAGE [" + message.title + "] " + text;
}

bool UnattendedPrompter::requested() {
    return qEnvironmentVariable("PARLARO_UNATTENDED") == "1";
}

Answer UnattendedPrompter::show(const Message& message) {
    const QByteArray bytes = (line(message) + "\n").toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
    std::fflush(out_);
    return message.defaultAnswer();
}

}  // namespace parlaro
