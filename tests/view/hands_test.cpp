// The real window under a person's hands, on a desktop with a window manager
// (run by hands.sh under Xvfb and openbox): the real user interface, a
// virtual pager whose EEPROM write cycles and power-up waits also pass on the
// wall clock, so that a write lasts as long as on a bench, clicks from
// xdotool and keys from Qt's input simulation.
#include "model/checksum.h"
#include "support/pager_rig.h"
#include "support/temp_dir.h"
#include "tool/tool_process.h"
#include "view/main_window.h"
#include "view/qt_user_interface.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace ccp::view {
namespace {

// Virtual time for the chips, real time for the person: every millisecond
// sleep of the transfers also passes on the wall clock.
class SlowedClock final : public link::Clock {
public:
    explicit SlowedClock(sim::VirtualClock& chips) : chips_(chips) {}
    void sleepMs(unsigned ms) override {
        chips_.sleepMs(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void busyWaitUs(std::uint64_t us) override { chips_.busyWaitUs(us); }
    std::uint64_t nowUs() const override { return chips_.nowUs(); }

private:
    sim::VirtualClock& chips_;
};

// What a person sees of boxes and the progress dialog while the test's
// actions run: looked at every few milliseconds, also inside the loops of
// boxes and of the operation's progress repaints. Boxes are answered.
class Watch : public QObject {
public:
    explicit Watch(MainWindow& window) : window_(window) {
        connect(&timer_, &QTimer::timeout, this, [this] { look(); });
        timer_.start(5);
    }
    struct Box {
        QString text;
        bool duringOperation;
        std::size_t logLines;
    };
    std::vector<Box> boxes;
    std::vector<std::string> progressCaptions; // each caption once, in order
    bool waitCursor = false;
    bool progressFitsCaption = true;
    std::function<void(QDialog&)> onProgress; // called while the dialog shows

private:
    void look() {
        QDialog* progress = window_.progressDialog();
        if (progress->isVisible()) {
            const std::string caption = progress->windowTitle().toStdString();
            if (progressCaptions.empty() || progressCaptions.back() != caption)
                progressCaptions.push_back(caption);
            const QCursor* cursor = QApplication::overrideCursor();
            waitCursor = waitCursor || (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
            QFont bold = QApplication::font();
            bold.setBold(true);
            if (QFontMetrics(bold).horizontalAdvance(progress->windowTitle()) > progress->width())
                progressFitsCaption = false;
            if (onProgress)
                onProgress(*progress);
        }
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            auto* message = qobject_cast<QMessageBox*>(box);
            boxes.push_back({message != nullptr ? message->text() : box->windowTitle(),
                             progress->isVisible(), window_.form().Memo1.lines().size()});
            box->reject();
        }
    }
    MainWindow& window_;
    QTimer timer_;
};

class Hands : public ::testing::Test {
protected:
    Hands() {
        rig.windowUi = &ui;
        rig.windowClock = &slowed;
    }
    ~Hands() override {
        if (window != nullptr)
            window->close();
    }

    // The window on `platform` with a pager on the jig that holds the
    // window's settings; `prepare` changes the pager's settings only.
    void open(int platform, const std::function<void(app::TForm1&)>& prepare = {}) {
        form = &rig.startOn(1, platform);
        std::vector<std::string> addresses;
        for (const form::Edit& address : form->address)
            addresses.push_back(address.text());
        rig.plugPager();
        if (prepare)
            prepare(*form);
        form->imageEncoder.encode();
        model::storeChecksums(form->EepromImage, model::layoutOf(platform));
        std::copy(form->EepromImage.begin(), form->EepromImage.end(), rig.eeprom->memory().begin());
        for (std::size_t i = 0; i < form->address.size(); ++i)
            form->address[i].setText(addresses[i]);
        window = std::make_unique<MainWindow>(*form);
        ui.attach(window.get());
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // On a desktop, the window manager's frame is there before the test acts.
        if (QGuiApplication::platformName() == "xcb") {
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return window->frameGeometry() != window->geometry(); }, 3000));
        }
    }

