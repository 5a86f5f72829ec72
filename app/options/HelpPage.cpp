#include "app/options/HelpPage.h"

#include "app/recording/StatusDisplay.h"
#include "services/prompts/Prompter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace parlaro {

namespace {

struct PageText {
    const char* name;
    const char* caption;
    const char* text;
};

constexpr PageText kPages[] = {
    {"dlgCalMsg1", "Calibrate Parlaro",
     "Click 'Next' to display your sound-card's recording level controls"},
    {"dlgCalMsg2", "Calibrate Parlaro", ""},
    {"dlgCalMsg3", "Show Microphone Volume Control",
     "On the 'Record Control' screen with the volume sliders, select 'Options' and then "
     "'Properties' - you should then see a screen like this, tick where indicated."},
    {"dlgCalMsg4", "Show Advanced Controls",
     "In the sound settings, open the 'Input Devices' tab and show all input devices, so that "
     "the line's input and its settings appear as here."},
    {"dlgCalMsg5", "20dB Boost",
     "If the input has a boost (often '+20 dB' or 'Mic Boost'), switch it on when the line is "
     "too quiet even at full volume."},
};

// A sketch of the desktop's sound settings on its "Input Devices" tab, with the place the page
// is about ringed.
void drawMixer(QPainter& p, int highlight) {
    const QRect frame(0, 0, 420, 230);
    p.fillRect(frame, QColor(0xf4, 0xf4, 0xf2));
    p.setPen(QColor(0x88, 0x88, 0x88));
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    p.fillRect(QRect(1, 1, 418, 24), QColor(0x3d, 0x5a, 0x80));
    p.setPen(Qt::white);
    p.drawText(QRect(10, 1, 400, 24), Qt::AlignVCenter, "Volume Control");

    const char* tabs[] = {"Playback", "Recording", "Output Devices", "Input Devices"};
    int x = 10;
    for (int i = 0; i < 4; ++i) {
        const int w = p.fontMetrics().horizontalAdvance(tabs[i]) + 16;
        const QRect tab(x, 32, w, 22);
        p.fillRect(tab, i == 3 ? Qt::white : QColor(0xe2, 0xe2, 0xde));
        p.setPen(QColor(0x88, 0x88, 0x88));
        p.drawRect(tab);
        p.setPen(Qt::black);
        p.drawText(tab, Qt::AlignCenter, tabs[i]);
        x += w + 2;
    }
    p.fillRect(QRect(10, 54, 400, 140), Qt::white);
    p.setPen(QColor(0x88, 0x88, 0x88));
    p.drawRect(QRect(10, 54, 400, 140));

    p.setPen(Qt::black);
    p.drawText(QRect(20, 62, 200, 20), Qt::AlignVCenter, "Line In / Microphone");
    p.drawText(QRect(20, 90, 60, 20), Qt::AlignVCenter, "Volume");
    p.fillRect(QRect(90, 98, 220, 4), QColor(0xbb, 0xbb, 0xbb));
    p.fillRect(QRect(90, 98, 150, 4), QColor(0x3d, 0x5a, 0x80));
    p.setBrush(Qt::white);
    p.drawEllipse(QPoint(240, 100), 7, 7);
    p.drawText(QRect(320, 90, 80, 20), Qt::AlignVCenter, "68%");
    p.drawRect(QRect(20, 124, 12, 12));
    p.drawLine(22, 130, 26, 134);
    p.drawLine(26, 134, 31, 125);
    p.drawText(QRect(40, 120, 200, 20), Qt::AlignVCenter, "Mic Boost (+20 dB)");
    p.drawText(QRect(20, 160, 60, 20), Qt::AlignVCenter, "Show:");
    p.drawRect(QRect(70, 160, 150, 20));
    p.drawText(QRect(76, 160, 140, 20), Qt::AlignVCenter, "All Input Devices  \u25be");

    const QRect rings[] = {QRect(80, 84, 250, 32), QRect(62, 154, 166, 32),
                           QRect(12, 116, 180, 28)};
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 3));
    p.drawEllipse(rings[std::clamp(highlight - 3, 0, 2)]);
}

}  // namespace

QPixmap HelpPage::picture(int page) {
    QPixmap pixmap(420, 230);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawMixer(painter, page);
    return pixmap;
}

HelpPage::HelpPage(QWidget* parent, int page, Prompter& prompter)
    : QDialog(parent), page_(page), prompter_(prompter) {
    const PageText& t = kPages[std::clamp(page, 1, 5) - 1];
    setObjectName(t.name);
    setWindowTitle(t.caption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    if (*t.text) {
        auto* text = new QLabel(t.text, this);
        text->setWordWrap(true);
        layout->addWidget(text);
    }
    if (page >= 3) {
        auto* picture = new QLabel(this);
        picture->setObjectName("imgHelp");
        picture->setPixmap(HelpPage::picture(page));
        layout->addWidget(picture);
    }
    if (page == 1) {
        skipBox_ = new QCheckBox("Skip help screens", this);
        skipBox_->setObjectName("chkSkip");
        layout->addWidget(skipBox_);
    }
    if (page == 2) {
        auto* grid = new QGridLayout;
        const auto question = [&](int row, const char* text, const char* name,
                                  QRadioButton*(&pair)[2]) {
            grid->addWidget(new QLabel(text, this), row, 0);
            auto* group = new QButtonGroup(this);
            group->setObjectName(name);
            for (int i = 0; i < 2; ++i) {
                pair[i] = new QRadioButton(i == 0 ? "Yes" : "No", this);
                pair[i]->setObjectName(QString(name) + (i == 0 ? "Yes" : "No"));
                group->addButton(pair[i]);
                grid->addWidget(pair[i], row, i + 1);
            }
        };
        question(0, "Can you see an Advanced button?", "chkAdv", adv_);
        question(1, "Can you see the Microphone Volume control?", "chkMic", mic_);
        layout->addLayout(grid);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (page > 1) {
        auto* prev = new QPushButton("< &Prev", this);
        prev->setObjectName("cmdPrev");
        connect(prev, &QPushButton::clicked, this, [this] { finish("Prev"); });
        buttons->addWidget(prev);
    }
    auto* next = new QPushButton("&Next >", this);
    next->setObjectName("cmdNext");
    next->setDefault(true);
    connect(next, &QPushButton::clicked, this, [this] { finish("Next"); });
    buttons->addWidget(next);
    layout->addLayout(buttons);
}

void HelpPage::finish(const QString& button) {
    if (page_ == 2 && button == "Next" &&
        (!(adv_[0]->isChecked() || adv_[1]->isChecked()) ||
         !(mic_[0]->isChecked() || mic_[1]->isChecked()))) {
        prompter_.show(
            {kProductName, "Please select 'Yes' or 'No' options", Icon::Exclamation, Buttons::Ok});
        return;
    }
    result_.button = button;
    if (skipBox_) result_.skipHelp = skipBox_->isChecked();
    if (page_ == 2) {
        result_.advancedVisible = adv_[0]->isChecked();
        result_.microphoneVisible = mic_[0]->isChecked();
    }
    accept();
}

HelpPageResult HelpPage::run(QWidget* parent, int page, Prompter& prompter) {
    HelpPage dialog(parent, page, prompter);
    dialog.exec();
    return dialog.result();
}

}  // namespace parlaro
