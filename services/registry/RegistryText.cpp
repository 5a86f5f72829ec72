#include "services/registry/RegistryText.h"

#include <QByteArrayList>

namespace parlaro::registry {

namespace {

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

// Whether nothing but spaces and perhaps a comment is left of the line from pos.
bool onlyCommentFrom(const QByteArray& line, qsizetype pos) {
    skipSpaces(line, pos);
    return pos == line.size() || line[pos] == ';' || line[pos] == '#';
}

std::optional<RegistryValue> parseValue(const QByteArray& line, qsizetype pos) {
    if (pos < line.size() && line[pos] == '"') {
        auto text = unquote(line, pos);
        if (!text || !onlyCommentFrom(line, pos)) return std::nullopt;
        return RegistryValue::string(*text);
    }
    if (line.mid(pos, 6) != "dword:") return std::nullopt;
    pos += 6;
    uint32_t n = 0;
    int digits = 0;
    for (; pos < line.size() && hexDigit(line[pos]) >= 0; ++pos, ++digits)
        n = n * 16 + static_cast<uint32_t>(hexDigit(line[pos]));
    if (digits == 0 || digits > 8 || !onlyCommentFrom(line, pos)) return std::nullopt;
    return RegistryValue::number(n);
}

// The path of a "[path]" line, which a comment may follow.
std::optional<QByteArray> keyLine(const QByteArray& line) {
    if (line.endsWith(']')) return line.mid(1, line.size() - 2);
    for (qsizetype close = line.lastIndexOf(']'); close > 0;
         close = line.lastIndexOf(']', close - 1)) {
        if (onlyCommentFrom(line, close + 1)) return line.mid(1, close - 1);
    }
    return std::nullopt;
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

QByteArray toText(const RegistryHive& hive, const QByteArray& rootName, const QByteArray& product) {
    QByteArray out = "; " + (product.isEmpty() ? QByteArray("Settings") : product + " settings") +
                     ": " + rootName + "\n";
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

TextReading readText(const QByteArray& text) {
    TextReading result;
    RegistryHive& hive = result.hive;
    RegistryKey* current = nullptr;
    // Value positions by folded key path and folded name: a later line for a name replaces the
    // earlier one without a search through the key's values.
    QHash<QByteArray, QHash<QByteArray, std::size_t>> positions;
    QHash<QByteArray, std::size_t>* currentPositions = nullptr;

    const QByteArray body = text.startsWith("\xEF\xBB\xBF") ? text.mid(3) : text;
    qsizetype number = 0;
    for (const QByteArray& raw : body.split('\n')) {
        ++number;
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            const auto path = keyLine(line);
            if (!path || !isValidKeyPath(*path)) {
                // Its values must not land in the key before it.
                current = nullptr;
                result.skippedLines.push_back(number);
                continue;
            }
            current = &hive.createKey(*path);
            currentPositions = &positions[foldedName(current->path)];
            continue;
        }
        qsizetype pos = 0;
        const auto name = current ? unquote(line, pos) : std::nullopt;
        if (name) skipSpaces(line, pos);
        const bool assigned = name && pos < line.size() && line[pos] == '=';
        if (assigned) {
            ++pos;
            skipSpaces(line, pos);
        }
        auto value = assigned ? parseValue(line, pos) : std::nullopt;
        if (!value) {
            result.skippedLines.push_back(number);
            continue;
        }
        const QByteArray folded = foldedName(*name);
        const auto known = currentPositions->constFind(folded);
        if (known != currentPositions->constEnd()) {
            current->values[*known].value = std::move(*value);
        } else {
            currentPositions->insert(folded, current->values.size());
            current->values.push_back(NamedValue{*name, std::move(*value)});
        }
    }
    return result;
}

std::optional<RegistryHive> fromText(const QByteArray& text) {
    TextReading reading = readText(text);
    if (!reading.skippedLines.empty()) return std::nullopt;
    return std::move(reading.hive);
}

}  // namespace parlaro::registry
