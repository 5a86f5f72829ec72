// The widget as a Qt form uses it: its default size, its properties and methods through Qt's
// meta-object system, its repaints, and the control's events arriving as signals on the GUI
// thread while it records and plays on the virtual devices.
#include <gtest/gtest.h>

#include <QThread>
#include <cmath>
#include <string>
#include <vector>

#include "recorder/qt/AurxWidget.h"
#include "tests/recorder/qt/WidgetRig.h"

namespace aurxqt {
namespace {

using testsupport::pixel;
using testsupport::waitUntil;

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The signals a widget raised, in order, as text ("RecordingStopped 0"), with the thread each
// came on.
struct SignalLog {
    std::vector<std::string> events;
    std::vector<float> leftLevels;
    bool allOnGuiThread = true;

    explicit SignalLog(AurxWidget& w) {
        auto note = [this](std::string e) {
            allOnGuiThread = allOnGuiThread && QThread::currentThread() == qApp->thread();
            events.push_back(std::move(e));
        };
        QObject::connect(&w, &AurxWidget::RecordingStopped,
                         [note](short c) { note("RecordingStopped " + std::to_string(c)); });
        QObject::connect(&w, &AurxWidget::PlaybackStopped,
                         [note](short c) { note("PlaybackStopped " + std::to_string(c)); });
        QObject::connect(&w, &AurxWidget::NewVoxState,
                         [note](short v) { note("NewVoxState " + std::to_string(v)); });
        QObject::connect(&w, &AurxWidget::NewLevelValues,
                         [this, note](float l, short, float, short) {
                             leftLevels.push_back(l);
                             note("NewLevelValues");
                         });
    }
    bool has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
    std::size_t count(const std::string& e) const {
        return static_cast<std::size_t>(std::count(events.begin(), events.end(), e));
    }
};

TEST(AurxWidget, DefaultSizeIsTheControlsExtentAtTheScreenResolution) {
    testsupport::QtApp qt;
    AurxWidget w;
    const auto px = [](int himetric, int dpi) {
        return static_cast<int>(std::lround(himetric * dpi / 2540.0));
    };
    EXPECT_EQ(w.sizeHint(), QSize(px(5080, w.logicalDpiX()), px(1693, w.logicalDpiY())));
    if (w.logicalDpiX() == 96 && w.logicalDpiY() == 96) {
        EXPECT_EQ(w.sizeHint(), QSize(192, 64));
    }
    w.control().setExtent(2540, 1270);
    EXPECT_EQ(w.sizeHint(), QSize(w.logicalDpiX(), px(1270, w.logicalDpiY())));
}

TEST(AurxWidget, PropertiesAndMethodsReachTheControlThroughTheMetaObject) {
    testsupport::QtApp qt;
    AurxWidget w;
    EXPECT_EQ(w.property("NumSegments").toInt(), 8);
    EXPECT_EQ(w.property("BackColor").toUInt(), 0x8000000Fu);
    EXPECT_TRUE(w.setProperty("NumSegments", 12));
    EXPECT_EQ(w.control().get_NumSegments(), 12);
    EXPECT_TRUE(w.setProperty("VoxStartLevel", -30.5));
    EXPECT_FLOAT_EQ(w.control().get_VoxStartLevel(), -30.5f);

    // A refused value leaves the property as it was and says why.
    EXPECT_FALSE(w.setNumSegments(21));
    w.setProperty("Orientation", 4);
    EXPECT_EQ(w.control().get_NumSegments(), 12);
    EXPECT_EQ(w.control().get_Orientation(), 0);
    EXPECT_EQ(w.lastRefusal(), "AURX300 Orientation must be in the range 0 to 3");
    // Run-time state is read-only.
    EXPECT_FALSE(w.setProperty("Status", 3));

    short code = -1;
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "Reset", Q_RETURN_ARG(short, code)));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(w.property("Status").toInt(), 1);
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "StartRecording", Q_RETURN_ARG(short, code)));
    EXPECT_EQ(code, 7) << "no file open";
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "LastError", Q_RETURN_ARG(short, code)));
    EXPECT_EQ(code, 7);
    EXPECT_EQ(w.LastError(), 0) << "read and cleared";
    QVariantMap levels;
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "GetLevels", Q_RETURN_ARG(QVariantMap, levels)));
    EXPECT_EQ(levels.value("leftLevel").toFloat(), 0.0f);
    EXPECT_EQ(levels.size(), 4);

    const QByteArray gsm = QByteArray::fromHex("31000100401f0000590600004100000002004001");
    EXPECT_TRUE(w.setProperty("AcmFormat", gsm));
    EXPECT_EQ(w.property("AcmFormat").toByteArray(), gsm);
}