    template <class W> W* widget(const char* name) { return window->findChild<W*>(name); }
    QAction* action(const char* name) { return window->findChild<QAction*>(name); }
    void showPage(int index) { widget<QTabWidget>("PageControl1")->setCurrentIndex(index); }
    void showPageOf(const form::Control& control) {
        const auto& pages = form->PageControl1.pages();
        for (const form::Control* c = &control; c != nullptr; c = c->parent())
            if (auto page = std::find(pages.begin(), pages.end(), c); page != pages.end())
                showPage(static_cast<int>(page - pages.begin()));
    }
    // A click on a command of the menu bar.
    void clickMenuBar(const char* name) {
        QMenuBar* bar = window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action(name)).center());
    }
    void settle(int ms = 300) { QTest::qWait(ms); }
    // The window's height once the window manager has carried out the last
    // resize: unchanged for 150 ms, waited for at most 3 s (a loaded machine
    // takes longer than an idle one).
    int settledHeight() {
        int height = window->height();
        for (int quiet = 0, waited = 0; quiet < 150 && waited < 3000; waited += 10) {
            QTest::qWait(10);
            quiet = window->height() == height ? quiet + 10 : 0;
            height = window->height();
        }
        return height;
    }
    std::size_t logSize() const { return form->Memo1.lines().size(); }
    std::vector<std::string> logSince(std::size_t from) const { return rig.logSince(from); }
    static long count(const std::vector<std::string>& lines, const std::string& line) {
        return std::count(lines.begin(), lines.end(), line);
    }
    // Select the field's text, type `text` over it and leave by Tab.
    void retype(QLineEdit* edit, const char* text) {
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
        settle(100);
    }

    testing::PagerRig rig;
    SlowedClock slowed{rig.clock};
    QtUserInterface ui;
    app::TForm1* form = nullptr;
    std::unique_ptr<MainWindow> window;
    testing::TempDir dir;
};

const std::string kRangeOut1 =
    "Address [1] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";

TEST_F(Hands, TwoBadCapcodesReadLogsWhatTheToolLogsThenNothingMoreAndBothCanBeFixed) {
    open(6, [](app::TForm1& f) {
        f.address[0].setText("0000000");
        f.address[1].setText("0000000");
    });
    // The same pager read by capcode-tool.
    const std::string file = dir.file("pager.bin");
    std::vector<unsigned char> bytes(rig.eeprom->memory().begin(), rig.eeprom->memory().end());
    bytes.resize(512 + 48, 0);
    testing::TempDir::write(file, bytes);
    const testing::ToolResult tool = testing::runTool({"--jig", "sim:" + file, "--read"});
    ASSERT_EQ(tool.status, 0) << tool.out << tool.err;
    std::vector<std::string> expected = testing::linesOf(tool.out);
    expected.erase(expected.begin(),
                   std::find(expected.begin(), expected.end(), "Read data from pager"));
    ASSERT_EQ(count(expected, kRangeOut1), 2);

    showPage(0); // the Addresses page, where the two fields can take the focus
    widget<QLineEdit>("address3")->setFocus(Qt::MouseFocusReason);
    const std::size_t from = logSize();
    clickMenuBar("ReadFromPager");
    settle(1500);
    EXPECT_EQ(logSince(from), expected);

    // The focus rests in one of the two; each takes a valid capcode.
    QWidget* focused = QApplication::focusWidget();
    ASSERT_TRUE(focused == widget<QLineEdit>("address1") ||
                focused == widget<QLineEdit>("address2"));
    QLineEdit* other = focused == widget<QLineEdit>("address1") ? widget<QLineEdit>("address2")
                                                                : widget<QLineEdit>("address1");
    const std::size_t before = logSize();
    retype(static_cast<QLineEdit*>(focused), "2004000");
    QTest::mouseClick(other, Qt::LeftButton);
    settle(100);
    retype(other, "2004009");
    EXPECT_EQ(logSince(before), std::vector<std::string>{});
    EXPECT_EQ(widget<QLineEdit>("frame1")->text() + widget<QLineEdit>("frame2")->text(),
              focused == widget<QLineEdit>("address1") ? "01" : "10");
}

