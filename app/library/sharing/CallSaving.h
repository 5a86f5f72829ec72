// Saving copies of the selected calls' recordings elsewhere: each under a name the user gives,
// or all under their own names in one folder, as the recordings themselves or converted to
// Opus or MP3. Notes are not copied. The dialogs are reached through a small interface so the
// procedure can be scripted in tests.
#pragma once

#include "app/library/sharing/CallOperationsView.h"
#include "app/library/sharing/SendAs.h"
#include "services/prompts/Prompter.h"

#include <QString>

#include <functional>
#include <vector>

namespace parlaro {

class SaveDialogs {
  public:
    virtual ~SaveDialogs() = default;
    // The Save As dialog with the type's filter and default extension, proposing `proposed`;
    // "" when cancelled.
    virtual QString saveAs(const QString& proposed, const SaveFileType& type) = 0;
    // The folder chooser starting at `start`; "" when cancelled.
    virtual QString browseForFolder(const QString& prompt, const QString& start) = 0;
};

// Copies `source` to `target`, replacing a file there. The copy is written beside the target
// and renamed over it, so a failed copy leaves an existing file as it was. Copying a file onto
// itself does nothing. 0, or the system's error number.
int CopyCallFile(const QString& source, const QString& target);

class CallSaving {
  public:
    CallSaving(Prompter& prompter, SaveDialogs& dialogs, CallOperationsView& view,
               std::function<void()> stopPlayback)
        : prompter_(prompter),
          dialogs_(dialogs),
          view_(view),
          stopPlayback_(std::move(stopPlayback)) {}

    // cmdSave and "Save Call/s": the recordings of the selected rows, in list order. Copies
    // are named like their calls, with the extension of `format`.
    void SaveCalls(const std::vector<QString>& recordings, SendAs format);

    // Remembered while the program runs; the home folder until the first save to a folder.
    const QString& lastSaveFolder() const { return lastSaveFolder_; }

  private:
    void saveEachAs(const std::vector<QString>& recordings, SendAs format);
    void saveToFolder(const std::vector<QString>& recordings, SendAs format);
    void copy(const QString& source, const QString& target, SendAs format);
    QString startFolder() const;

    Prompter& prompter_;
    SaveDialogs& dialogs_;
    CallOperationsView& view_;
    std::function<void()> stopPlayback_;
    QString lastSaveFolder_;
};

}  // namespace parlaro
