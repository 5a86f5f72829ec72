#include "app/options/OptionsDialog.h"

#include "app/recording/CallInput.h"
#include "app/recording/RecordingController.h"
#include "app/recording/StatusDisplay.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace parlaro {

namespace {

constexpr int kSensitivityOffset = 50;  // slider 0..50 is -50..0 dB
constexpr int kLongestKeepDays = 36500;

QString withSlash(const QString& folder) {
    return folder.isEmpty() || folder.endsWith('/') ? folder : folder + "/";
}

template <typename Widget>
Widget* named(Widget* w, const char* name, const QString& tip = {}) {
    w->setObjectName(name);
    if (!tip.isEmpty()) w->setToolTip(tip);
    return w;
}

QSlider* slider(QWidget* parent, const char* name, int low, int high) {
    auto* s = named(new QSlider(Qt::Horizontal, parent), name);
    s->setRange(low, high);
    s->setPageStep(1);
    return s;
}

}  // namespace

QString OptionsDialog::sliderText(int value, const char* unit) {
    return QString("%1 %2").arg(value).arg(QLatin1String(unit)).rightJustified(6, ' ');
}

OptionsDialog::OptionsDialog(QWidget* parent, AppSettings& settings, SettingsAccess& globals,
                             Recorder& recorder, Prompter& prompter, OptionsServices services)
    : QDialog(parent),
      settings_(settings),
      globals_(globals),
      recorder_(recorder),
      prompter_(prompter),
      services_(std::move(services)) {
    setObjectName("frmOptions");
    setWindowTitle(kProductName + " Options");
    setModal(true);
    build();
    load();
    connectHandlers();
}

