// Reading a call from its file name quickly. A search meets a hundred thousand names; almost
// all are in the form the recorder writes, which is read here without the locale's date
// parsing. Anything else is left to CallFromFileName, which has the last word.
#pragma once

#include "core/calls/CallRecord.h"

namespace parlaro {

// User, date, time and length of a name "YYYYMMDD-HHMMSS-user-N.wav" with a valid date and
// time and N of at most nine digits; nothing for every other name. What it reads is what
// CallFromFileName reads from the same name.
std::optional<CallRecord> CallFromCommonName(QStringView fileName);

// As CallFromCommonName, but only for a name of exactly the recorder's form: a user that is
// not empty, nothing after the length, and ".wav" in small letters. What may be deleted as a
// call is named so; a copy or an edit someone saved beside it is not.
std::optional<CallRecord> CallFromExactName(QStringView fileName);

// The note file of a recording: every ".wav" of the file's name becomes ".txt".
QString NotePath(const QString& recordingPath);

}  // namespace parlaro
