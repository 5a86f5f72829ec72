// Deleting the calls selected in the call list: who may delete what, and the deletion itself
// (recording, note, record and row), with the list reached through a small interface so the
// procedure can be tested without one.
#pragma once

#include "core/calls/CallCollection.h"
#include "services/prompts/Prompter.h"

#include <functional>
#include <vector>

namespace parlaro {

struct DeletePermissions {
    bool CanDelete = true;
    bool DeleteOwnOnly = false;
    QString userName;  // compared with a call's LoginName exactly
};

// Whether the call menu offers "Delete Call/s" for a selection whose rows show these users.
bool CanDeleteSelection(const std::vector<QString>& selectedUsers, const DeletePermissions& may);

class SelectedCallsView {
  public:
    virtual ~SelectedCallsView() = default;
    virtual int rowCount() const = 0;
    virtual bool isRowSelected(int row) const = 0;
    // Row n shows record n + 1 of the collection; removes that record and its row.
    virtual void removeCall(int row) = 0;
    virtual void setNoteBox(const QString& text) = 0;
    virtual void FitCallColumns() = 0;
};

// Deletes the selected calls, last row first, without asking. A call the user may not delete
// is skipped silently; `releasePlayer` is told each recording before it goes, so a call being
// played is stopped first. A recording that cannot be deleted keeps its row and is reported;
// the others go on.
void DeleteCall(CallCollection& calls, SelectedCallsView& list, const DeletePermissions& may,
                const std::function<void(const QString& recording)>& releasePlayer,
                Prompter& prompter);

}  // namespace parlaro