void OptionsDialog::build() {
    auto* layout = new QVBoxLayout(this);

    auto* recording = new QGroupBox("Recording", this);
    auto* rec = new QGridLayout(recording);
    // Two choices side by side in one row, one group.
    const auto addChoice = [&](int row, QRadioButton*(&buttons)[2], const char* groupName) {
        auto* group = new QButtonGroup(recording);
        group->setObjectName(groupName);
        for (int i = 0; i < 2; ++i) {
            group->addButton(buttons[i], i);
            rec->addWidget(buttons[i], row, i);
        }
    };
    inputButtons_[0] = named(new QRadioButton("The line input", recording), "optInput0",
                             "Record the telephone line wired into the sound card's input");
    inputButtons_[1] =
        named(new QRadioButton(kComputerCallsDevice, recording), "optInput1",
              "Record the calls made on this computer: the microphone and what the speakers "
              "play (left and right in PCM, mixed in GSM)");
    addChoice(0, inputButtons_, "optInput");
    formatButtons_[0] = named(new QRadioButton("GSM 6.10 (compact)", recording), "optFormat0",
                              "Record calls compressed: about 1.6 KB a second");
    formatButtons_[1] = named(new QRadioButton("PCM 8000 Hz 8-bit", recording), "optFormat1",
                              "Record calls uncompressed: 8 KB a second");
    addChoice(1, formatButtons_, "optFormat");
    autoRecordBox_ = named(new QCheckBox("Record calls automatically", recording), "chkAutoRecord",
                           "Start recording when the line has been loud for 1.5 seconds");
    rec->addWidget(autoRecordBox_, 2, 0, 1, 2);

    const auto addSlider = [&](int row, const QString& caption, QSlider* s, QLabel*& label,
                               const char* labelName, const QString& tip) {
        s->setToolTip(tip);
        label = named(new QLabel(recording), labelName);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance("-50 dB") + 8);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        rec->addWidget(new QLabel(caption, recording), row, 0);
        auto* line = new QHBoxLayout;
        line->addWidget(s, 1);
        line->addWidget(label);
        rec->addLayout(line, row, 1);
    };
    sensitivitySlider_ = slider(recording, "sldSensitivity", 0, 50);
    addSlider(3, "Trigger level", sensitivitySlider_, sensitivityLabel_, "lblSensitivity",
              "A call starts when the line is louder than this");
    latchSlider_ = slider(recording, "sldLatch", 2, 20);
    addSlider(4, "End after silence of", latchSlider_, latchLabel_, "lblLatchTime",
              "A call ends when the line has been quiet this long");
    minCallSlider_ = slider(recording, "sldMinCall", 0, 60);
    addSlider(5, "Shortest call kept", minCallSlider_, minCallLabel_, "lblMinCall",
              "Automatic recordings shorter than this are thrown away");
    auto* cal = named(new QPushButton("&Calibrate...", recording), "btnCal",
                      "Set the recording level and the trigger on the line itself");
    rec->addWidget(cal, 6, 1, Qt::AlignRight);
    layout->addWidget(recording);

    auto* behaviour = new QGroupBox("Window and notes", this);
    auto* beh = new QVBoxLayout(behaviour);
    addNoteBox_ = named(new QCheckBox("Ask for a note after each call", behaviour), "chkAddNote");
    maximiseBox_ = named(new QCheckBox("Bring the window up when a call starts", behaviour),
                         "chkAutoMaximize");
    preventShutdownBox_ =
        named(new QCheckBox("Prevent closing and shutting down while Parlaro runs", behaviour),
              "chkPreventShutdown");
    beh->addWidget(addNoteBox_);
    beh->addWidget(maximiseBox_);
    beh->addWidget(preventShutdownBox_);
    autostartBox_ = named(new QCheckBox("Start " + kProductName + " when I log in", behaviour),
                          "chkAutostart", "Start the recorder with the desktop session");
    beh->addWidget(autostartBox_);
    layout->addWidget(behaviour);

    auto* rights = new QGroupBox("What users may do", this);
    auto* rig = new QGridLayout(rights);
    const auto addRight = [&](int row, QCheckBox*& box, const char* boxName, const QString& verb,
                              QRadioButton*(&options)[2], const char* optionName) {
        box = named(new QCheckBox(verb + " calls", rights), boxName);
        options[0] = named(new QRadioButton("own calls only", rights),
                           (std::string(optionName) + "0").c_str());
        options[1] =
            named(new QRadioButton("all calls", rights), (std::string(optionName) + "1").c_str());
        auto* group = new QButtonGroup(rights);
        group->setObjectName(optionName);
        group->addButton(options[0], 0);
        group->addButton(options[1], 1);
        rig->addWidget(box, row, 0);
        rig->addWidget(options[0], row, 1);
        rig->addWidget(options[1], row, 2);
    };
    addRight(0, playBox_, "chkPlay", "Play", playWhoseButtons_, "optPlay");
    addRight(1, deleteBox_, "chkDelete", "Delete", deleteWhoseButtons_, "optDel");
    layout->addWidget(rights);

    auto* storage = new QGroupBox("Calls folder", this);
    auto* sto = new QGridLayout(storage);
    callsFolderBox_ = named(new QLineEdit(storage), "txtCallsFolder",
                            "Where new calls are filed; type a folder or choose one");
    auto* change = named(new QPushButton("C&hange...", storage), "cmdChangeCallsFolder",
                         "Choose the folder new calls are filed in");
    sto->addWidget(callsFolderBox_, 0, 0, 1, 2);
    sto->addWidget(change, 0, 2);
    sto->addWidget(new QLabel("Delete calls older than", storage), 1, 0);
    keepDaysBox_ = named(new QSpinBox(storage), "spnKeepDays",
                         "Calls older than this many days are deleted with their notes; 0 keeps "
                         "every call");
    keepDaysBox_->setRange(0, kLongestKeepDays);
    keepDaysBox_->setSuffix(" days");
    keepDaysBox_->setSpecialValueText("never");
    sto->addWidget(keepDaysBox_, 1, 1);
    layout->addWidget(storage);

    auto* bottom = new QHBoxLayout;
    passwordBox_ = named(new QCheckBox("Password for these options", this), "chkPassword");
    passwordButton_ = named(new QPushButton("Pass&word...", this), "btnPW",
                            "Set or change the password that protects these options");
    auto* about = named(new QPushButton("&About...", this), "cmdAbout");
    auto* close = named(new QPushButton("Close", this), "cmdClose", "Apply and keep these options");
    close->setDefault(true);
    bottom->addWidget(passwordBox_);
    bottom->addWidget(passwordButton_);
    bottom->addStretch();
    bottom->addWidget(about);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(cal, &QPushButton::clicked, this, [this] {
        if (!services_.calibrate) return;
        if (const auto maximum = services_.calibrate(this)) applyCalibration(*maximum);
    });
    connect(change, &QPushButton::clicked, this, &OptionsDialog::chooseCallsFolder);
    connect(about, &QPushButton::clicked, this, &OptionsDialog::showAbout);
    connect(close, &QPushButton::clicked, this, &OptionsDialog::closeOptions);
}

