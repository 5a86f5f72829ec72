#include "app/options/Calibration.h"

#include "app/recording/StatusDisplay.h"

#include <cmath>

namespace parlaro {

namespace {

constexpr int kLevelPoll = 200;  // ms
constexpr int kQuietReadings = 5;
constexpr int kQuietFloor = -50;
constexpr int kOffHookLevel = -9;

}  // namespace

QString Calibration::directionFor(float left) {
    if (inRange(left)) return kLevelOkReplace;
    return left <= -4 ? QStringLiteral("Increase Level (or phone on hook)")
                      : QStringLiteral("Decrease Level");
}

void Calibration::adjustLevel() {
    view_.setStepsEnabled(false, true);
    stop_ = false;
    // Errors are not told: the level then reads as the idle value and asks for more.
    recorder_.OpenTemporaryFile();
    recorder_.StartRecording();
    while (!stop_) {
        const float left = recorder_.GetLevels().left;
        view_.setLevelText(QString::number(std::lround(left)) + " dB");
        if (inRange(left)) {
            view_.showLevelOk(true);
            // Between readings the flash shows "go to step 2" for a moment.
            view_.setDirection(kLevelOkReplace);
            view_.setFlashing(true);
        } else {
            view_.setFlashing(false);
            view_.setDirection(directionFor(left));
            view_.showLevelOk(false);
        }
        view_.wait(kLevelPoll);
    }
    recorder_.Stop();
    recorder_.Reset();
}

void Calibration::measureQuietLine() {
    stop_ = true;
    view_.setStepsEnabled(false, false);
    view_.setFlashing(false);
    view_.setDirection("Level OK");
    maximum_ = kNeverMeasured;
    recorder_.Reset();
    recorder_.OpenTemporaryFile();
    recorder_.StartRecording();
    view_.setBusy(true);
    for (int i = 0; i < kQuietReadings; ++i) {
        const float left = recorder_.GetLevels().left;
        if (left > static_cast<float>(maximum_)) maximum_ = static_cast<int>(std::lround(left));
        view_.wait(kLevelPoll);
    }
    recorder_.Stop();
    recorder_.Reset();
    view_.setBusy(false);
    if (maximum_ < kQuietFloor) maximum_ = kQuietFloor;
    if (maximum_ >= kOffHookLevel) {
        prompter_.show({kProductName + " - Phone on hook?",
                        "Audio level seems high - check the phone is on the hook.  Sensitivity "
                        "level has been set",
                        Icon::Exclamation, Buttons::Ok});
    }
    prompter_.show(
        {kProductName + " - Calibration", "Calibration complete", Icon::Information, Buttons::Ok});
    view_.setStepsEnabled(true, true);
}

void Calibration::flash() {
    view_.setDirection(view_.direction() != kLevelOkReplace ? kLevelOkReplace : kLevelOkStep2);
}

void Calibration::close() {
    stop_ = true;
    view_.setFlashing(false);
    recorder_.Stop();
    recorder_.Reset();
}

}  // namespace parlaro
