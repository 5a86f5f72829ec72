#include "app/options/OptionsDialog.h"

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
    optFormat_[0] = named(new QRadioButton("GSM 6.10 (compact)", recording), "optFormat0",
                          "Record calls compressed: about 1.6 KB a second");
    optFormat_[1] = named(new QRadioButton("PCM 8000 Hz 8-bit", recording), "optFormat1",
                          "Record calls uncompressed: 8 KB a second");
    auto* formats = new QButtonGroup(recording);
    formats->setObjectName("optFormat");
    formats->addButton(optFormat_[0], 0);
    formats->addButton(optFormat_[1], 1);
    rec->addWidget(optFormat_[0], 0, 0);
    rec->addWidget(optFormat_[1], 0, 1);
    chkAutoRecord_ = named(new QCheckBox("Record calls automatically", recording), "chkAutoRecord",
                           "Start recording when the line has been loud for 1.5 seconds");
    rec->addWidget(chkAutoRecord_, 1, 0, 1, 2);

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
    sldSensitivity_ = slider(recording, "sldSensitivity", 0, 50);
    addSlider(2, "Trigger level", sldSensitivity_, lblSensitivity_, "lblSensitivity",
              "A call starts when the line is louder than this");
    sldLatch_ = slider(recording, "sldLatch", 2, 20);
    addSlider(3, "End after silence of", sldLatch_, lblLatchTime_, "lblLatchTime",
              "A call ends when the line has been quiet this long");
    sldMinCall_ = slider(recording, "sldMinCall", 0, 60);
    addSlider(4, "Shortest call kept", sldMinCall_, lblMinCall_, "lblMinCall",
              "Automatic recordings shorter than this are thrown away");
    auto* cal = named(new QPushButton("&Calibrate...", recording), "btnCal",
                      "Set the recording level and the trigger on the line itself");
    rec->addWidget(cal, 5, 1, Qt::AlignRight);
    layout->addWidget(recording);

    auto* behaviour = new QGroupBox("Window and notes", this);
    auto* beh = new QVBoxLayout(behaviour);
    chkAddNote_ = named(new QCheckBox("Ask for a note after each call", behaviour), "chkAddNote");
    chkAutoMaximize_ = named(new QCheckBox("Bring the window up when a call starts", behaviour),
                             "chkAutoMaximize");
    chkPreventShutdown_ =
        named(new QCheckBox("Prevent closing and shutting down while Parlaro runs", behaviour),
              "chkPreventShutdown");
    beh->addWidget(chkAddNote_);
    beh->addWidget(chkAutoMaximize_);
    beh->addWidget(chkPreventShutdown_);
    chkAutostart_ = named(new QCheckBox("Start " + kProductName + " when I log in", behaviour),
                          "chkAutostart", "Start the recorder with the desktop session");
    beh->addWidget(chkAutostart_);
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
    addRight(0, chkPlay_, "chkPlay", "Play", optPlay_, "optPlay");
    addRight(1, chkDelete_, "chkDelete", "Delete", optDel_, "optDel");
    layout->addWidget(rights);

    auto* storage = new QGroupBox("Calls folder", this);
    auto* sto = new QGridLayout(storage);
    txtCallsFolder_ = named(new QLineEdit(storage), "txtCallsFolder",
                            "Where new calls are filed; type a folder or choose one");
    auto* change = named(new QPushButton("C&hange...", storage), "cmdChangeCallsFolder",
                         "Choose the folder new calls are filed in");
    sto->addWidget(txtCallsFolder_, 0, 0, 1, 2);
    sto->addWidget(change, 0, 2);
    sto->addWidget(new QLabel("Delete calls older than", storage), 1, 0);
    spnKeepDays_ = named(new QSpinBox(storage), "spnKeepDays",
                         "Calls older than this many days are deleted with their notes; 0 keeps "
                         "every call");
    spnKeepDays_->setRange(0, kLongestKeepDays);
    spnKeepDays_->setSuffix(" days");
    spnKeepDays_->setSpecialValueText("never");
    sto->addWidget(spnKeepDays_, 1, 1);
    layout->addWidget(storage);

    auto* bottom = new QHBoxLayout;
    chkPassword_ = named(new QCheckBox("Password for these options", this), "chkPassword");
    btnPW_ = named(new QPushButton("Pass&word...", this), "btnPW",
                   "Set or change the password that protects these options");
    auto* about = named(new QPushButton("&About...", this), "cmdAbout");
    auto* close = named(new QPushButton("Close", this), "cmdClose", "Apply and keep these options");
    close->setDefault(true);
    bottom->addWidget(chkPassword_);
    bottom->addWidget(btnPW_);
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
    const QSignalBlocker blockers[] = {
        QSignalBlocker(chkAutoRecord_),   QSignalBlocker(chkAddNote_),
        QSignalBlocker(chkAutoMaximize_), QSignalBlocker(chkPlay_),
        QSignalBlocker(chkDelete_),       QSignalBlocker(chkPreventShutdown_),
        QSignalBlocker(chkPassword_),     QSignalBlocker(chkAutostart_),
        QSignalBlocker(optPlay_[0]),      QSignalBlocker(optPlay_[1]),
        QSignalBlocker(optDel_[0]),       QSignalBlocker(optDel_[1])};
    chkAutoRecord_->setChecked(settings_.AutoRecord);
    sldSensitivity_->setValue(settings_.Sensitivity + kSensitivityOffset);
    lblSensitivity_->setText(sliderText(sldSensitivity_->value() - kSensitivityOffset, "dB"));
    sldLatch_->setValue(settings_.CallTimeOut);
    lblLatchTime_->setText(sliderText(sldLatch_->value(), "sec"));
    sldMinCall_->setValue(settings_.MinCallLength);
    lblMinCall_->setText(sliderText(sldMinCall_->value(), "sec"));
    chkAddNote_->setChecked(settings_.AddNote);
    chkAutoMaximize_->setChecked(settings_.Maximise);
    chkPlay_->setChecked(settings_.CanPlay);
    optPlay_[settings_.PlayOwnOnly ? 0 : 1]->setChecked(true);
    chkDelete_->setChecked(settings_.CanDelete);
    optDel_[settings_.DeleteOwnOnly ? 0 : 1]->setChecked(true);
    for (QRadioButton* b : optPlay_)
        b->setEnabled(settings_.CanPlay);
    for (QRadioButton* b : optDel_)
        b->setEnabled(settings_.CanDelete);
    chkPreventShutdown_->setChecked(settings_.SD == 1);
    chkPassword_->setChecked(!settings_.PW.isEmpty());
    // The box shows the entry as it is on disk, whoever wrote it.
    chkAutostart_->setEnabled(services_.autostart.has_value());
    chkAutostart_->setChecked(services_.autostart && services_.autostart->enabled());
    txtCallsFolder_->setText(settings_.CallPath);
    spnKeepDays_->setValue(std::clamp(settings_.KeepDays, 0, kLongestKeepDays));
    const int format = settings_.gsmFormat() ? 0 : 1;
    optFormat_[format]->setChecked(true);
    formatChosen(format);
}