void OptionsDialog::load() {
    // Loading sets the boxes without their side effects; the format alone is applied again.
    const QSignalBlocker blockers[] = {QSignalBlocker(autoRecordBox_),
                                       QSignalBlocker(addNoteBox_),
                                       QSignalBlocker(maximiseBox_),
                                       QSignalBlocker(playBox_),
                                       QSignalBlocker(deleteBox_),
                                       QSignalBlocker(preventShutdownBox_),
                                       QSignalBlocker(passwordBox_),
                                       QSignalBlocker(autostartBox_),
                                       QSignalBlocker(playWhoseButtons_[0]),
                                       QSignalBlocker(playWhoseButtons_[1]),
                                       QSignalBlocker(deleteWhoseButtons_[0]),
                                       QSignalBlocker(deleteWhoseButtons_[1])};
    autoRecordBox_->setChecked(settings_.AutoRecord);
    sensitivitySlider_->setValue(settings_.Sensitivity + kSensitivityOffset);
    sensitivityLabel_->setText(sliderText(sensitivitySlider_->value() - kSensitivityOffset, "dB"));
    latchSlider_->setValue(settings_.CallTimeOut);
    latchLabel_->setText(sliderText(latchSlider_->value(), "sec"));
    minCallSlider_->setValue(settings_.MinCallLength);
    minCallLabel_->setText(sliderText(minCallSlider_->value(), "sec"));
    addNoteBox_->setChecked(settings_.AddNote);
    maximiseBox_->setChecked(settings_.Maximise);
    playBox_->setChecked(settings_.CanPlay);
    playWhoseButtons_[settings_.PlayOwnOnly ? 0 : 1]->setChecked(true);
    deleteBox_->setChecked(settings_.CanDelete);
    deleteWhoseButtons_[settings_.DeleteOwnOnly ? 0 : 1]->setChecked(true);
    for (QRadioButton* b : playWhoseButtons_)
        b->setEnabled(settings_.CanPlay);
    for (QRadioButton* b : deleteWhoseButtons_)
        b->setEnabled(settings_.CanDelete);
    preventShutdownBox_->setChecked(settings_.SD == 1);
    passwordBox_->setChecked(!settings_.PW.isEmpty());
    // The box shows the entry as it is on disk, whoever wrote it.
    autostartBox_->setEnabled(services_.autostart.has_value());
    autostartBox_->setChecked(services_.autostart && services_.autostart->enabled());
    callsFolderBox_->setText(settings_.CallPath);
    keepDaysBox_->setValue(std::clamp(settings_.KeepDays, 0, kLongestKeepDays));
    const int format = settings_.gsmFormat() ? 0 : 1;
    formatButtons_[format]->setChecked(true);
    inputButtons_[static_cast<int>(CallInputFromSetting(settings_.Input))]->setChecked(true);
    formatChosen(format);
}

void OptionsDialog::connectHandlers() {
    connect(formatButtons_[0], &QRadioButton::clicked, this, [this] { formatChosen(0); });
    connect(formatButtons_[1], &QRadioButton::clicked, this, [this] { formatChosen(1); });
    connect(inputButtons_[0], &QRadioButton::clicked, this,
            [this] { inputChosen(CallInput::Line); });
    connect(inputButtons_[1], &QRadioButton::clicked, this,
            [this] { inputChosen(CallInput::ComputerCalls); });
    connect(autoRecordBox_, &QCheckBox::toggled, this, &OptionsDialog::autoRecordToggled);
    connect(sensitivitySlider_, &QSlider::valueChanged, this, [this](int v) {
        sensitivityLabel_->setText(sliderText(v - kSensitivityOffset, "dB"));
    });
    connect(latchSlider_, &QSlider::valueChanged, this,
            [this](int v) { latchLabel_->setText(sliderText(v, "sec")); });
    connect(minCallSlider_, &QSlider::valueChanged, this,
            [this](int v) { minCallLabel_->setText(sliderText(v, "sec")); });
    connect(addNoteBox_, &QCheckBox::toggled, this, [this](bool on) { settings_.AddNote = on; });
    connect(maximiseBox_, &QCheckBox::toggled, this, [this](bool on) { settings_.Maximise = on; });
    connect(preventShutdownBox_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.SD = on ? 1 : 0; });
    connect(playBox_, &QCheckBox::toggled, this, [this](bool on) {
        settings_.CanPlay = on;
        for (QRadioButton* b : playWhoseButtons_)
            b->setEnabled(on);
    });
    connect(deleteBox_, &QCheckBox::toggled, this, [this](bool on) {
        settings_.CanDelete = on;
        for (QRadioButton* b : deleteWhoseButtons_)
            b->setEnabled(on);
    });
    connect(playWhoseButtons_[0], &QRadioButton::toggled, this,
            [this](bool own) { settings_.PlayOwnOnly = own; });
    connect(deleteWhoseButtons_[0], &QRadioButton::toggled, this,
            [this](bool own) { settings_.DeleteOwnOnly = own; });
    connect(passwordBox_, &QCheckBox::clicked, this, &OptionsDialog::passwordToggled);
    connect(passwordButton_, &QPushButton::clicked, this, &OptionsDialog::changePassword);
    connect(autostartBox_, &QCheckBox::toggled, this, &OptionsDialog::autostartToggled);
}

