// Calls on disk: a recording named YYYYMMDD-HHMMSS-user-N.wav and, beside it, an optional
// note file of the same name with ".wav" replaced by ".txt".
#pragma once

#include "core/calls/CallCollection.h"
#include "core/calls/CallName.h"
#include "core/calls/NoteReading.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

// A call as read from its file name, with texts ready for CallCollection::Add.
struct CallFields {
    QString LoginName;
    QString CallDate;  // "07-Dec-2026"
    QString CallTime;  // "14:03:22"
    int32_t CallDuration = 0;
    QString CallNote;
    QString RecordingLocation;
};

// Nothing when the name is not a call's: no valid date, time or duration. CallFieldsFromName
// reads the name alone and leaves the note empty.
std::optional<CallFields> CallFieldsFromName(const QString& folder, const QString& fileName);
std::optional<CallFields> CallFromFileName(const QString& folder, const QString& fileName,
                                           Prompter& prompter);

// The note for display: CR LF shown as " <CR> "; "" when there is none; a note the user may
// not read gives "<denied access to note file>".
QString getCallNote(const QString& recordingPath, Prompter& prompter);
// The same from a note already read; throws AppError for a note that could not be read.
QString callNoteText(const NoteFile& note);
// The call's note, read now when the search left it for later (the list reads the notes of
// the rows it shows); a note that cannot be read shows as none.
const QString& callNote(CallRecord& call);

// Writes the note of the call just recorded into the calls folder, line breaks as typed. A
// failure is told to the user; the recording is not affected.
void WriteCallNote(const CallRecord& call, const QString& callPath, Prompter& prompter);

// The record behind a list row.
CallRecord& GetCall(CallCollection& calls, const QString& rowKey);

// Numbering: a search appends its finds as Count + 1; a call just recorded gets maxKey + 1
// and goes first.
CallRecord& AddFoundCall(CallCollection& calls, const CallFields& call);
CallRecord& AddRecordedCall(CallCollection& calls, const CallRecord& call);

}  // namespace parlaro
