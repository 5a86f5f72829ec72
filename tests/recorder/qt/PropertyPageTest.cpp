// The property page AURX300CtrlProp, typed into as a person would: what it shows, when it can
// be applied, the order in which it writes, and the box at the first refused value.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "aurx/AURX300Ctrl.h"
#include "recorder/qt/PropertyPage.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/recorder/qt/WidgetRig.h"
#include "tests/support/TempDir.h"

using aurx::AURX300Ctrl;
using aurx::Variant;
using aurxqt::AURX300CtrlProp;

namespace {

struct RecordingSink : aurxqt::MessageSink {
    std::vector<aurxqt::BoxMessage> shown;
    void show(const aurxqt::BoxMessage& m) override { shown.push_back(m); }
};

std::unique_ptr<AURX300Ctrl> newControl() {
    return std::make_unique<AURX300Ctrl>(
        testsupport::environmentWith(std::make_shared<testsupport::FakeDevices>()));
}

// The labels in the order the page applies them.
const QStringList kApplyOrder = {"NumSegments:",     "Orientation:",          "Style:",
                                 "SampleRate:",      "BitsPerSample/Format:", "NumChannels:",
                                 "RecordTimeLimit:", "PreToneDuration:",      "PostToneDuration:"};

std::vector<Variant> pageProperties(const AURX300Ctrl& c) {
    return {c.get_NumSegments(),     c.get_Orientation(),     c.get_Style(),
            c.get_SampleRate(),      c.get_BitsPerSample(),   c.get_NumChannels(),
            c.get_RecordTimeLimit(), c.get_PreToneDuration(), c.get_PostToneDuration()};
}

// New values for every field, none of them a default, and what the control then holds.
const QStringList kNewTexts = {"12", "3", "1", "8000", "8", "1", "2.5", "0.25", "1.75"};
const std::vector<Variant> kNewValues = {std::int16_t{12},
                                         std::int16_t{3},
                                         std::int16_t{1},
                                         std::int32_t{8000},
                                         std::int16_t{8},
                                         std::int16_t{1},
                                         2.5,
                                         0.25f,
                                         1.75f};

// Replaces a field's text key by key, as typing does.
void type(QLineEdit* edit, const QString& text) {
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &erase);
    for (const QChar ch : text) {
        QKeyEvent key(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &key);
    }
}

class PropertyPage : public ::testing::Test {
  protected:
    testsupport::QtApp qt;  // first in, last out

    void typeAll(const QStringList& texts) {
        for (qsizetype i = 0; i < kApplyOrder.size(); ++i)
            type(page.field(kApplyOrder[i]), texts[i]);
    }
    QPushButton* button(QDialogButtonBox::StandardButton which) {
        return page.findChild<QDialogButtonBox*>()->button(which);
    }

    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    AURX300CtrlProp page{sink};
};

}  // namespace

TEST_F(PropertyPage, ShowsTheFirstSelectedControlInTwoColumns) {
    auto first = newControl();
    ASSERT_TRUE(first->put_NumSegments(12) && first->put_Orientation(2) && first->put_Style(1) &&
                first->put_SampleRate(22050) && first->put_BitsPerSample(107) &&
                first->put_NumChannels(1) && first->put_RecordTimeLimit(90.5) &&
                first->put_PreToneDuration(0.25f) && first->put_PostToneDuration(1.0f / 3));
    auto second = newControl();
    page.setObjects({first.get(), second.get()});
    page.show();

    const QStringList expected = {"12", "2", "1", "22050", "107", "1", "90.500", "0.250", "0.333"};
    for (qsizetype i = 0; i < kApplyOrder.size(); ++i)
        EXPECT_EQ(page.field(kApplyOrder[i])->text(), expected[i]) << kApplyOrder[i].toStdString();
    EXPECT_FALSE(page.isChanged());
    EXPECT_FALSE(button(QDialogButtonBox::Apply)->isEnabled());

    // Each column reads top to bottom in this order, and each label names its field.
    const std::vector<QStringList> columns = {
        {"NumSegments:", "Orientation:", "Style:", "PreToneDuration:", "PostToneDuration:"},
        {"SampleRate:", "NumChannels:", "BitsPerSample/Format:", "RecordTimeLimit:"}};
    std::vector<int> columnX;
    for (const auto& column : columns) {
        int lastY = -1;
        for (const auto& text : column) {
            const QLabel* label = nullptr;
            for (const auto* l : page.findChildren<QLabel*>())
                if (l->text() == text) label = l;
            ASSERT_NE(label, nullptr) << text.toStdString();
            EXPECT_EQ(label->buddy(), page.field(text)) << text.toStdString();
            if (lastY < 0) columnX.push_back(label->x());
            EXPECT_EQ(label->x(), columnX.back()) << text.toStdString();
            EXPECT_GT(label->y(), lastY) << text.toStdString();
            lastY = label->y();
        }
    }
    EXPECT_LT(columnX[0], columnX[1]);
}

