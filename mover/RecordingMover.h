// The mover's work: read the temporary recording folder ("wavs") and the calls folder
// ("callpath") from the user's settings, then move every finished recording across, pass
// after pass, until a pass finds none. A recording is moved only once nothing has it open for
// writing and it has stayed the same for a moment; one still open is left for a later run.
// Each takes the calls folder's access (CallsFolderAccess) on its way. Problems are told through
// the prompter; a calls folder that cannot be one is named once, with the reason.
#pragma once

#include "core/settings/RegistryAccess.h"
#include "services/prompts/Prompter.h"

#include <QStringList>

#include <sys/types.h>

#include <chrono>
#include <ctime>
#include <map>
#include <optional>

namespace mover {

// A recording is finished once its name has gained its length: at least three "-".
bool isFinishedRecording(const QString& fileName);

struct MoverOptions {
    // How long a recording's size and time must have stayed the same before it is moved.
    std::chrono::milliseconds quietTime{2000};
    // Only where no other mover can be running: copies left in the calls folder are then stale.
    bool removeStaleCopies = false;
};

class RecordingMover {
  public:
    RecordingMover(parlaro::RegistryAccess& registry, parlaro::Prompter& prompter,
                   MoverOptions options = {})
        : registry_(registry), prompter_(prompter), options_(options) {}

    void run();

    static constexpr int kMaxFiles = 32767;

  private:
    struct Seen {
        off_t size = 0;
        timespec modified{};
        std::chrono::steady_clock::time_point since;
    };
    struct Sorted {
        QStringList ready;
        // How long until the next recording that is settling may be ready; nothing when none is.
        std::optional<std::chrono::milliseconds> wait;
    };

    // Nothing when the folder cannot be listed (already told).
    std::optional<QStringList> buildFileList(const QString& folder);
    Sorted sortOut(const QString& folder, const QStringList& names);
    std::optional<QString> readFolder(const char* valueName);
    void warn(const QString& text);

    parlaro::RegistryAccess& registry_;
    parlaro::Prompter& prompter_;
    MoverOptions options_;
    std::map<QString, Seen> seen_;
};

}  // namespace mover
