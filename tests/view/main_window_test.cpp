#include "form/conversion.h"
#include "support/form_fixture.h"
#include "view/main_window.h"
#include "view/qt_user_interface.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace ccp::view {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : form(rig.start()), window(form) {
        window.show();
        window.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&window);
    }
    template <class W> W* widget(const char* name) { return window.findChild<W*>(name); }

    testing::FormRig rig;
    app::TForm1& form;
    MainWindow window;
};

TEST_F(MainWindowTest, EveryControlHasAnObjectOfItsNameAndEveryNamedWidgetAControl) {
    for (form::Control* control : form.controls()) {
        QObject* object = window.objectFor(*control);
        ASSERT_NE(object, nullptr) << control->name();
        EXPECT_EQ(object->objectName().toStdString(), control->name());
    }
    std::set<std::string> named;
    for (QObject* object : window.findChildren<QObject*>()) {
        const std::string name = object->objectName().toStdString();
        if (name.empty() || name.rfind("qt_", 0) == 0)
            continue;
        if (!object->isWidgetType() && qobject_cast<QAction*>(object) == nullptr)
            continue;
        if (qobject_cast<QTabBar*>(object->parent()) != nullptr)
            continue; // the tab bar's own scroll buttons
        EXPECT_NE(form.find(name), nullptr)
            << "widget without a control: " << name << " " << object->metaObject()->className();
        named.insert(name);
    }
    EXPECT_GE(named.size(), form.controls().size() - 1); // all but the main window itself
}

TEST_F(MainWindowTest, WindowShapeTabsAndMenuBar) {
    EXPECT_EQ(window.windowTitle(), "A31/A35/A36/A37 Capcode Programmer-Customer version");
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    auto* tabs = widget<QTabWidget>("PageControl1");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabPosition(), QTabWidget::West);
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "Settings");
    QStringList bar;
    for (QAction* action : window.menuBar()->actions())
        bar << action->text();
    EXPECT_EQ(bar, (QStringList{"&File", "&Port", "&Write_To_Pager", "&Read_From_Pager",
                                "Compare with Pager...", "A37", "&Help"}));
    auto* lpt1 = window.findChild<QAction*>("LPT11");
    ASSERT_NE(lpt1, nullptr);
    EXPECT_TRUE(lpt1->isChecked());
    EXPECT_TRUE(window.findChild<QAction*>("Repair1")->isVisible());
    EXPECT_FALSE(window.findChild<QAction*>("Debug1")->isVisible());
}

TEST_F(MainWindowTest, ModelChangesReachTheirWidgets) {
    form.firmwareversion.setText("123"); // longer than the field's limit of 2
    form.serial.setText("ABCD1234");
    form.hellomsg1.setVisible(false);
    form.bs1.setEnabled(false);
    form.alerttime.deleteItem(4); // "64 sec"
    form.alerttime.setIndex(3);
    form.qsound.setChecked(true);
    form.L_serial.setCaption("Serial");
    form.contrast.setHint("new hint");
    form.N5003T6K041.setCaption("&V7R");
    form.Form1.setCaption("Another caption");

    EXPECT_EQ(widget<QLineEdit>("serial")->text(), "ABCD1234");
    EXPECT_TRUE(widget<QLineEdit>("hellomsg1")->isHidden());
    EXPECT_FALSE(widget<QLineEdit>("bs1")->isEnabled());
    auto* alert = widget<QComboBox>("alerttime");
    EXPECT_EQ(alert->count(), 4);
    EXPECT_EQ(alert->currentText(), "32 sec");
    EXPECT_TRUE(widget<QCheckBox>("qsound")->isChecked());
    EXPECT_EQ(widget<QLabel>("L_serial")->text(), "Serial");
    EXPECT_EQ(widget<QLineEdit>("contrast")->toolTip(), "new hint");
    EXPECT_EQ(window.findChild<QAction*>("N5003T6K041")->text(), "&V7R");
    EXPECT_EQ(window.windowTitle(), "Another caption");
    EXPECT_EQ(widget<QLineEdit>("firmwareversion")->text(), "123") << "shown whole";

    // A text wider than the limit's capitals widens the field.
    auto* serial = widget<QLineEdit>("serial");
    form.serial.setText("WWWWWWWW");
    EXPECT_GT(serial->sizeHint().width(), serial->fontMetrics().horizontalAdvance("WWWWWWWW"));
}

TEST_F(MainWindowTest, TypingGoesThroughTheKeyFilterAndTheChangeRule) {
    std::vector<std::string> changes;
    form.tonepatternA.onKeyPress = [](form::Edit&, int code) -> std::optional<int> {
        if (code >= 'a' && code <= 'f')
            return code - 'a' + 'A';
        if (code == 'G')
            return std::nullopt;
        return code;
    };
    form.tonepatternA.onChange = [&] { changes.push_back(form.tonepatternA.text()); };
    auto* edit = widget<QLineEdit>("tonepatternA");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, "aGb1");
    EXPECT_EQ(form.tonepatternA.text(), "AB1");
    EXPECT_EQ(edit->text(), "AB1");
    EXPECT_EQ(changes, (std::vector<std::string>{"", "A", "AB", "AB1"}));
}