TEST_F(PropertyPage, TypingInAnyFieldLetsThePageBeApplied) {
    auto c = newControl();
    page.setObjects({c.get()});
    for (const auto& label : kApplyOrder) {
        page.activate();
        ASSERT_FALSE(button(QDialogButtonBox::Apply)->isEnabled());
        type(page.field(label), "1");
        EXPECT_TRUE(page.isChanged()) << label.toStdString();
        EXPECT_TRUE(button(QDialogButtonBox::Apply)->isEnabled()) << label.toStdString();
    }
    // The whole-number fields take signs and digits only.
    page.activate();
    type(page.field("NumSegments:"), "x9y");
    EXPECT_EQ(page.field("NumSegments:")->text(), "9");
}

TEST_F(PropertyPage, AppliesInOrderAndStopsAtTheFirstRefusal) {
    struct Case {
        QString label;
        QString text;
        std::string message;
        std::size_t written;  // values taken before the refusal
    };
    const std::string rates =
        "AURX300 SampleRate must be one of 192000, 96000, 88200, 64000, 48000, 44100, 32000, "
        "22050, 16000, 11025, 8000, 6000";
    const std::vector<Case> cases = {
        {"NumSegments:", "25", "AURX300 NumSegments must be in the range 1 to 20", 0},
        {"NumSegments:", "65537", "AURX300 NumSegments must be in the range 1 to 20", 0},
        {"Orientation:", "-1", "AURX300 Orientation must be in the range 0 to 3", 1},
        {"Style:", "2", "AURX300 Style must be 0 or 1", 2},
        {"SampleRate:", "7000", rates, 3},
        {"SampleRate:", "4294975296", rates, 3},  // 8000 once it wrapped round
        {"BitsPerSample/Format:", "12", "AURX300 BitsPerSample must 8, 16 or a special format code",
         4},
        {"NumChannels:", "3", "AURX300 NumChannels must be 1 or 2", 5},
        {"RecordTimeLimit:", "", "AURX300 RecordTimeLimit must be zero or positive", 6},
        {"PreToneDuration:", "soon", "AURX300 PreToneDuration must be non-negative", 7},
        {"PreToneDuration:", "1e39", "AURX300 PreToneDuration must be non-negative", 7},
        {"PostToneDuration:", "", "AURX300 PostToneDuration must be non-negative", 8},
    };
    for (const auto& [label, text, message, written] : cases) {
        const std::string name = label.toStdString() + " " + text.toStdString();
        auto c = newControl();
        const auto before = pageProperties(*c);
        sink->shown.clear();
        page.setObjects({c.get()});
        typeAll(kNewTexts);
        type(page.field(label), text);

        EXPECT_FALSE(page.apply()) << name;
        ASSERT_EQ(sink->shown.size(), 1u) << name;
        EXPECT_EQ(sink->shown[0].title, "Error") << name;
        EXPECT_EQ(sink->shown[0].text.toStdString(), message) << name;
        EXPECT_EQ(sink->shown[0].icon, aurxqt::MessageIcon::Warning) << name;
        const auto after = pageProperties(*c);
        for (std::size_t i = 0; i < after.size(); ++i)
            EXPECT_EQ(after[i], i < written ? kNewValues[i] : before[i]) << name << ", " << i;
        EXPECT_TRUE(button(QDialogButtonBox::Apply)->isEnabled()) << name;
    }
}

TEST_F(PropertyPage, WritesEverySelectedControl) {
    testsupport::TempDir dir;
    auto first = newControl();
    auto second = newControl();
    page.setObjects({first.get(), second.get()});
    typeAll(kNewTexts);
    ASSERT_TRUE(page.apply());
    EXPECT_TRUE(sink->shown.empty());
    for (const auto* c : {first.get(), second.get()}) {
        EXPECT_EQ(pageProperties(*c), kNewValues);
        EXPECT_EQ(c->get_RecordLimit(), 20000) << "the limit follows the rate written before it";
    }
    EXPECT_FALSE(button(QDialogButtonBox::Apply)->isEnabled());

    // The second control has a file open: the first takes everything, the second stops at the
    // rate.
    ASSERT_EQ(second->OpenNewFile(dir.file("open.wav")), 0);
    type(page.field("NumSegments:"), "5");
    EXPECT_FALSE(page.apply());
    ASSERT_EQ(sink->shown.size(), 1u);
    EXPECT_EQ(sink->shown[0].text, "AURX300 cannot change SampleRate whilst a file is open");
    EXPECT_EQ(first->get_NumSegments(), 5);
    EXPECT_EQ(second->get_NumSegments(), 5);
}

TEST_F(PropertyPage, OkAppliesAndClosesCancelLeavesTheControlAlone) {
    auto c = newControl();
    page.setObjects({c.get()});
    page.show();
    type(page.field("Style:"), "1");
    button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(page.result(), QDialog::Rejected);
    EXPECT_EQ(c->get_Style(), 0);

    page.setObjects({c.get()});
    page.show();
    type(page.field("Style:"), "2");
    button(QDialogButtonBox::Ok)->click();
    EXPECT_TRUE(page.isVisible()) << "a refused value keeps the page open";
    EXPECT_EQ(sink->shown.size(), 1u);

    type(page.field("Style:"), "1");
    button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(page.isVisible());
    EXPECT_EQ(page.result(), QDialog::Accepted);
    EXPECT_EQ(c->get_Style(), 1);
}