TEST(AurxWidget, RepaintsWhenTheControlAsksAndShowsItsMeter) {
    testsupport::QtApp qt;
    AurxWidget w;
    w.resize(192, 64);
    PaintCounter counter;
    w.installEventFilter(&counter);
    w.show();
    ASSERT_TRUE(waitUntil([&] { return counter.paints > 0; }));

    // A new control: both bars lit to the overload segment.
    QImage shown = w.grab().toImage();
    EXPECT_EQ(pixel(shown, 10, 13), kGreen);
    EXPECT_EQ(pixel(shown, 178, 49), kRed);

    // Each appearance change and the first Reset ask for a repaint.
    const auto repaintsAfter = [&](auto change) {
        const int before = counter.paints;
        change();
        return waitUntil([&] { return counter.paints > before; }, 2000);
    };
    EXPECT_TRUE(repaintsAfter([&] { w.setNumChannels(1); }));
    shown = w.grab().toImage();
    EXPECT_EQ(pixel(shown, 10, 50), kGreen) << "one bar over the whole height";
    EXPECT_TRUE(repaintsAfter([&] { w.setLowColor(0x00FF0000); }));
    EXPECT_EQ(pixel(w.grab().toImage(), 10, 13), QColor(0, 0, 255));
    EXPECT_TRUE(repaintsAfter([&] { w.Reset(); }));
    shown = w.grab().toImage();
    EXPECT_EQ(pixel(shown, 10, 13), w.palette().color(QPalette::Button));

    // The system background follows the widget's palette.
    QPalette p = w.palette();
    p.setColor(QPalette::Button, Qt::magenta);
    EXPECT_TRUE(repaintsAfter([&] { w.setPalette(p); }));
    EXPECT_EQ(pixel(w.grab().toImage(), 10, 13), QColor(Qt::magenta));
}

// 0.3 of full scale reads about -10.5 dB: the four low segments, not the -9 dB one.
std::vector<std::int16_t> tone(double seconds) {
    return testsupport::sine(440, 0.3, static_cast<std::size_t>(seconds * 8000), 8000);
}

void prepareMono(AurxWidget& w) {
    ASSERT_EQ(w.Reset(), 0);
    ASSERT_TRUE(w.setSampleRate(8000));
    ASSERT_TRUE(w.setNumChannels(1));
    ASSERT_TRUE(w.setBitsPerSample(16));
}

TEST(AurxWidget, EventsArriveAsSignalsOnTheGuiThreadWhileRecordingAndPlaying) {
    testsupport::QtApp qt;
    testsupport::TempDir dir;
    // Half a second of tone, then the line falls silent.
    AurxWidget w(testsupport::lineControl(dir, tone(0.5), false));
    SignalLog log(w);
    prepareMono(w);
    ASSERT_TRUE(w.setVoxChannel(1));
    ASSERT_TRUE(w.setVoxStartLevel(-30));
    ASSERT_TRUE(w.setVoxStopLevel(-40));
    ASSERT_TRUE(w.setVoxTime(2));
    ASSERT_EQ(w.OpenNewFile(QString::fromStdString(dir.file("call.wav"))), 0);
    ASSERT_EQ(w.StartRecording(), 0);

    // Nobody pumps but the widget's own notifier.
    ASSERT_TRUE(waitUntil([&] { return log.has("NewVoxState 1"); })) << log.events.size();
    ASSERT_FALSE(log.leftLevels.empty());
    w.Stop();
    ASSERT_TRUE(waitUntil([&] { return log.has("RecordingStopped 0"); }));
    ASSERT_TRUE(waitUntil([&] { return log.leftLevels.back() == -9999.0f; }));
    EXPECT_GT(w.NumSamples(), 0);

    ASSERT_TRUE(w.setCurrentSamplePosition(0));
    ASSERT_EQ(w.StartPlayback(), 0);
    ASSERT_TRUE(waitUntil([&] { return log.has("PlaybackStopped 0"); }));
    EXPECT_EQ(log.count("RecordingStopped 0"), 1u);
    EXPECT_EQ(log.count("NewVoxState 1"), 1u);
    EXPECT_TRUE(log.allOnGuiThread);
}