TEST_F(Hands, ADoubleClickOnWriteToPagerGivesOneWriteAndOneCapcodeStep) {
    if (QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "xdotool clicks need an X display";
    open(6);
    form->autoinc[0].setIndex(1); // Auto inc 1
    Watch watch(*window);
    QMenuBar* bar = window->menuBar();
    const QPoint at = bar->mapToGlobal(bar->actionGeometry(action("WriteToPager")).center()) *
                      window->devicePixelRatio();
    const std::size_t from = logSize();
    QProcess xdotool;
    xdotool.start("xdotool",
                  {"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click",
                   "--repeat", "2", "--delay", "150", "1"});
    ASSERT_TRUE(xdotool.waitForStarted(5000));
    for (int i = 0; i < 400 && xdotool.state() != QProcess::NotRunning; ++i)
        QTest::qWait(25);
    settle(1500);
    const std::vector<std::string> lines = logSince(from);
    EXPECT_EQ(count(lines, "Write to Pager..."), 1);
    EXPECT_EQ(count(lines, "Verify OK !"), 1);
    EXPECT_EQ(form->address[0].text(), "2004001");
    EXPECT_TRUE(watch.waitCursor);
}

TEST_F(Hands, AQueuedExitRuleWithAConversionErrorRunsOutsideTheWriteAndAgainAfterwards) {
    open(6);
    Watch watch(*window);
    showPage(0);
    auto* length = widget<QLineEdit>("pubboxlength0");
    QTest::mouseClick(length, Qt::LeftButton);
    QTest::keyClick(length, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(length, Qt::Key_Backspace); // empty: not a number
    // Tab, and Alt+W before the loop has run the exit rule that Tab queued.
    QTest::keyClick(length, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::AltModifier);
    settle(1500);
    ASSERT_FALSE(watch.boxes.empty());
    EXPECT_FALSE(watch.progressCaptions.empty()) << "the write ran";
    for (const Watch::Box& box : watch.boxes)
        EXPECT_FALSE(box.duringOperation) << box.text.toStdString();

    // The field's exit rule runs at the next leaving.
    length->setFocus(Qt::MouseFocusReason);
    retype(length, "0");
    ASSERT_FALSE(form->Memo1.lines().empty());
    EXPECT_EQ(form->Memo1.lines().back(), "Length should large than ZERO");
}

TEST_F(Hands, DeleteDeletesInEveryFilteredField) {
    open(6);
    const std::vector<const char*> fields = {
        "address1", "pubboxlength0", "contrast",     "lcdholdtime", "rangetime",  "password",
        "bs1",      "bs3",           "tonepatternA", "serial",      "channelfreq"};
    // BS1 and BS3 are locked in every customer edition: unlocked here as the
    // chip tuning fields are for the factory. The contrast is typed once its
    // lock is off.
    form->bs1.setEnabled(true);
    form->bs3.setEnabled(true);
    showPageOf(form->contrast_mask);
    auto* mask = widget<QCheckBox>("contrast_mask");
    QTest::mouseClick(mask, Qt::LeftButton, {}, QPoint(6, mask->height() / 2));
    for (const char* name : fields) {
        form::Control& control = *form->find(name);
        ASSERT_TRUE(control.reachable()) << name;
        showPageOf(control);
        auto* edit = widget<QLineEdit>(name);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_Home);
        const QString before = edit->text();
        const std::size_t lines = logSize();
        // X gives the Delete key the text U+007F.
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_Delete, QString(QChar(0x7F)),
                            Qt::NoModifier);
        EXPECT_EQ(edit->text().toStdString(), before.mid(1).toStdString()) << name;
        EXPECT_EQ(logSince(lines), std::vector<std::string>{}) << name;
    }
}

