// The calibration wizard's help pages (dlgCalMsg1 to dlgCalMsg5), with their pictures of the
// desktop's sound settings drawn here.
#pragma once

#include "app/options/CalibrationWizard.h"

#include <QDialog>
#include <QPixmap>

class QCheckBox;
class QRadioButton;

namespace parlaro {

class Prompter;

class HelpPage final : public QDialog {
    Q_OBJECT
  public:
    HelpPage(QWidget* parent, int page, Prompter& prompter);
    // Shows page 1 to 5 modally and tells how it ended.
    static HelpPageResult run(QWidget* parent, int page, Prompter& prompter);
    HelpPageResult result() const { return result_; }

    // The picture of pages 3 to 5.
    static QPixmap picture(int page);

  private:
    void finish(const QString& button);

    int page_;
    Prompter& prompter_;
    HelpPageResult result_;
    QCheckBox* skipBox_ = nullptr;
    QRadioButton* adv_[2] = {};
    QRadioButton* mic_[2] = {};
};

}  // namespace parlaro
