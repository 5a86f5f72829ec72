// Showing and editing the note of the call selected in the call list. The list and the editor
// are reached through small interfaces, so the procedures work with whatever list the window
// shows and can be tested without one.
#pragma once

#include "core/calls/CallCollection.h"

#include <optional>

namespace parlaro {

class CallListView {
  public:
    virtual ~CallListView() = default;
    virtual int rowCount() const = 0;
    // "" when no row is selected.
    virtual QString selectedKey() const = 0;
    virtual void setRowNote(const QString& key, const QString& note) = 0;
    // The note box under the list (txtCallNote).
    virtual void setNoteBox(const QString& text) = 0;
};

class NoteEditor {
  public:
    virtual ~NoteEditor() = default;
    // Shows `note` modally; the edited text when accepted, nothing when cancelled.
    virtual std::optional<QString> edit(const QString& note) = 0;
};

// Fills the note box from the selected row: "(No Note)" for a call without one, "<CR>" shown
// as a line break.
void ShowSelectedNote(CallListView& list, CallCollection& calls);

// Edits the note of the call with the row key `key`; an accepted change is written to the
// note file beside the recording ("<CR>" for each line break), then shown in the row and the
// note box. A note file that cannot be written leaves everything as it was.
void EditCallNote(const QString& key, CallCollection& calls, CallListView& list,
                  NoteEditor& editor);

}  // namespace parlaro
