// The text form of one root key's file: readable and editable by a person, and able to carry
// every byte of a string value.
//
//   [SOFTWARE\Parlaro]
//   "CallPath"="/home/ann/Calls/"
//   "Top"=dword:00000000   ; a comment may follow a key or a value
//
// In quoted text \\ \" \n \r \t \0 and \xHH each stand for one byte; bytes of valid UTF-8 text
// are written as they are, anything else is escaped. Lines starting with ";" or "#" are
// comments; a UTF-8 byte-order mark at the start is ignored.
#pragma once

#include "services/registry/RegistryHive.h"

#include <optional>

namespace parlaro::registry {

QByteArray quoted(const QByteArray& bytes);
// The file's text; its first comment line names the product and the root.
QByteArray toText(const RegistryHive& hive, const QByteArray& rootName,
                  const QByteArray& product = {});

// What could be read of a file: a line that is not in the form above is skipped (and so are
// the values under a key line that is skipped), the rest is kept.
struct TextReading {
    RegistryHive hive;
    std::vector<qsizetype> skippedLines;  // numbered from 1
};
TextReading readText(const QByteArray& text);

// Nothing unless every line of the text is in the form above.
std::optional<RegistryHive> fromText(const QByteArray& text);

}  // namespace parlaro::registry
