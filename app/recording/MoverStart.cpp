#include "app/recording/MoverStart.h"

#include "app/recording/StatusDisplay.h"

namespace parlaro {

bool StartMover(Launcher& launcher, Prompter& prompter, const QString& programFolder,
                std::function<void()> ended) {
    const int result = ended ? launcher.openAndWatch(programFolder + "/mover", std::move(ended))
                             : launcher.open(programFolder + "/mover");
    if (result > 32) return true;
    prompter.show({kProductName + " Error",
                   kProductName + " failed to launch recording mover: " + QString::number(result),
                   Icon::Exclamation, Buttons::Ok});
    return false;
}

}  // namespace parlaro
