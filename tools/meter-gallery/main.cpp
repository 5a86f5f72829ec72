// meter-gallery OUTPUT.png: a page of AurxWidgets, each listening to a steady tone on its own
// virtual line, showing the level meter at a few levels, in the four orientations and in
// both styles; the page is grabbed into OUTPUT.png.
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <cstdio>
#include <memory>
#include <vector>

#include "aurx/SoundLibraries.h"
#include "tools/meter-gallery/LiveMeter.h"
#include "tools/meter-gallery/ToneFile.h"

namespace {

enum class State { AsCreated, AfterReset, Listening };

struct Look {
    short orientation = 0;
    short style = 0;
    short segments = 8;
    short channels = 2;
    bool ownColors = false;  // black, cyan, magenta and white instead of the defaults
};

struct Entry {
    const char* caption;
    Look look;
    State state = State::Listening;
    double left = 0;  // amplitude of the tone, a fraction of full scale
    double right = 0;
};

struct Row {
    const char* title;
    std::vector<Entry> entries;
};

// Amplitudes and what they read: 0.03 -30 dB, 0.1 -20 dB, 0.2 -14 dB, 0.4 -8 dB,
// 0.6 -4.4 dB, 0.8 -1.9 dB, 1.0 full scale (overload).
const Row kRows[] = {
    {"Levels (orientation 0, two channels, 8 segments)",
     {
         {"New control, before Reset", {}, State::AsCreated},
         {"Silence after Reset", {}, State::AfterReset},
         {"Left -20 dB, right -8 dB", {}, State::Listening, 0.1, 0.4},
         {"Left -2 dB, right overload", {}, State::Listening, 0.8, 1.0},
     }},
    {"Orientations 0 to 3 (left -2 dB, right -14 dB)",
     {
         {"0: left on top, growing right", {0}, State::Listening, 0.8, 0.2},
         {"1: left on the left, growing up", {1}, State::Listening, 0.8, 0.2},
         {"2: left at the bottom, growing left", {2}, State::Listening, 0.8, 0.2},
         {"3: left on the right, growing down", {3}, State::Listening, 0.8, 0.2},
     }},
    {"Styles, segment counts and colours",
     {
         {"Style 1 (ellipses), -8 / -2 dB", {0, 1}, State::Listening, 0.4, 0.8},
         {"20 segments, one channel, -30 dB", {0, 0, 20, 1}, State::Listening, 0.03},
         {"3 segments, one channel, -4.4 dB", {0, 0, 3, 1}, State::Listening, 0.6},
         {"Own colours, 12 ellipses, overload", {0, 1, 12, 2, true}, State::Listening, 1.0, 1.0},
     }},
};

QSize meterSize(const Look& look) {
    const bool vertical = look.orientation == 1 || look.orientation == 3;
    return vertical ? QSize(64, 192) : QSize(192, 64);
}

void applyLook(aurxqt::AurxWidget& w, const Look& look) {
    w.setOrientation(look.orientation);
    w.setStyle(look.style);
    w.setNumSegments(look.segments);
    w.setNumChannels(look.channels);
    if (look.ownColors) {
        w.setBackColor(0x00000000);
        w.setLowColor(0x00FFFF00);
        w.setMidColor(0x00FF00FF);
        w.setHighColor(0x00FFFFFF);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // What the sound libraries print, and what PortAudio is shown, are the program's to set.
    aurx::prepareSoundLibraries();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: meter-gallery OUTPUT.png\n");
        return 2;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "meter-gallery: no temporary folder\n");
        return 1;
    }

    QWidget page;
    auto* pageLayout = new QVBoxLayout(&page);
    auto* heading = new QLabel("Parlaro: the recorder control's level meter (AurxWidget)", &page);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    pageLayout->addWidget(heading);

    std::vector<std::unique_ptr<gallery::LiveMeter>> meters;
    int tone = 0;
    for (const Row& row : kRows) {
        auto* box = new QGroupBox(row.title, &page);
        auto* rowLayout = new QHBoxLayout(box);
        for (const Entry& e : row.entries) {
            auto* cell = new QVBoxLayout;
            QString line;
            if (e.state == State::Listening) {
                line = scratch.filePath(QString("tone%1.wav").arg(tone++));
                if (!gallery::writeToneFile(line.toStdString(), e.left, e.right, e.look.channels)) {
                    std::fprintf(stderr, "meter-gallery: cannot write %s\n", qPrintable(line));
                    return 1;
                }
            }
            auto meter = std::make_unique<gallery::LiveMeter>(box, line);
            aurxqt::AurxWidget& w = meter->widget();
            w.setFixedSize(meterSize(e.look));
            applyLook(w, e.look);
            if (e.state == State::AfterReset) w.Reset();
            if (e.state == State::Listening && !meter->listen(e.look.channels)) {
                std::fprintf(stderr, "meter-gallery: the control did not start listening\n");
                return 1;
            }
            cell->addWidget(new QLabel(e.caption, box));
            cell->addWidget(&w, 0, Qt::AlignLeft | Qt::AlignTop);
            cell->addStretch();
            rowLayout->addLayout(cell);
            meters.push_back(std::move(meter));
        }
        pageLayout->addWidget(box);
    }

    page.show();
    QApplication::processEvents();
    if (!page.grab().save(args[1], "PNG")) {
        std::fprintf(stderr, "meter-gallery: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
