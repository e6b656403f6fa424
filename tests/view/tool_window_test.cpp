// The same settings made at the window (typed, picked and clicked through its
// widgets, then File > Save) and by capcode-tool give byte-identical images.
#include "support/form_fixture.h"
#include "support/temp_dir.h"
#include "tool/tool_process.h"
#include "view/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace ccp::view {
namespace {

struct Setting {
    const char* name;
    const char* value; // UTF-8, as given to --set
};

// Edits, lists and check boxes on every tab, with key filters that convert
// (hex digits), supply (the frequency's separator) and pass Latin-1 letters.
const std::vector<Setting> kSettings = {
    {"address1", "1234567"}, {"msgtype1", "Public"},  {"alerttime", "16 sec"},
    {"hellomsg1", "Grüße!"}, {"tonepatternA", "ab1"}, {"channelfreq", "4591250"},
    {"language", "GERMAN"},  {"unread_alert", "0"},   {"ota", "1"},
    {"pubboxlength0", "12"}, {"serial", "AB12"},      {"password", "42"},
};

class ToolAndWindow : public ::testing::TestWithParam<int> {
protected:
    ToolAndWindow() : form(rig.start(1)), window(form) {
        window.show();
        window.activateWindow();
        [[maybe_unused]] bool active = QTest::qWaitForWindowActive(&window);
    }

    void showPageOf(const form::Control& control) {
        const auto& pages = form.PageControl1.pages();
        for (const form::Control* c = &control; c != nullptr; c = c->parent()) {
            auto page = std::find(pages.begin(), pages.end(), c);
            if (page != pages.end())
                window.findChild<QTabWidget*>("PageControl1")
                    ->setCurrentIndex(static_cast<int>(page - pages.begin()));
        }
    }

    // What a user does at the widget named `setting.name`.
    void act(const Setting& setting) {
        const QString name = QString::fromLatin1(setting.name);
        const QString value = QString::fromUtf8(setting.value);
        showPageOf(*form.find(setting.name));
        if (auto* edit = window.findChild<QLineEdit*>(name)) {
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            // One key per character; keys outside ASCII carry their text only.
            for (const QChar ch : value) {
                if (ch.unicode() < 0x80)
                    QTest::keyClick(edit, ch.toLatin1());
                else
                    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch),
                                        Qt::NoModifier);
            }
            QTest::keyClick(edit, Qt::Key_Tab);
            // The exit rule runs queued, after the focus has moved on.
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        } else if (auto* list = window.findChild<QComboBox*>(name)) {
            const int index = list->findText(value);
            ASSERT_GE(index, 0) << setting.name;
            list->setCurrentIndex(index);
            emit list->activated(index);
        } else if (auto* box = window.findChild<QCheckBox*>(name)) {
            if (box->isChecked() != (value == "1"))
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            ASSERT_EQ(box->isChecked(), value == "1") << setting.name;
        } else {
            FAIL() << "no widget for " << setting.name;
        }
    }

    testing::FormRig rig;
    app::TForm1& form;
    MainWindow window;
    testing::TempDir dir;
};

TEST_P(ToolAndWindow, MakeTheSameImageFromTheSameSettings) {
    const int platform = GetParam();
    QAction* platformItem = window.findChild<QAction*>("N5003T6K041");
    while (form.HardwarePlatform != platform)
        platformItem->trigger();
    for (const Setting& setting : kSettings)
        act(setting);
    EXPECT_EQ(form.channelfreq.text(), "459.12500");
    EXPECT_EQ(form.hellomsg1.text(), "Gr\xFC\xDF"
                                     "e!        ");
    EXPECT_EQ(form.tonepatternA.text(), "AB10");
    EXPECT_TRUE(form.ota.checked());
    const std::string byWindow = dir.file("window.eep");
    rig.ui.paths.push_back(byWindow);
    window.findChild<QAction*>("Save1")->trigger();
    ASSERT_EQ(form.Memo1.lines().back(), "ok!");

    const std::string byTool = dir.file("tool.eep");
    std::vector<std::string> args{"--profile", "1", "--platform", std::to_string(platform)};
    for (const Setting& setting : kSettings)
        args.insert(args.end(), {"--set", std::string(setting.name) + "=" + setting.value});
    args.insert(args.end(), {"--save", byTool});
    const testing::ToolResult run = testing::runTool(args);
    ASSERT_EQ(run.status, 0) << testing::toolPath() << "\n" << run.out << run.err;

    const std::vector<unsigned char> windowBytes = testing::TempDir::read(byWindow);
    const std::vector<unsigned char> toolBytes = testing::TempDir::read(byTool);
    ASSERT_EQ(windowBytes.size(), toolBytes.size());
    for (std::size_t i = 0; i < windowBytes.size(); ++i)
        EXPECT_EQ(windowBytes[i], toolBytes[i]) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Platforms, ToolAndWindow, ::testing::Values(6, 0));

} // namespace
} // namespace ccp::view
