// The text form of one root key's file: readable and editable by a person, and able to carry
// every byte of a string value.
//
//   [SOFTWARE\Parlaro]
//   "CallPath"="/home/ann/Calls/"
//   "Top"=dword:00000000
//
// In quoted text \\ \" \n \r \t \0 and \xHH each stand for one byte; bytes of valid UTF-8 text
// are written as they are, anything else is escaped.
#pragma once

#include "platform/registry/RegistryHive.h"

#include <optional>

namespace registry {

QByteArray quoted(const QByteArray& bytes);
QByteArray toText(const RegistryHive& hive, const QByteArray& rootName);
// Nothing when the text is not in the form above.
std::optional<RegistryHive> fromText(const QByteArray& text);

}  // namespace registry
