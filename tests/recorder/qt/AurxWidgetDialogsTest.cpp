// The widget gives its control the Qt format chooser and shows the property page.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include "recorder/qt/AurxWidget.h"
#include "recorder/qt/FormatChooserDialog.h"
#include "recorder/qt/PropertyPage.h"
#include "tests/recorder/qt/WidgetRig.h"

using namespace testsupport;

namespace {

// Runs `act` on the first modal dialog that opens, from inside its own event loop.
template <class Dialog>
void whenOpen(std::function<void(Dialog&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*d);
        }
    });
    timer->start();
}

}  // namespace

TEST(AurxWidgetDialogs, ChoosingAFormatUsesTheQtChooser) {
    QtApp app;
    aurxqt::AurxWidget widget;
    whenOpen<aurxqt::FormatChooserDialog>([](aurxqt::FormatChooserDialog& d) { d.reject(); });
    EXPECT_EQ(widget.control().ChooseAcmFormat(0, "Format"), 15);
    whenOpen<aurxqt::FormatChooserDialog>([](aurxqt::FormatChooserDialog& d) { d.accept(); });
    EXPECT_EQ(widget.control().ChooseSpecificAcmFormat(0, "GSM", 49), 0);
    std::string text;
    std::int16_t code = -1;
    ASSERT_TRUE(widget.control().GetAcmFormatAsString(&text, &code));
    EXPECT_EQ(text.rfind("GSM 6.10: ", 0), 0u) << text;
}

TEST(AurxWidgetDialogs, ThePropertyPageEditsThisControl) {
    QtApp app;
    aurxqt::AurxWidget widget;
    whenOpen<aurxqt::AURX300CtrlProp>([](aurxqt::AURX300CtrlProp& page) {
        page.field("NumSegments:")->setText("12");
        EXPECT_TRUE(page.apply());
        page.accept();
    });
    EXPECT_TRUE(widget.ShowPropertyPage());
    EXPECT_EQ(widget.control().get_NumSegments(), 12);
}