TEST(AurxWidget, ShowsTheLiveLevelAndDarkensWhenRecordingEnds) {
    testsupport::QtApp qt;
    testsupport::TempDir dir;
    AurxWidget w(testsupport::lineControl(dir, tone(1.0), true));
    w.resize(192, 64);
    w.show();
    SignalLog log(w);
    prepareMono(w);
    ASSERT_TRUE(w.setPaused(1));  // measure without writing, as call detection does
    ASSERT_EQ(w.OpenNewFile(QString::fromStdString(dir.file("probe.wav"))), 0);
    ASSERT_EQ(w.StartRecording(), 0);
    ASSERT_TRUE(waitUntil([&] { return log.count("NewLevelValues") >= 3; }));

    // One bar of 8 segments, each 21 long every 24: four low segments lit, -9 dB not.
    const QImage live = w.grab().toImage();
    const QColor face = w.palette().color(QPalette::Button);
    EXPECT_EQ(pixel(live, 3 * 24 + 10, 30), kGreen);
    EXPECT_EQ(pixel(live, 4 * 24 + 10, 30), face);
    EXPECT_EQ(pixel(live, 7 * 24 + 10, 30), face);

    w.Stop();
    ASSERT_TRUE(waitUntil([&] { return log.has("RecordingStopped 0"); }));
    ASSERT_TRUE(waitUntil([&] { return log.leftLevels.back() == -9999.0f; }));
    EXPECT_EQ(pixel(w.grab().toImage(), 10, 30), face);
}

TEST(AurxWidget, GoesAwayCleanlyInTheMiddleOfARecording) {
    testsupport::QtApp qt;
    testsupport::TempDir dir;
    auto w = std::make_unique<AurxWidget>(testsupport::lineControl(dir, tone(1.0), true));
    SignalLog log(*w);
    prepareMono(*w);
    ASSERT_EQ(w->OpenNewFile(QString::fromStdString(dir.file("call.wav"))), 0);
    ASSERT_EQ(w->StartRecording(), 0);
    ASSERT_TRUE(waitUntil([&] { return !log.events.empty(); }));
    w.reset();
    // Its last notifications are dropped with it; the file is closed and intact.
    QCoreApplication::processEvents();
    const std::string bytes = testsupport::readFile(dir.file("call.wav"));
    EXPECT_GT(testsupport::chunkData(bytes, "data").size(), 0u);
}

TEST(AurxWidget, AHostThatStopsWatchingRaisesTheWaitingEventsItself) {
    testsupport::QtApp qt;
    testsupport::TempDir dir;
    AurxWidget w(testsupport::lineControl(dir, tone(1.0), true));
    SignalLog log(w);
    prepareMono(w);
    ASSERT_TRUE(w.setPaused(1));
    ASSERT_EQ(w.OpenNewFile(QString::fromStdString(dir.file("probe.wav"))), 0);
    ASSERT_EQ(w.StartRecording(), 0);
    ASSERT_TRUE(waitUntil([&] { return log.count("NewLevelValues") >= 1; }));
    w.setWatchingEvents(false);
    const std::size_t before = log.count("NewLevelValues");
    // Events wait while nobody watches...
    EXPECT_FALSE(waitUntil([&] { return log.count("NewLevelValues") > before + 1; }, 400));
    // ...and are raised when the host asks, or when it watches again.
    w.raiseWaitingEvents();
    EXPECT_GT(log.count("NewLevelValues"), before + 1);
    w.setWatchingEvents(true);
    const std::size_t after = log.count("NewLevelValues");
    EXPECT_TRUE(waitUntil([&] { return log.count("NewLevelValues") > after; }));
    w.Stop();
}

}  // namespace
}  // namespace aurxqt
