// The format chooser dialog on its own and plugged into the control: what it lists, where it
// opens, what confirming and cancelling give back, and the control's choice afterwards.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "aurx/AURX300Ctrl.h"
#include "aurx/HexText.h"
#include "recorder/qt/FormatChooserDialog.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/recorder/qt/WidgetRig.h"

using aurx::AURX300Ctrl;
using aurxqt::FormatChooserDialog;
using Bytes = std::vector<std::uint8_t>;

namespace {

const auto& installed() {
    static const auto codecs = aurx::codecs::Manager::standard();
    return *codecs;
}

QStringList itemsOf(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList descriptionsOf(const std::vector<aurx::codecs::FormatBlock>& formats) {
    QStringList out;
    for (const auto& f : formats)
        out << QString::fromStdString(*installed().describe(f));
    return out;
}

Bytes padded(Bytes block, std::size_t size) {
    block.resize(size, 0);
    return block;
}

constexpr std::size_t kLargest = 30;  // an MPEG Layer-3 block

aurx::formats::ChooserRequest request(std::uint16_t tagFilter = 0, Bytes initial = {},
                                      std::size_t bufferSize = kLargest) {
    aurx::formats::ChooserRequest r;
    r.tagFilter = tagFilter;
    r.initial = std::move(initial);
    r.bufferSize = bufferSize;
    for (const auto tag : installed().tags()) {
        aurx::formats::FormatFamily family{tag, installed().tagName(tag), {}};
        for (const auto& block : installed().formats(tag))
            family.formats.push_back({block, installed().describe(block)});
        r.installed.push_back(std::move(family));
    }
    return r;
}

class FormatChooser : public ::testing::Test {
  protected:
    testsupport::QtApp qt;  // first in, last out

    QComboBox* tags() { return dialog->findChild<QComboBox*>("formatTag"); }
    QComboBox* formats() { return dialog->findChild<QComboBox*>("formatAttributes"); }
    void pick(std::uint16_t tag, int format) {
        tags()->setCurrentIndex(tags()->findData(static_cast<int>(tag)));
        formats()->setCurrentIndex(format);
    }
    // Runs `answer` once the dialog is up (it must accept or reject it); a dialog left open
    // is cancelled after a while, so a failed step cannot hang the run.
    void whenShown(std::function<void()> answer) {
        QTimer::singleShot(0, dialog.get(), std::move(answer));
        QTimer::singleShot(10000, dialog.get(), [d = dialog.get()] {
            ADD_FAILURE() << "the dialog was left open";
            d->reject();
        });
    }

    std::shared_ptr<FormatChooserDialog> dialog = std::make_shared<FormatChooserDialog>();
};

}  // namespace

TEST_F(FormatChooser, ListsEveryTagByNameAndThenTheFormatsOfTheChosenTag) {
    ASSERT_TRUE(dialog->prepare(request()));
    EXPECT_EQ(dialog->windowTitle(), FormatChooserDialog::defaultTitle());
    const auto tagList = installed().tags();
    ASSERT_EQ(tags()->count(), static_cast<int>(tagList.size()));
    for (std::size_t i = 0; i < tagList.size(); ++i) {
        const int index = static_cast<int>(i);
        EXPECT_EQ(tags()->itemText(index).toStdString(), *installed().tagName(tagList[i]));
        tags()->setCurrentIndex(index);
        EXPECT_EQ(itemsOf(formats()), descriptionsOf(installed().formats(tagList[i])))
            << tagList[i];
    }
    pick(aurx::codecs::kTagGsm610, 0);
    EXPECT_EQ(dialog->selection(),
              padded(installed().formats(aurx::codecs::kTagGsm610)[0], kLargest));
}

TEST_F(FormatChooser, OffersOnlyTheFilteredTagAndWhatFitsTheBuffer) {
    auto gsmOnly = request(aurx::codecs::kTagGsm610);
    gsmOnly.title = "Pick a GSM format";
    ASSERT_TRUE(dialog->prepare(gsmOnly));
    EXPECT_EQ(dialog->windowTitle(), "Pick a GSM format");
    EXPECT_EQ(itemsOf(tags()),
              QStringList{QString::fromStdString(*installed().tagName(aurx::codecs::kTagGsm610))});
    EXPECT_EQ(itemsOf(formats()), descriptionsOf(installed().formats(aurx::codecs::kTagGsm610)));

    ASSERT_TRUE(dialog->prepare(request(0, {}, 20)));
    EXPECT_EQ(tags()->findData(static_cast<int>(aurx::codecs::kTagMpegLayer3)), -1)
        << "a 30-byte format would not fit a 20-byte buffer";

    // No codec for the tag: nothing to choose, and choosing fails without showing anything.
    EXPECT_FALSE(dialog->prepare(request(2)));
    EXPECT_EQ(dialog->choose(request(2)), std::nullopt);
}

TEST_F(FormatChooser, OpensOnTheInitialFormat) {
    const auto mp3 = installed().formats(aurx::codecs::kTagMpegLayer3);
    ASSERT_GT(mp3.size(), 10u);
    ASSERT_TRUE(dialog->prepare(request(0, padded(mp3[10], kLargest))));
    EXPECT_EQ(tags()->currentData().toInt(), aurx::codecs::kTagMpegLayer3);
    EXPECT_EQ(formats()->currentIndex(), 10);

    // A block kept as text, shorter than the buffer, still finds its format.
    const auto gsm = *aurx::formats::fromHex("31000100401f0000590600004100000002004001");
    ASSERT_TRUE(dialog->prepare(request(0, gsm)));
    EXPECT_EQ(dialog->selection(), padded(gsm, kLargest));

    // A tag the filter leaves out, or that no codec knows: the chooser's own start.
    for (const auto tag : {std::uint16_t{aurx::codecs::kTagMpegLayer3}, std::uint16_t{0x1234}}) {
        auto initial = padded(mp3[10], kLargest);
        aurx::codecs::writeLe16(initial, 0, tag);
        ASSERT_TRUE(
            dialog->prepare(request(tag == 0x1234 ? 0 : aurx::codecs::kTagGsm610, initial)));
        EXPECT_EQ(tags()->currentIndex(), 0) << tag;
        EXPECT_EQ(formats()->currentIndex(), 0) << tag;
    }
}

TEST_F(FormatChooser, ConfirmingGivesThePaddedBlockAndCancellingNothing) {
    const auto gsm = installed().formats(aurx::codecs::kTagGsm610);
    QWidget owner;
    owner.winId();
    whenShown([&] {
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowHandle()->transientParent(), owner.windowHandle())
            << "it stays in front of the window the host named";
        pick(aurx::codecs::kTagGsm610, 0);
        dialog->accept();
    });
    auto owned = request();
    owned.owner = static_cast<std::int32_t>(owner.winId());
    EXPECT_EQ(dialog->choose(owned), padded(gsm[0], kLargest));

