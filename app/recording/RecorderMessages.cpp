#include "app/recording/RecorderMessages.h"

namespace parlaro {

QString recorderErrorText(int16_t code, const QString& fileName) {
    QString text = "Recording Control Error: ";
    switch (code) {
        case 1:
            return text + "No device capable or recording with current settings";
        case 2:
            return text + "Cant open specified file: " + fileName;
        case 3:
            return text + "Cant write to designated file - may be out of disk space";
        case 4:
            return text + "Specified file is not an MS Wave file";
        case 5:
            return text + "Unsupported Audio format";
        case 6:
            return text + "Operating system resources running out - please close some other apps";
        case 7:
            return text + "Recorder is in the wrong state for this operation";
        case 8:
            return text + "Error during recording";
        case 9:
            return text +
                   "Error starting recording - please check no other devices are recording the "
                   "same input";
        case 10:
            return text + "Error starting playback";
        case 11:
            return text + "Error during playback";
        case 12:
            return text + "Couldnt display mixer";
        case 13:
            return text + "Recording time limit reached";
        default:
            return text;
    }
}

void ShowRecorderError(Prompter& prompter, int16_t code, const QString& fileName) {
    prompter.show({"Error", recorderErrorText(code, fileName), Icon::Exclamation, Buttons::Ok});
}

}  // namespace parlaro
