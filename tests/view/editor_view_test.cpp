// The editor rules through real widgets: typing goes through the key
// filters, leaving a field by Tab runs its exit rule, and the rules' changes
// show in the widgets.
#include "support/form_fixture.h"
#include "view/main_window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace ccp::view {
namespace {

class EditorView : public ::testing::Test {
protected:
    EditorView() : form(rig.start()), window(form) {
        window.show();
        window.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&window);
    }
    template <class W>
    W* widget(const char* name) {
        return window.findChild<W*>(name);
    }
    void showPage(int index) { widget<QTabWidget>("PageControl1")->setCurrentIndex(index); }
    // Tab away and let the queued exit rule run.
    void leaveByTab(QWidget* w) {
        QTest::keyClick(w, Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    const std::vector<std::string>& log() const { return form.Memo1.lines(); }

    testing::FormRig rig;
    app::TForm1& form;
    MainWindow window;
};

TEST_F(EditorView, ToneDigitsAreUpperCasedAndPaddedOnLeaving) {
    auto* tone = widget<QLineEdit>("tonepatternA");
    tone->setFocus(Qt::OtherFocusReason);
    tone->selectAll();
    QTest::keyClick(tone, Qt::Key_Delete);
    QTest::keyClicks(tone, "a");
    EXPECT_EQ(tone->text(), "A");
    const std::size_t lines = log().size();
    QTest::keyClicks(tone, "G");
    EXPECT_EQ(tone->text(), "A") << "the rejected key does not reach the field";
    ASSERT_EQ(log().size(), lines + 1);
    EXPECT_EQ(log().back(), "0-9, A-F and backspace key only");
    leaveByTab(tone);
    EXPECT_EQ(tone->text(), "A000");
    EXPECT_EQ(form.tonepatternA.text(), "A000");
}

TEST_F(EditorView, AShortCapcodeIsPaddedAndReportedTwiceOnLeaving) {
    showPage(0);
    auto* address = widget<QLineEdit>("address1");
    address->setFocus(Qt::OtherFocusReason);
    address->selectAll();
    QTest::keyClick(address, Qt::Key_Delete);
    EXPECT_EQ(widget<QLineEdit>("frame1")->text(), " ");
    QTest::keyClicks(address, "2");
    const int beeps = rig.ui.beeps;
    leaveByTab(address);
    EXPECT_EQ(address->text(), "0000002");
    const std::string message =
        "Address [1] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
    ASSERT_GE(log().size(), 2u);
    EXPECT_EQ(log()[log().size() - 1], message);
    EXPECT_EQ(log()[log().size() - 2], message);
    EXPECT_EQ(rig.ui.beeps, beeps + 2);
    EXPECT_EQ(rig.ui.focused.back(), "address1") << "the focus goes back to the capcode";
}

TEST_F(EditorView, UntickingFolder1GreysFolders2To8) {
    showPage(0);
    auto* box = widget<QCheckBox>("pubboxact0");
    ASSERT_TRUE(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_FALSE(form.pubboxact[0].checked());
    EXPECT_FALSE(widget<QLineEdit>("pubbox0")->isEnabled());
    for (const char* name : {"pubboxact1", "pubboxact7"}) {
        EXPECT_FALSE(widget<QCheckBox>(name)->isEnabled()) << name;
        EXPECT_FALSE(widget<QCheckBox>(name)->isChecked()) << name;
    }
    EXPECT_FALSE(widget<QLineEdit>("pubboxlength7")->isEnabled());
    EXPECT_TRUE(widget<QCheckBox>("pubboxact8")->isEnabled()) << "the second chain stays";
    EXPECT_TRUE(widget<QCheckBox>("pubboxact8")->isChecked());
}

TEST_F(EditorView, APastedNonNumberShowsTheConversionErrorAndTheWindowCarriesOn) {
    auto* hold = widget<QLineEdit>("lcdholdtime");
    hold->setText("1x"); // a paste bypasses the key filter
    emit hold->textEdited("1x");
    EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"'1x' is not a valid integer value"});
    hold->setFocus(Qt::OtherFocusReason);
    hold->selectAll();
    QTest::keyClicks(hold, "7");
    EXPECT_EQ(form.lcdholdtime.text(), "7");
    EXPECT_EQ(rig.ui.errors.size(), 1u);
}

} // namespace
} // namespace ccp::view