TEST_F(MainWindowTest, LeavingAFieldByTabRunsItsExitRule) {
    int exits = 0;
    form.address[0].onExit = [&] { ++exits; };
    auto* edit = widget<QLineEdit>("address1");
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    edit->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(edit, Qt::Key_Tab);
    QTest::qWait(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, 1);
}

// Fields left one after another run their exit rules in the order they
// were left, once the focus changes are over.
TEST_F(MainWindowTest, QueuedExitRulesRunInTheOrderTheFieldsWereLeft) {
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    widget<QLineEdit>("address1")->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    std::vector<int> exits;
    for (int i = 0; i < 3; ++i)
        form.address[static_cast<std::size_t>(i)].onExit = [&exits, i] { exits.push_back(i + 1); };
    widget<QLineEdit>("address2")->setFocus(Qt::TabFocusReason);
    widget<QLineEdit>("address3")->setFocus(Qt::MouseFocusReason);
    widget<QLineEdit>("address4")->setFocus(Qt::BacktabFocusReason);
    EXPECT_TRUE(exits.empty());
    QTest::qWait(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, (std::vector<int>{1, 2, 3}));
}

// A focus change that a rule asks for is the rule's: the field it takes the
// focus from runs no exit rule.
TEST_F(MainWindowTest, AFocusChangeARuleAsksForRunsNoExitRule) {
    QtUserInterface ui;
    ui.attach(&window);
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    widget<QLineEdit>("address2")->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    int exits = 0;
    form.address[1].onExit = [&] { ++exits; };
    ui.focus(form.address[0]);
    QTest::qWait(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), widget<QLineEdit>("address1"));
    EXPECT_EQ(exits, 0);
}

TEST_F(MainWindowTest, PicksAndClicksReachTheRules) {
    int changes = 0, clicks = 0;
    form.repeatcallcheck.onChange = [&] { ++changes; };
    form.qsound.onClick = [&] { ++clicks; };
    auto* list = widget<QComboBox>("repeatcallcheck");
    list->setCurrentIndex(2); // from code: nothing reaches the model
    EXPECT_EQ(form.repeatcallcheck.index(), 0);
    emit list->activated(2); // as a user's pick
    EXPECT_EQ(form.repeatcallcheck.index(), 2);
    EXPECT_EQ(changes, 1);
    auto* box = widget<QCheckBox>("qsound");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); // on the indicator
    EXPECT_TRUE(form.qsound.checked());
    EXPECT_EQ(clicks, 1);
}

TEST_F(MainWindowTest, MenuActionsRunTheirHandlersAndTheLogShowsNewLines) {
    auto* log = widget<QPlainTextEdit>("Memo1");
    EXPECT_EQ(log->toPlainText(), "Halvo A31/A35/A36/A37 CCP V7.25\nParallel ports ready.");
    window.findChild<QAction*>("About1")->trigger();
    EXPECT_EQ(log->toPlainText().split('\n').size(), 3);
    EXPECT_EQ(log->toPlainText().split('\n').last(), "Halvo A31/A35/A36/A37 CCP V7.25");
    window.findChild<QAction*>("LPT21")->trigger();
    EXPECT_EQ(form.Link.PortBase, 0x278);
}

TEST_F(MainWindowTest, PortMenuShowsTheModelsCheckMarksAfterEveryChoice) {
    auto* lpt1 = window.findChild<QAction*>("LPT11");
    auto* lpt2 = window.findChild<QAction*>("LPT21");
    for (QAction* chosen : {lpt1, lpt2, lpt1}) {
        chosen->trigger();
        EXPECT_EQ(lpt1->isChecked(), form.LPT11.checked());
        EXPECT_EQ(lpt2->isChecked(), form.LPT21.checked());
        EXPECT_TRUE(lpt1->isChecked());
    }
}