    whenShown([&] {
        pick(aurx::codecs::kTagGsm610, 0);
        dialog->reject();
    });
    EXPECT_EQ(dialog->choose(request()), std::nullopt);
}

TEST_F(FormatChooser, TheControlStoresAConfirmedMpegFormatAndKeepsItsFormatOnCancel) {
    AURX300Ctrl control(testsupport::environmentWith(std::make_shared<testsupport::FakeDevices>()));
    control.setFormatChooser(dialog);
    ASSERT_TRUE(control.put_AcmFormat("31000100401f0000590600004100000002004001"));
    const auto gsmStored = control.get_AcmFormat();

    whenShown([&] { dialog->reject(); });
    EXPECT_EQ(control.ChooseAcmFormat(0, ""), 15);
    EXPECT_EQ(control.get_AcmFormat(), gsmStored);
    EXPECT_EQ(control.get_LastError(), 15);

    QString shown;
    whenShown([&] {
        EXPECT_EQ(dialog->windowTitle(), "Pick an MP3 format");
        EXPECT_EQ(tags()->count(), 1);
        pick(aurx::codecs::kTagMpegLayer3, 3);
        shown = formats()->currentText();
        dialog->accept();
    });
    ASSERT_EQ(
        control.ChooseSpecificAcmFormat(0, "Pick an MP3 format", aurx::codecs::kTagMpegLayer3), 0);
    const auto chosen = control.get_AcmFormat();
    const auto* stored = chosen.bytes();
    ASSERT_NE(stored, nullptr);
    ASSERT_EQ(stored->data.size(), kLargest);
    EXPECT_EQ(aurx::codecs::readLe16(stored->data, 0), aurx::codecs::kTagMpegLayer3);
    EXPECT_EQ(aurx::codecs::readLe16(stored->data, 16), 12) << "extra size";
    std::string description;
    std::int16_t code = -1;
    ASSERT_TRUE(control.GetAcmFormatAsString(&description, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(
        QString::fromStdString(description),
        QString::fromStdString(*installed().tagName(aurx::codecs::kTagMpegLayer3)) + ": " + shown);

    // The next choice opens on it; cancelling keeps it.
    whenShown([&] {
        EXPECT_EQ(tags()->currentData().toInt(), aurx::codecs::kTagMpegLayer3);
        EXPECT_EQ(formats()->currentText(), shown);
        dialog->reject();
    });
    EXPECT_EQ(control.ChooseAcmFormat(0, ""), 15);
    EXPECT_EQ(control.get_AcmFormat().bytes()->data, stored->data);
}
