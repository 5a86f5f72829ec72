#include "app/options/CalibrationWizard.h"

#include "app/options/CalibrationDialog.h"
#include "app/options/HelpPage.h"
#include "app/recording/Recorder.h"

namespace parlaro {

std::optional<int> RunCalibrationWizard(WizardUi& ui) {
    for (;;) {
        const HelpPageResult first = ui.showPage(1);
        if (first.button != "Next") return std::nullopt;
        ui.showMixer();
        if (!first.skipHelp) {
            const HelpPageResult questions = ui.showPage(2);
            if (questions.button == "Prev") continue;
            if (questions.button != "Next") return std::nullopt;
            if (!questions.microphoneVisible) ui.showPage(3);
            if (!questions.advancedVisible) ui.showPage(4);
            ui.showPage(5);
        }
        return ui.calibrate();
    }
}

namespace {

class DialogWizard final : public WizardUi {
  public:
    DialogWizard(QWidget* parent, Recorder& mainControl, Prompter& prompter, bool gsm)
        : parent_(parent), mainControl_(mainControl), prompter_(prompter), gsm_(gsm) {}
    HelpPageResult showPage(int page) override { return HelpPage::run(parent_, page, prompter_); }
    void showMixer() override {
        mainControl_.Reset();
        mainControl_.ShowMixer(1);
    }
    std::optional<int> calibrate() override {
        CalibrationDialog dialog(parent_, prompter_, gsm_);
        dialog.exec();
        if (dialog.cancelled()) return std::nullopt;
        return dialog.quietLineMaximum();
    }

  private:
    QWidget* parent_;
    Recorder& mainControl_;
    Prompter& prompter_;
    bool gsm_;
};

}  // namespace

std::optional<int> RunCalibrationWizard(QWidget* parent, Recorder& mainControl, Prompter& prompter,
                                        bool gsm) {
    DialogWizard ui(parent, mainControl, prompter, gsm);
    return RunCalibrationWizard(ui);
}

}  // namespace parlaro
