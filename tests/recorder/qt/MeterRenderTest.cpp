// The meter drawn off screen and saved as PNG: the pixels land where the geometry puts them,
// in the colours the control holds, with system colours taken from the palette.
#include <gtest/gtest.h>

#include <QFile>

#include "aurx/AURX300Ctrl.h"
#include "recorder/qt/MeterRender.h"
#include "tests/recorder/qt/WidgetRig.h"

namespace aurxqt {
namespace {

using testsupport::pixel;

const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

QPalette buttonsIn(QColor face) {
    QPalette p;
    p.setColor(QPalette::Active, QPalette::Button, face);
    return p;
}

// 192 x 64, 8 segments, two bars: segments 21 long every 24 pixels, bars 28 thick, the lower
// one from y = 36.
TEST(MeterRender, NewControlLightsBothBarsAndResetDarkensThem) {
    aurx::AURX300Ctrl control;
    const QColor face(10, 20, 30);
    const QImage lit = renderMeter(control, QSize(192, 64), buttonsIn(face));
    ASSERT_EQ(lit.size(), QSize(192, 64));
    const struct {
        int x, y;
        QColor color;
    } points[] = {
        {10, 13, kGreen}, {82, 13, kGreen}, {106, 13, kYellow}, {154, 13, kYellow},
        {178, 13, kRed},  {10, 49, kGreen}, {178, 49, kRed},    {0, 0, kGreen},
        {19, 26, kGreen}, {20, 13, face},  // the cell's last column stays background
        {22, 13, face},                    // the gap
        {10, 27, face},                    // the cell's last row
        {10, 31, face},                    // between the bars
        {190, 13, face},                   // after the overload segment
    };
    for (const auto& p : points) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(pixel(lit, p.x, p.y), p.color);
    }
    ASSERT_EQ(control.Reset(), 0);
    const QImage dark = renderMeter(control, QSize(192, 64), buttonsIn(face));
    for (const auto& p : points)
        EXPECT_EQ(pixel(dark, p.x, p.y), face) << p.x << "," << p.y;
}

TEST(MeterRender, EllipsesStayInsideTheirCells) {
    aurx::AURX300Ctrl control;
    ASSERT_TRUE(control.put_Style(1).ok());
    ASSERT_TRUE(control.put_BackColor(0x00000000).ok());
    const QImage image = renderMeter(control, QSize(192, 64), QPalette());
    EXPECT_EQ(pixel(image, 10, 13), kGreen);   // centre of the first cell
    EXPECT_EQ(pixel(image, 0, 0), Qt::black);  // its corners belong to the background
    EXPECT_EQ(pixel(image, 19, 26), Qt::black);
    // Nothing beyond the cell's 20 x 27 pixels.
    for (int y = 0; y < 64; ++y)
        for (const int x : {20, 21, 22, 23})
            ASSERT_EQ(pixel(image, x, y), Qt::black) << x << "," << y;
    for (int x = 0; x < 192; ++x)
        for (const int y : {27, 30, 35})
            ASSERT_EQ(pixel(image, x, y), Qt::black) << x << "," << y;
}

TEST(MeterRender, SystemBackColourFollowsThePaletteAndAPlainOneDoesNot) {
    aurx::AURX300Ctrl control;
    ASSERT_EQ(control.Reset(), 0);
    ASSERT_EQ(control.get_BackColor(), 0x8000000Fu);
    for (const QColor face : {QColor(Qt::magenta), QColor(200, 190, 180)}) {
        const QImage image = renderMeter(control, QSize(40, 20), buttonsIn(face));
        EXPECT_EQ(pixel(image, 0, 0), face);
        EXPECT_EQ(pixel(image, 39, 19), face);
    }
    ASSERT_TRUE(control.put_BackColor(0x00102030).ok());
    EXPECT_EQ(pixel(renderMeter(control, QSize(40, 20), buttonsIn(Qt::magenta)), 5, 5),
              QColor(0x30, 0x20, 0x10));
}

TEST(MeterRender, PngHasTheAskedSizeAndTheWidgetsPixels) {
    testsupport::QtApp qt;
    testsupport::TempDir dir;
    aurx::AURX300Ctrl control;
    ASSERT_TRUE(control.put_Orientation(1).ok());
    ASSERT_TRUE(control.put_NumSegments(4).ok());
    const QString path = QString::fromStdString(dir.file("meter.png"));
    ASSERT_TRUE(renderMeterPng(control, 90, 300, path));

    const QImage saved(path, "PNG");
    ASSERT_EQ(saved.size(), QSize(90, 300));
    const QImage expected = renderMeter(control, QSize(90, 300), QGuiApplication::palette());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), expected);
    // Orientation 1: bars 40 wide at the left and right edges, growing upwards from the
    // bottom in segments of 67 every 77 pixels.
    EXPECT_EQ(pixel(saved, 5, 295), kYellow);
    EXPECT_EQ(pixel(saved, 85, 295), kYellow);
    EXPECT_EQ(pixel(saved, 5, 5), kRed);
    EXPECT_EQ(pixel(saved, 45, 150), QGuiApplication::palette().color(QPalette::Button));
}

TEST(MeterRender, PngNeedsNoApplicationObject) {
    // A command-line host may draw without ever starting Qt's GUI.
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    testsupport::TempDir dir;
    aurx::AURX300Ctrl control;
    const QString path = QString::fromStdString(dir.file("meter.png"));
    ASSERT_TRUE(renderMeterPng(control, 192, 64, path));
    const QImage saved(path, "PNG");
    ASSERT_EQ(saved.size(), QSize(192, 64));
    EXPECT_EQ(pixel(saved, 10, 13), kGreen);
    EXPECT_EQ(pixel(saved, 178, 49), kRed);
}

TEST(MeterRender, PngRefusesAnEmptySizeOrAnUnwritablePath) {
    testsupport::TempDir dir;
    aurx::AURX300Ctrl control;
    const QString path = QString::fromStdString(dir.file("meter.png"));
    for (const auto& [w, h] : {std::pair{0, 10}, {10, 0}, {-3, 10}}) {
        EXPECT_FALSE(renderMeterPng(control, w, h, path)) << w << "x" << h;
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_FALSE(renderMeterPng(control, 10, 10, QString::fromStdString(dir.file("no/such.png"))));
}

}  // namespace
}  // namespace aurxqt
