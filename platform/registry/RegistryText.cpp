#include "platform/registry/RegistryText.h"

#include <QByteArrayList>
#include <QStringDecoder>

namespace registry {

namespace {

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
std::optional<QByteArray> unquote(const QByteArray& line, qsizetype& pos) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    QByteArray out;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) return std::nullopt;
        switch (line[pos]) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '0':
                out += '\0';
                break;
            case 'x': {
                if (pos + 2 >= line.size()) return std::nullopt;
                const int hi = hexDigit(line[pos + 1]);
                const int lo = hexDigit(line[pos + 2]);
                if (hi < 0 || lo < 0) return std::nullopt;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

void skipSpaces(const QByteArray& line, qsizetype& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
}

std::optional<RegistryValue> parseValue(const QByteArray& line, qsizetype pos) {
    if (pos < line.size() && line[pos] == '"') {
        auto text = unquote(line, pos);
        skipSpaces(line, pos);
        if (!text || pos != line.size()) return std::nullopt;
        return RegistryValue::string(*text);
    }
    const QByteArray rest = line.mid(pos).trimmed();
    if (!rest.startsWith("dword:")) return std::nullopt;
    const QByteArray digits = rest.mid(6);
    if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
    uint32_t n = 0;
    for (const char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        n = n * 16 + static_cast<uint32_t>(d);
    }
    return RegistryValue::number(n);
}

}  // namespace

QByteArray quoted(const QByteArray& bytes) {
    const bool literalHighBytes = isUtf8(bytes);
    QByteArray out = "\"";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                continue;
            case '"':
                out += "\\\"";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            case '\0':
                out += "\\0";
                continue;
            default:
                break;
        }
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && !literalHighBytes)) {
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        } else {
            out += c;
        }
    }
    return out + "\"";
}

QByteArray toText(const RegistryHive& hive, const QByteArray& rootName) {
    QByteArray out = "; Parlaro settings: " + rootName + "\n";
    out +=
        "; [key] starts a key; \"name\"=\"text\" is a string, \"name\"=dword:0000001a a 32-bit "
        "number.\n";
    out += "; In quoted text \\\\ \\\" \\n \\r \\t \\0 and \\xHH stand for single bytes.\n";
    for (const RegistryKey& key : hive.keys()) {
        out += "\n[" + key.path + "]\n";
        for (const NamedValue& v : key.values) {
            out += quoted(v.name) + "=";
            if (v.value.type == RegistryValue::Type::String) {
                out += quoted(v.value.text);
            } else {
                out += "dword:" + QByteArray::number(v.value.dword, 16).rightJustified(8, '0');
            }
            out += "\n";
        }
    }
    return out;
}

std::optional<RegistryHive> fromText(const QByteArray& text) {
    RegistryHive hive;
    RegistryKey* current = nullptr;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']')) return std::nullopt;
            const QByteArray path = line.mid(1, line.size() - 2);
            if (!isValidKeyPath(path)) return std::nullopt;
            current = &hive.createKey(path);
            continue;
        }
        if (!current) return std::nullopt;
        qsizetype pos = 0;
        const auto name = unquote(line, pos);
        if (!name) return std::nullopt;
        skipSpaces(line, pos);
        if (pos >= line.size() || line[pos] != '=') return std::nullopt;
        ++pos;
        skipSpaces(line, pos);
        auto value = parseValue(line, pos);
        if (!value) return std::nullopt;
        RegistryHive::setValue(*current, *name, std::move(*value));
    }
    return hive;
}

}  // namespace registry
