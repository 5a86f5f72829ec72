// What the recording controller needs of the main window besides the status bar: its
// buttons, level labels, timers, window state, the note prompt and the call list.
#pragma once

#include "core/calls/CallRecord.h"

#include <QString>

#include <functional>

namespace parlaro {

// The main window's timers the controller starts and stops.
enum class MainTimer { Detection, VoxLatch, TimeStamp, AddNote, PlaybackPos };

// The main window's buttons whose enabled state follows the recording side.
enum class MainButton {
    Record,
    Stop,
    Pause,
    Play,
    Rewind10,
    Rewind30,
    Advance10,
    Advance30,
    Save,
    Email,
    Options,
    Quit,
    EditNote,
};

class Timers {
  public:
    virtual ~Timers() = default;
    virtual void start(MainTimer timer) = 0;
    virtual void stop(MainTimer timer) = 0;
    virtual bool isActive(MainTimer timer) const = 0;
};

// The add-note prompt as the controller drives it. It is modal over the main window but does
// not block the caller: the window's timers, and so voice detection, go on while it is open.
class NotePrompt {
  public:
    virtual ~NotePrompt() = default;
    // Shows the prompt; `closed` runs once, with the note, when it closes by any means.
    virtual void open(std::function<void(const QString& note)> closed) = 0;
    virtual bool isOpen() const = 0;
    virtual QString text() const = 0;
    // Closes the prompt taking `text` as its note.
    virtual void CloseAddNoteForm(const QString& text) = 0;
};

class RecordingView {
  public:
    virtual ~RecordingView() = default;
    virtual bool isMinimised() const = 0;
    // Normal state, in front and shown, for a call that starts while minimised.
    virtual void restoreForCall() = 0;
    virtual void minimise() = 0;
    virtual void flashCaption() = 0;
    virtual void setLevelTexts(const QString& left, const QString& right) = 0;
    virtual void setButtonEnabled(MainButton button, bool enabled) = 0;
    // The call just recorded goes to the top of the call list and into the collection.
    virtual void addRecordedCall(const CallRecord& call) = 0;
    // The mover has ended: calls it filed that the list lacks are added.
    virtual void callsFiled() = 0;
    // The playback side's Stop and Play (the player and its own flags).
    virtual void stopPlayback() = 0;
    virtual void playSelectedCall() = 0;
    // The options dialog, modal; the password is asked first where one is set.
    virtual void runOptions() = 0;
};

}  // namespace parlaro