void OptionsDialog::formatChosen(int button) {
    recorder_.Reset();
    if (button == 0) {
        recorder_.setBitsPerSample(kAcmBitsPerSample);
        recorder_.setAcmFormat(kGsmFormatText);
        settings_.Format = 0;
    } else {
        recorder_.setSampleRate(8000);
        recorder_.setBitsPerSample(8);
        settings_.Format = 1;
    }
    // The computer's calls take two channels in PCM and one in GSM.
    ApplyCallInput(recorder_, settings_);
}

void OptionsDialog::inputChosen(CallInput input) {
    recorder_.Reset();
    settings_.Input = static_cast<int32_t>(input);
    if (ApplyCallInput(recorder_, settings_)) return;
    settings_.Input = static_cast<int32_t>(CallInput::Line);
    inputButtons_[0]->setChecked(true);
    prompter_.show({kProductName, ComputerCallsMissingText(), Icon::Exclamation, Buttons::Ok});
}

void OptionsDialog::autoRecordToggled(bool on) {
    settings_.AutoRecord = on;
    // Voice detection stops at once; switched on, it starts again when the dialog closes.
    if (!on) recorder_.Reset();
}

void OptionsDialog::passwordToggled(bool on) {
    if (on) {
        changePassword();
        return;
    }
    if (prompter_.show({kProductName, "Clear Options Password?", Icon::Question, Buttons::YesNo}) ==
        Answer::Yes) {
        globals_.WriteSetting("PW", "");
        settings_.PW.clear();
    } else {
        const QSignalBlocker blocker(passwordBox_);
        passwordBox_->setChecked(true);
    }
}

void OptionsDialog::autostartToggled(bool on) {
    if (!services_.autostart) return;
    const std::optional<QString> problem =
        on ? services_.autostart->enable() : services_.autostart->disable();
    if (!problem) return;
    prompter_.show({kProductName, *problem, Icon::Exclamation, Buttons::Ok});
    // The box goes back to what is on disk.
    const QSignalBlocker blocker(autostartBox_);
    autostartBox_->setChecked(services_.autostart->enabled());
}

void OptionsDialog::changePassword() {
    const bool set =
        services_.changePassword ? services_.changePassword(this) : !settings_.PW.isEmpty();
    const QSignalBlocker blocker(passwordBox_);
    passwordBox_->setChecked(set);
}

void OptionsDialog::chooseCallsFolder() {
    if (!services_.browseForFolder) return;
    const QString folder =
        services_.browseForFolder(this, "Select Default Calls Folder", callsFolderBox_->text());
    if (folder.isEmpty()) return;
    callsFolderBox_->setText(folder);
    settings_.CallPath = folder;
}

void OptionsDialog::applyCalibration(int quietLineMaximum) {
    if (quietLineMaximum > -2) return;
    // A quiet line is floored at -50 dB by the calibration; anything below is no measurement.
    if (quietLineMaximum < -kSensitivityOffset) return;
    sensitivitySlider_->setValue(quietLineMaximum + kSensitivityOffset + 2);
    sensitivityLabel_->setText(
        sliderText(sensitivitySlider_->value() - sensitivitySlider_->maximum(), "dB"));
}

void OptionsDialog::showAbout() {
    prompter_.show({"About " + kProductName,
                    kProductName + " Call Recorder " + QStringLiteral(PARLARO_VERSION) +
                        "\r\nRecords telephone calls from the sound card's input and keeps them "
                        "as a library of calls.\r\n\r\nBuilt with Qt " +
                        QString::fromLatin1(qVersion()) +
                        ", PortAudio, ALSA, libgsm, LAME and mpg123.",
                    Icon::Information, Buttons::Ok});
}

bool OptionsDialog::closeOptions() {
    if (closing_) return false;
    const QString typed = callsFolderBox_->text();
    if (typed != settings_.CallPath) {
        if (prompter_.show({"Save Changes?", "Save new calls folder?", Icon::Question,
                            Buttons::YesNo}) == Answer::Yes) {
            if (!QFileInfo(typed).isDir()) {
                prompter_.show({kProductName, "Folder: " + typed + " does not exist",
                                Icon::Exclamation, Buttons::Ok});
                return false;
            }
            // Calls are filed as the folder followed by their name.
            settings_.CallPath = withSlash(typed);
        }
    }
    settings_.CallTimeOut = latchSlider_->value();
    settings_.Sensitivity = sensitivitySlider_->value() - kSensitivityOffset;
    settings_.MinCallLength = minCallSlider_->value();
    settings_.KeepDays = keepDaysBox_->value();
    globals_.SaveAllSettings(settings_);
    closing_ = true;
    accept();
    return true;
}

void OptionsDialog::reject() {
    closeOptions();
}

QString BrowseForFolder(QWidget* parent, const QString& title, const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(parent, title, start);
    return withSlash(folder);
}

}  // namespace parlaro
