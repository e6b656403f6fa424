#include "support/form_fixture.h"

#include <gtest/gtest.h>

namespace ccp::app {
namespace {

using Lines = std::vector<std::string>;

class StartUp : public ::testing::Test {
protected:
    testing::FormRig rig;
};

TEST_F(StartUp, LogStartsWithTheProfilesAboutLinesThenThePortLine) {
    TForm1& form = rig.start(1);
    EXPECT_EQ(form.Memo1.lines(),
              (Lines{"Halvo A31/A35/A36/A37 CCP V7.25", "Parallel ports ready."}));
    EXPECT_EQ(form.CustomerProfile, 1);
}

TEST_F(StartUp, ProfileZeroAndUnknownProfilesHaveTwoAboutLines) {
    for (int profile : {0, 7, 200}) {
        testing::FormRig local;
        local.port.setPresence(false);
        TForm1& form = local.start(profile);
        EXPECT_EQ(form.Memo1.lines(),
                  (Lines{"A36E CCP V7.25, support firmware version 1-20 amd Epson platform with "
                         "new ST7567A LCD driver",
                         "Please select the correct hardware before programming.",
                         "Programmer not connected or not powered."}))
            << "profile " << profile;
    }
}

TEST_F(StartUp, EachProfileHasItsOwnAboutLine) {
    const char* expected[] = {nullptr,
                              "Halvo A31/A35/A36/A37 CCP V7.25",
                              "A6W Wall Mount Programmer V7.25",
                              "Tressvik Wireless Kalmire 8 Line Programming Software V7.25",
                              "A31/A35E/A36E programmer V7.25 for Dorvik",
                              "Nimbo Wireless programmer V7.25",
                              "Nimbo Wireless Mini-static programmer V7.25"};
    for (int profile = 1; profile <= 6; ++profile) {
        testing::FormRig local;
        EXPECT_EQ(local.start(profile).Memo1.lines().front(), expected[profile]);
    }
}

TEST_F(StartUp, HelpAboutAppendsTheLinesAgainAndKeepsTheEarlierOnes) {
    TForm1& form = rig.start(1);
    form.About1.userClick();
    EXPECT_EQ(form.Memo1.lines(), (Lines{"Halvo A31/A35/A36/A37 CCP V7.25", "Parallel ports ready.",
                                         "Halvo A31/A35/A36/A37 CCP V7.25"}));
}

TEST_F(StartUp, DecimalSeparatorProbe) {
    EXPECT_EQ(rig.start().channelfreq.text(), "457.000");
    EXPECT_EQ(rig.form->decimalSeparator(), '.');

    testing::FormRig comma;
    comma.os.separator = ',';
    TForm1& form = comma.start();
    EXPECT_EQ(form.channelfreq.text(), "471,00000");
    EXPECT_EQ(form.decimalSeparator(), ',');
    EXPECT_TRUE(comma.ui.errors.empty()) << "the failed probe is not an error for the user";
}

TEST_F(StartUp, PortStatesFromDetection) {
    struct Case {
        link::ParallelPortPolicy policy;
        bool initialises;
        bool present;
        const char* line; // nullptr: nothing logged
        bool readWriteEnabled;
        bool portMenuEnabled;
    } cases[] = {
        {link::ParallelPortPolicy::Available, true, true, "Parallel ports ready.", true, true},
        {link::ParallelPortPolicy::Available, true, false,
         "Programmer not connected or not powered.", false, true},
        {link::ParallelPortPolicy::Available, false, true, "Parallel ports busy or unavailable.",
         false, true},
        {link::ParallelPortPolicy::DisabledBySystem, true, true, "Parallel ports disable in Vista",
         true, false},
        {link::ParallelPortPolicy::NotOffered, true, true, nullptr, true, true},
    };
    for (const Case& c : cases) {
        testing::FormRig local;
        local.os.policy = c.policy;
        local.port.setInitialiseResult(c.initialises);
        local.port.setPresence(c.present);
        TForm1& form = local.start(1);
        const Lines& lines = form.Memo1.lines();
        if (c.line != nullptr) {
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[1], c.line);
        } else {
            EXPECT_EQ(lines.size(), 1u);
        }
        EXPECT_EQ(form.WriteToPager.enabled(), c.readWriteEnabled) << (c.line ? c.line : "-");
        EXPECT_EQ(form.ReadFromPager.enabled(), c.readWriteEnabled);
        EXPECT_EQ(form.Port1.enabled(), c.portMenuEnabled);
        EXPECT_EQ(form.Link.PortBase, link::kLpt1Base);
        EXPECT_FALSE(form.Link.UsbActive);
    }
}

TEST_F(StartUp, ImagesAreZeroAndTheProgressDialogHidden) {
    TForm1& form = rig.start();
    EXPECT_EQ(form.EepromImage, model::EepromImage{});
    EXPECT_EQ(form.DecoderImage, model::DecoderImage{});
    EXPECT_FALSE(form.State_Form.State_Form.visible());
    EXPECT_EQ(form.State_Form.State_Form.caption(), "Writing to eeprom.Please waiting...");
    EXPECT_EQ(form.State_Form.ProgressBar1.max(), 64);
}

TEST_F(StartUp, NoRuleRunsWhileTheDesignValuesAreSet) {
    rig.start();
    EXPECT_EQ(rig.ui.beeps, 0);
    EXPECT_TRUE(rig.ui.errors.empty());
    EXPECT_TRUE(rig.ui.focused.empty());
}

TEST(PortMenu, LptChoicesSetThePortBaseOnly) {
    testing::FormRig rig;
    TForm1& form = rig.start();
    const int initialisations = rig.port.initialiseCalls();
    const std::size_t lines = form.Memo1.lines().size();
    form.LPT21.userClick();
    EXPECT_EQ(form.Link.PortBase, 0x278);
    EXPECT_TRUE(form.LPT11.checked()) << "check marks are not moved";
    EXPECT_FALSE(form.LPT21.checked());
    form.LPT11.userClick();
    EXPECT_EQ(form.Link.PortBase, 0x378);
    EXPECT_EQ(rig.port.initialiseCalls(), initialisations) << "detection does not run again";
    EXPECT_EQ(form.Memo1.lines().size(), lines);
}

TEST(PortMenu, ExitShutsTheDriverDownThenClosesTheWindow) {
    for (bool initialises : {true, false}) {
        testing::FormRig rig;
        rig.port.setInitialiseResult(initialises);
        TForm1& form = rig.start();
        form.Exit1.userClick();
        EXPECT_EQ(rig.port.shutdownCalls(), 1);
        EXPECT_EQ(rig.ui.closes, 1);
    }
}

TEST(ProgressDialog, ShowsStepsAndClosesRepaintingAsItGoes) {
    testing::FormRig rig;
    TForm1& form = rig.start();
    TState_Form& progress = form.State_Form;
    progress.begin("Reading data from pager, please wait...", 512);
    progress.stepIt();
    progress.stepBy(32);
    EXPECT_TRUE(progress.State_Form.visible());
    EXPECT_EQ(progress.State_Form.caption(), "Reading data from pager, please wait...");
    EXPECT_EQ(progress.ProgressBar1.position(), 42);
    EXPECT_EQ(progress.ProgressBar1.max(), 512);
    progress.setCaption("Verify data from pager, please wait...");
    progress.setPosition(0);
    progress.close();
    EXPECT_FALSE(progress.State_Form.visible());
    EXPECT_EQ(rig.ui.repaints, 6);
}

} // namespace
} // namespace ccp::app

namespace ccp::app {
namespace {

TEST(RepairMode, EachClickTogglesTheModeTheFourFieldsAndLogs) {
    testing::FormRig rig;
    TForm1& form = rig.start(1);
    const std::size_t lines = form.Memo1.lines().size();
    form.Repair1.userClick();
    EXPECT_TRUE(form.Repair1.checked());
    for (form::Control* c : std::initializer_list<form::Control*>{
             &form.firmwareversion, &form.firmware_epson, &form.pll, &form.lcddrv_opa})
        EXPECT_TRUE(c->enabled()) << c->name();
    EXPECT_FALSE(form.bs1.enabled()) << "only the four fields open";
    form.Repair1.userClick();
    EXPECT_FALSE(form.Repair1.checked());
    EXPECT_FALSE(form.pll.enabled());
    const std::vector<std::string> added(form.Memo1.lines().begin() + lines,
                                         form.Memo1.lines().end());
    EXPECT_EQ(added, (std::vector<std::string>{
                         "Repair mode enabled.",
                         "Please make sure the hardware (PLL chip, LCD chip & decoder) and "
                         "firmware version are correct before programming.",
                         "Repair mode disabled."}));
}

} // namespace
} // namespace ccp::app