TEST_F(Hands, ANonAsciiPathIsLoggedAsChosen) {
    open(6);
    const QString folder = QString::fromStdString(dir.file("")) + QString::fromUtf8("Geräte 桌面");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/p1.eep";
    ui.setFileChooser([&](bool, const std::string&, const std::string&) { return path; });
    action("Save1")->trigger();
    const QStringList shown = widget<QPlainTextEdit>("Memo1")->toPlainText().split('\n');
    EXPECT_TRUE(shown.contains("Save data to " + path)) << shown.join('\n').toStdString();
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(Hands, TextsGoOutAndComeBackThroughTheFileMenuAndARefusedOneShowsAnErrorBox) {
    open(6);
    QList<QAction*> file = window->findChild<QMenu*>("File1")->actions();
    ASSERT_GE(file.size(), 4);
    EXPECT_EQ(file[2]->text(), "Export as text...");
    EXPECT_EQ(file[3]->text(), "Import text...");
    const QString text = QString::fromStdString(dir.file("window.toml"));
    ui.setFileChooser([&](bool, const std::string&, const std::string&) { return text; });
    action("ExportText1")->trigger();
    QFile exported(text);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    QString content = QString::fromUtf8(exported.readAll());
    exported.close();
    content.replace("address1 = \"" + widget<QLineEdit>("address1")->text() + "\"",
                    "address1 = \"1234567\"");
    auto write = [&](const QString& body) {
        QFile out(text);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(body.toUtf8());
    };
    write(content);
    // The start-up frequency "457.000" comes back as "457.00000": a box says so.
    Watch watch(*window);
    action("ImportText1")->trigger();
    settle();
    EXPECT_EQ(widget<QLineEdit>("address1")->text(), "1234567");
    const std::size_t boxes = watch.boxes.size();

    write(content.replace("[settings]\n", "[settings]\nnosuch = \"1\"\n"));
    action("ImportText1")->trigger();
    settle();
    ASSERT_EQ(watch.boxes.size(), boxes + 1);
    EXPECT_TRUE(watch.boxes.back().text.contains("nosuch: there is no control of that name"))
        << watch.boxes.back().text.toStdString();
    EXPECT_EQ(widget<QLineEdit>("address1")->text(), "1234567");
}

TEST_F(Hands, CompareWithPagerShowsTheProgressDialogOfARead) {
    open(6);
    Watch watch(*window);
    clickMenuBar("CompareWithPager");
    settle();
    EXPECT_EQ(watch.progressCaptions,
              std::vector<std::string>{"Reading data from pager, please wait..."});
    ASSERT_EQ(watch.boxes.size(), 1u);
    EXPECT_EQ(watch.boxes[0].text, "Compare with Pager");
}

TEST_F(Hands, TabAndShiftTabLeaveTheLogPane) {
    open(6);
    auto* log = widget<QPlainTextEdit>("Memo1");
    const std::vector<std::string> lines = form->Memo1.lines();
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        QTest::mouseClick(log->viewport(), Qt::LeftButton);
        ASSERT_TRUE(log->hasFocus());
        QTest::keyClick(log, key);
        EXPECT_FALSE(log->hasFocus());
        EXPECT_FALSE(log->toPlainText().contains('\t'));
        EXPECT_EQ(form->Memo1.lines(), lines);
    }
}

TEST_F(Hands, TheWindowKeepsOneSizeForAPlatformWhicheverPageShows) {
    open(6);
    for (int start : {1, 2}) {
        showPage(start);
        for (int step = 0; step < 7; ++step) {
            action("N5003T6K041")->trigger();
            const int height = settledHeight();
            for (int page : {0, 1, 2, start}) {
                showPage(page);
                EXPECT_EQ(settledHeight(), height)
                    << "platform " << int{form->HardwarePlatform} << " page " << page;
            }
        }
    }
}

// Pictures for the README: the progress dialog during a write, and the
// window as placed on the screen (at the scale and screen the run has).
void save(const QPixmap& picture, const QString& name) {
    for (const QString& folder :
         qEnvironmentVariable("CCP_PICTURES").split(':', Qt::SkipEmptyParts)) {
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(folder + "/" + name)) << (folder + "/" + name).toStdString();
    }
}

TEST_F(Hands, TheProgressDialogShowsItsWholeCaptionDuringAWrite) {
    open(6);
    Watch watch(*window);
    bool shot = false;
    QElapsedTimer shown;
    watch.onProgress = [&](QDialog& dialog) {
        if (!shown.isValid())
            shown.start();
        if (shot || shown.elapsed() < 200 || QGuiApplication::platformName() != "xcb")
            return;
        shot = true;
        const QRect frame = dialog.frameGeometry().adjusted(-12, -12, 12, 12);
        save(dialog.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()),
             "hands-progress-dialog.png");
    };
    clickMenuBar("WriteToPager");
    settle();
    EXPECT_EQ(watch.progressCaptions,
              (std::vector<std::string>{"Read hardware config from pager, please wait...",
                                        "Writing data to pager, please wait...",
                                        "Verify data from pager, please wait..."}));
    EXPECT_TRUE(watch.progressFitsCaption);
    EXPECT_TRUE(watch.waitCursor);
    const Qt::WindowFlags flags = window->progressDialog()->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

TEST_F(Hands, TheWindowIsPlacedInsideTheScreenWithItsMenuBarShowing) {
    open(6);
    settle(300);
    const QRect area = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(area.contains(frame.topLeft())) << frame.x() << "," << frame.y();
    const QRect bar(window->menuBar()->mapToGlobal(QPoint()), window->menuBar()->size());
    EXPECT_TRUE(area.contains(bar.topLeft()));
    if (frame.width() <= area.width() && frame.height() <= area.height()) {
        EXPECT_TRUE(area.contains(frame));
    }
    if (QGuiApplication::platformName() == "xcb") {
        const QString name = QString("window-at-scale-%1.png").arg(window->devicePixelRatio());
        save(window->screen()->grabWindow(0), name);
    }
}

} // namespace
} // namespace ccp::view