TEST_F(MainWindowTest, LongLogLinesWrapWithoutAHorizontalBar) {
    auto* log = widget<QPlainTextEdit>("Memo1");
    form.Memo1.append(std::string(40, 'x') + " " + std::string(159, 'y'));
    QCoreApplication::processEvents();
    EXPECT_FALSE(log->horizontalScrollBar()->isVisible());
    EXPECT_GT(log->document()->lastBlock().layout()->lineCount(), 1);
    EXPECT_EQ(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
}

TEST_F(MainWindowTest, TypingInTheLogShowsTheTextOnceAndTheModelAgrees) {
    auto* log = widget<QPlainTextEdit>("Memo1");
    log->setFocus();
    QTest::keyClick(log, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(log, Qt::Key_Return);
    QTest::keyClicks(log, "note");
    const QStringList shown = log->toPlainText().split('\n');
    EXPECT_EQ(shown.count("note"), 1);
    EXPECT_EQ(shown.last(), "note");
    std::vector<std::string> widgetLines;
    for (const QString& line : shown)
        widgetLines.push_back(line.toStdString());
    EXPECT_EQ(form.Memo1.lines(), widgetLines);
    form.About1Click(); // a line appended after the typed one
    EXPECT_EQ(log->toPlainText().split('\n').size(), static_cast<int>(form.Memo1.lines().size()));
}

TEST_F(MainWindowTest, ConversionErrorInAUserEventReachesTheErrorBoxOnce) {
    form.contrast.onChange = [&] { form::strToInt(form.contrast.text()); };
    auto* edit = widget<QLineEdit>("contrast");
    edit->setText("1x"); // as if pasted: the change arrives as the user's edit
    emit edit->textEdited("1x");
    EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"'1x' is not a valid integer value"});
    EXPECT_EQ(form.contrast.text(), "1x");
}

TEST_F(MainWindowTest, ProgressDialogFollowsTheModel) {
    form.State_Form.begin("Reading data from pager, please wait...", 512);
    form.State_Form.stepBy(32);
    QDialog* dialog = window.progressDialog();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Reading data from pager, please wait...");
    EXPECT_EQ(dialog->findChild<QProgressBar*>("ProgressBar1")->value(), 32);
    form.State_Form.close();
    EXPECT_FALSE(dialog->isVisible());
}

// What a list is wider than its widest item: the same whatever its items.
int widthOverItems(const QComboBox& list) {
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, list.fontMetrics().horizontalAdvance(list.itemText(i)));
    return list.sizeHint().width() - widest;
}

TEST_F(MainWindowTest, PlatformItemStepsThePlatformAndTheHardwarePageFollows) {
    QAction* platform = window.findChild<QAction*>("N5003T6K041");
    auto* opa = widget<QComboBox>("lcddrv_opa");
    auto* fosc = widget<QComboBox>("lcd_fosc");
    auto* rxe = widget<QComboBox>("RXE");
    auto* bs1 = widget<QLineEdit>("bs1");
    ASSERT_EQ(opa->itemText(0), "3.0");
    const int frame = widthOverItems(*opa);
    EXPECT_TRUE(fosc->isHidden());
    EXPECT_TRUE(rxe->isHidden());
    platform->trigger(); // 6 -> 0
    EXPECT_EQ(platform->text(), "&V6");
    EXPECT_EQ(form.HardwarePlatform, 0);
    EXPECT_EQ(opa->itemText(0), "0") << "the list shows its new items";
    EXPECT_EQ(widthOverItems(*opa), frame) << "and is as wide as the widest of them";
    EXPECT_EQ(opa->currentIndex(), 2);
    EXPECT_TRUE(opa->isHidden());
    EXPECT_FALSE(rxe->isHidden());
    EXPECT_TRUE(bs1->isHidden());
    EXPECT_EQ(widget<QLineEdit>("contrast")->text(), "48");
    platform->trigger(); // 0 -> 1
    EXPECT_EQ(platform->text(), "&V6S");
    EXPECT_FALSE(opa->isHidden());
    EXPECT_FALSE(fosc->isHidden());
    EXPECT_FALSE(opa->isEnabled()) << "locked in the customer edition";
}

TEST(LastFolder, IsTheFolderOfTheLastFileOpenedOrSaved) {
    rememberFolderOf("/tmp/pagers/a.eep");
    rememberFolderOf("/srv/images/b.bin");
    EXPECT_EQ(lastFolder(), "/srv/images");
}

TEST(QtFileFilter, TurnsBarSeparatedPairsIntoQtFilters) {
    EXPECT_EQ(qtFileFilter("*.bin, *.eep|*.eep; *.bin"), "*.bin, *.eep (*.eep *.bin)");
    EXPECT_EQ(qtFileFilter("*.bin|*.bin|*.eep|*.eep"), "*.bin (*.bin);;*.eep (*.eep)");
}

} // namespace
} // namespace ccp::view

namespace ccp::view {
namespace {

// The comparison opens in a modal dialog whose text can be selected and
// copied but not edited.
TEST_F(MainWindowTest, AReportShowsItsTextReadOnly) {
    QtUserInterface ui;
    ui.attach(&window);
    QString shown;
    bool readOnly = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* text = dialog->findChild<QPlainTextEdit*>();
        ASSERT_NE(text, nullptr);
        shown = text->toPlainText();
        readOnly =
            text->isReadOnly() && (text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        dialog->reject();
    });
    ui.showReport("Compare with Pager", "serial: CHANGED1 -> 00000000\nbyte 0x001: 43 -> 30\n");
    EXPECT_EQ(shown, "serial: CHANGED1 -> 00000000\nbyte 0x001: 43 -> 30\n");
    EXPECT_TRUE(readOnly);
}

} // namespace
} // namespace ccp::view
