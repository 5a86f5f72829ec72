// mover: moves finished recordings from the temporary recording folder into the calls folder.
// It never shows a window of its own, only message boxes, and only one runs at a time.
#include "core/settings/Product.h"
#include "core/settings/RuntimeFolder.h"
#include "core/settings/SettingsAccess.h"
#include "mover/RecordingMover.h"
#include "mover/Retention.h"
#include "services/prompts/QtPrompter.h"
#include "services/prompts/UnattendedPrompter.h"

#include <unistd.h>

#include <QApplication>
#include <QLockFile>

#include <memory>

int main(int argc, char** argv) {
    // Unattended runs need no display at all.
    std::unique_ptr<QCoreApplication> app;
    if (parlaro::UnattendedPrompter::requested()) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
    }
    QLockFile instance(parlaro::runtimeFolder() + "/parlaro-mover-" + QString::number(::geteuid()) +
                       ".lock");
    instance.setStaleLockTime(0);
    // Only a running mover stops this one; a folder where no lock can be made does not.
    const bool alone = instance.tryLock(0);
    if (!alone && instance.error() == QLockFile::LockFailedError) return 0;

    const std::unique_ptr<parlaro::Prompter> prompter = parlaro::makePrompter();
    parlaro::registry::RegistryStore store(
        parlaro::registry::StoreLocations::fromEnvironment(parlaro::kProductName));
    parlaro::RegistryAccess reg(store, *prompter, "mover");
    mover::MoverOptions options;
    // Without the lock another mover may be copying right now.
    options.removeStaleCopies = alone;
    mover::RecordingMover(reg, *prompter, options).run();

    // After each pass, calls older than the kept number of days go (only one mover does it).
    // The settings are only read: what is missing stays missing.
    parlaro::SettingsAccess settings(reg, parlaro::KeyPaths::forProduct(parlaro::kProductName));
    const int32_t keepDays = settings.LookUpSettingLong("KeepDays", 0);
    if (alone && keepDays > 0) {
        mover::ApplyRetention(
            settings.LookUpSetting("CallPath", ""), keepDays, QDate::currentDate(),
            parlaro::registry::StoreLocations::fromEnvironment(parlaro::kProductName).userFolder +
                "/retention.log");
    }
    return 0;
}