void OptionsDialog::connectHandlers() {
    connect(optFormat_[0], &QRadioButton::clicked, this, [this] { formatChosen(0); });
    connect(optFormat_[1], &QRadioButton::clicked, this, [this] { formatChosen(1); });
    connect(chkAutoRecord_, &QCheckBox::toggled, this, &OptionsDialog::autoRecordToggled);
    connect(sldSensitivity_, &QSlider::valueChanged, this,
            [this](int v) { lblSensitivity_->setText(sliderText(v - kSensitivityOffset, "dB")); });
    connect(sldLatch_, &QSlider::valueChanged, this,
            [this](int v) { lblLatchTime_->setText(sliderText(v, "sec")); });
    connect(sldMinCall_, &QSlider::valueChanged, this,
            [this](int v) { lblMinCall_->setText(sliderText(v, "sec")); });
    connect(chkAddNote_, &QCheckBox::toggled, this, [this](bool on) { settings_.AddNote = on; });
    connect(chkAutoMaximize_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.Maximise = on; });
    connect(chkPreventShutdown_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.SD = on ? 1 : 0; });
    connect(chkPlay_, &QCheckBox::toggled, this, [this](bool on) {
        settings_.CanPlay = on;
        for (QRadioButton* b : optPlay_)
            b->setEnabled(on);
    });
    connect(chkDelete_, &QCheckBox::toggled, this, [this](bool on) {
        settings_.CanDelete = on;
        for (QRadioButton* b : optDel_)
            b->setEnabled(on);
    });
    connect(optPlay_[0], &QRadioButton::toggled, this,
            [this](bool own) { settings_.PlayOwnOnly = own; });
    connect(optDel_[0], &QRadioButton::toggled, this,
            [this](bool own) { settings_.DeleteOwnOnly = own; });
    connect(chkPassword_, &QCheckBox::clicked, this, &OptionsDialog::passwordToggled);
    connect(btnPW_, &QPushButton::clicked, this, &OptionsDialog::changePassword);
    connect(chkAutostart_, &QCheckBox::toggled, this, &OptionsDialog::autostartToggled);
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
        const QSignalBlocker blocker(chkPassword_);
        chkPassword_->setChecked(true);
    }
}

void OptionsDialog::autostartToggled(bool on) {
    if (!services_.autostart) return;
    const std::optional<QString> problem =
        on ? services_.autostart->enable() : services_.autostart->disable();
    if (!problem) return;
    prompter_.show({kProductName, *problem, Icon::Exclamation, Buttons::Ok});
    // The box goes back to what is on disk.
    const QSignalBlocker blocker(chkAutostart_);
    chkAutostart_->setChecked(services_.autostart->enabled());
}

void OptionsDialog::changePassword() {
    const bool set =
        services_.changePassword ? services_.changePassword(this) : !settings_.PW.isEmpty();
    const QSignalBlocker blocker(chkPassword_);
    chkPassword_->setChecked(set);
}

void OptionsDialog::chooseCallsFolder() {
    if (!services_.browseForFolder) return;
    const QString folder =
        services_.browseForFolder(this, "Select Default Calls Folder", txtCallsFolder_->text());
    if (folder.isEmpty()) return;
    txtCallsFolder_->setText(folder);
    settings_.CallPath = folder;
}

void OptionsDialog::applyCalibration(int quietLineMaximum) {
    if (quietLineMaximum > -2) return;
    // A quiet line is floored at -50 dB by the calibration; anything below is no measurement.
    if (quietLineMaximum < -kSensitivityOffset) return;
    sldSensitivity_->setValue(quietLineMaximum + kSensitivityOffset + 2);
    lblSensitivity_->setText(
        sliderText(sldSensitivity_->value() - sldSensitivity_->maximum(), "dB"));
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
    const QString typed = txtCallsFolder_->text();
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
    settings_.CallTimeOut = sldLatch_->value();
    settings_.Sensitivity = sldSensitivity_->value() - kSensitivityOffset;
    settings_.MinCallLength = sldMinCall_->value();
    settings_.KeepDays = spnKeepDays_->value();
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
