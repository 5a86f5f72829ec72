// Looking for words in a call's note.
#pragma once

#include "core/calls/NoteReading.h"
#include "services/prompts/Prompter.h"

#include <QString>
#include <QStringList>

namespace parlaro {

// Notes are short; only this much of a note file is searched, so a huge or stray file beside a
// recording cannot stall a search.
constexpr qsizetype kMaxNoteSearched = kLargestNote;

// The words of a note search: searchText's words, separated by "*", spaces around them
// ignored. A note holds them when every one occurs in it, in any order and regardless of case;
// no note holds a search text without any word.
class NoteWords {
  public:
    explicit NoteWords(QStringView searchText);
    bool heldBy(QStringView note) const;

  private:
    QStringList words_;
};

// True when every word of searchText (words separated by "*", spaces around them ignored)
// occurs in the note of the recording, in any order and regardless of case. False without a
// note file, and for a search text without any word. A note that cannot be read is told to
// the user and gives false.
bool FindStringInFile(const QString& searchText, const QString& recordingPath, Prompter& prompter);

}  // namespace parlaro
