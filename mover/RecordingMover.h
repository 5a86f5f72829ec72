// The mover's work: read the temporary recording folder ("wavs") and the calls folder
// ("callpath") from the user's settings, then move every finished recording across, pass
// after pass, until a pass finds none. Problems are told through the prompter.
#pragma once

#include "app/recording/Prompter.h"
#include "app/settings/RegistryAccess.h"

#include <QStringList>

#include <optional>

namespace mover {

// A recording is finished once its name has gained its length: at least three "-".
bool isFinishedRecording(const QString& fileName);

class RecordingMover {
  public:
    RecordingMover(parlaro::RegistryAccess& registry, parlaro::Prompter& prompter)
        : registry_(registry), prompter_(prompter) {}

    void run();

    static constexpr int kMaxFiles = 32767;

  private:
    // Nothing when the folder cannot be listed (already told).
    std::optional<QStringList> buildFileList(const QString& folder);
    std::optional<QString> readFolder(const char* valueName);
    void warn(const QString& text);

    parlaro::RegistryAccess& registry_;
    parlaro::Prompter& prompter_;
};

}  // namespace mover
