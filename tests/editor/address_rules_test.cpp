#include "editor/address_rules.h"
#include "editor/folder_rules.h"
#include "support/editor_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::editor {
namespace {

using Lines = std::vector<std::string>;

class AddressRulesTest : public ::testing::Test {
protected:
    AddressRulesTest() {
        folders.bind();
        addresses.bind();
    }

    std::size_t at(int n) { return static_cast<std::size_t>(n - 1); }
    void setType(int n, bool isPublic) { s.msgtype[at(n)].userPick(isPublic ? 1 : 0); }
    bool ucEnabled(int n) {
        bool all = true, none = true;
        for (form::CheckBox& uc : s.chbUC[at(n)]) {
            all = all && uc.enabled();
            none = none && !uc.enabled();
        }
        EXPECT_TRUE(all || none) << "the four UC boxes of entry " << n << " move together";
        return all;
    }
    void expectFoldersClosed() {
        for (std::size_t f = 0; f < 16; ++f) {
            EXPECT_FALSE(s.pubboxact[f].checked()) << f;
            EXPECT_FALSE(s.pubboxact[f].enabled()) << f;
            EXPECT_FALSE(s.pubbox[f].enabled()) << f;
            EXPECT_FALSE(s.pubboxlength[f].enabled()) << f;
        }
    }

    testing::EditorRig rig;
    model::PagerSettings& s = rig.settings;
    FolderRules folders{rig.context};
    AddressRules addresses{rig.context};
};

TEST_F(AddressRulesTest, EveryRangeBoundaryWithItsFrameDigit) {
    const struct {
        const char* capcode;
        const char* frame; // nullptr: rejected, the frame keeps "3"
    } cases[] = {
        {"0000007", nullptr}, {"0000008", "0"}, {"2007663", "7"}, {"2007664", nullptr},
        {"2007671", nullptr}, {"2007672", "0"}, {"2045055", "7"}, {"2045056", nullptr},
        {"2045063", nullptr}, {"2045064", "0"}, {"2097143", "7"}, {"2097144", nullptr},
        {"2097151", nullptr}, {"2004005", "5"},
    };
    int n = 0;
    for (const auto& c : cases) {
        n = n % 8 + 1;
        s.address[at(n)].setText("2004003");
        rig.log.userEdit("");
        rig.ui.beeps = 0;
        rig.ui.focused.clear();
        s.address[at(n)].userEdit(c.capcode);
        EXPECT_EQ(s.frame[at(n)].text(), c.frame ? c.frame : "3") << c.capcode;
        EXPECT_EQ(rig.ui.beeps, c.frame ? 0 : 1) << c.capcode;
        EXPECT_EQ(rig.log.lines(), c.frame ? Lines{} : Lines{capcodeRangeMessage(n)}) << c.capcode;
        EXPECT_EQ(rig.ui.focused, c.frame ? Lines{} : Lines{s.address[at(n)].name()});
    }
    EXPECT_EQ(
        capcodeRangeMessage(4),
        "Address [4] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143");
}

TEST_F(AddressRulesTest, AShortOutOfRangeCapcodeIsReportedTwiceOnLeaving) {
    s.address[0].userEdit("2");
    EXPECT_EQ(s.frame[0].text(), "0") << "fewer than seven characters: not reported";
    EXPECT_EQ(rig.ui.beeps, 0);
    s.address[0].userLeave();
    EXPECT_EQ(s.address[0].text(), "0000002");
    EXPECT_EQ(rig.ui.beeps, 2);
    EXPECT_EQ(rig.log.lines(), Lines(2, capcodeRangeMessage(1)));

    s.address[1].userEdit("");
    EXPECT_EQ(s.frame[1].text(), " ");
    s.address[1].userLeave();
    EXPECT_EQ(s.address[1].text(), "0000000");
    EXPECT_EQ(s.frame[1].text(), " ");
    EXPECT_EQ(rig.log.lines().size(), 4u);

    s.address[2].userEdit("31");
    s.address[2].userLeave();
    EXPECT_EQ(s.address[2].text(), "0000031");
    EXPECT_EQ(s.frame[2].text(), "7");
    EXPECT_EQ(rig.ui.beeps, 4);
}

TEST_F(AddressRulesTest, AFullOrLongerOutOfRangeCapcodeIsReportedOnTypingAndOnLeaving) {
    s.address[5].userEdit("209714");
    s.address[5].userType('9');
    s.address[5].userLeave();
    // A pasted text, or an auto-increment past seven digits, is caught too.
    s.address[6].setText("9999999");
    s.address[6].setText("10000007");
    EXPECT_EQ(rig.log.lines(), (Lines{capcodeRangeMessage(6), capcodeRangeMessage(6),
                                      capcodeRangeMessage(7), capcodeRangeMessage(7)}));
}

TEST_F(AddressRulesTest, APastedNonNumberShowsOneErrorAndKeepsEarlierPadding) {
    s.address[0].userEdit("20a4000");
    EXPECT_EQ(rig.ui.errors, Lines{"'20a4000' is not a valid integer value"});
    EXPECT_EQ(s.frame[0].text(), "0");
    s.address[3].userEdit("1a");
    s.address[3].userLeave();
    EXPECT_EQ(s.address[3].text(), "01a") << "the padding step made before the failure stays";
    EXPECT_EQ(rig.ui.errors.size(), 3u);
    EXPECT_EQ(rig.ui.beeps, 0);
    EXPECT_TRUE(rig.log.lines().empty());
}

TEST_F(AddressRulesTest, TheEnableRuleSwitchesTheRowButNeverTheFrameOrUcBoxes) {
    s.addrEn[0].userClick();
    for (form::Control* c : std::initializer_list<form::Control*>{
             &s.address[0], &s.frame[0], &s.autoinc[0], &s.msgtype[0], &s.addrFormat[0][0],
             &s.addrFormat[0][3]})
        EXPECT_FALSE(c->enabled()) << c->name();
    EXPECT_TRUE(ucEnabled(1)) << "a disabled Private entry keeps its UC boxes";
    s.addrEn[0].userClick();
    for (form::Control* c : std::initializer_list<form::Control*>{
             &s.address[0], &s.autoinc[0], &s.msgtype[0], &s.addrFormat[0][0], &s.addrFormat[0][3]})
        EXPECT_TRUE(c->enabled()) << c->name();
    EXPECT_FALSE(s.frame[0].enabled());
}

TEST_F(AddressRulesTest, NoPublicEntryClosesEveryFolderAndOnePublicOpensTheChainHeads) {
    for (int n : {2, 3, 4})
        setType(n, false);
    expectFoldersClosed();
    EXPECT_TRUE(rig.log.lines().empty());

    setType(3, true);
    for (std::size_t f = 0; f < 16; ++f) {
        EXPECT_FALSE(s.pubboxact[f].checked()) << f;
        EXPECT_EQ(s.pubboxact[f].enabled(), f == 0 || f == 8) << f;
    }
    s.pubboxact[8].userClick();
    EXPECT_TRUE(s.pubboxact[9].enabled()) << "the folder rules run through the hooks";
}

TEST_F(AddressRulesTest, DisablingTheOnlyPublicEntryIsLikeMakingItPrivate) {
    setType(2, false);
    setType(3, false);
    EXPECT_TRUE(s.pubboxact[0].checked());
    s.addrEn[3].userClick();
    expectFoldersClosed();
    s.addrEn[3].userClick();
    EXPECT_TRUE(s.pubboxact[0].enabled());
}

TEST_F(AddressRulesTest, PlatformDecidesWhichEntriesCount) {
    s.msgtype[6].setIndex(1);
    for (int n : {2, 3, 4})
        s.msgtype[at(n)].setIndex(0);
    for (std::uint8_t platform : {0, 1, 2, 6}) {
        rig.hardwarePlatform = platform;
        for (std::size_t head : {0u, 8u})
            s.pubboxact[head].setEnabled(false);
        addresses.msgtypeChange();
        EXPECT_EQ(s.pubboxact[0].enabled(), platform >= 2) << "entry 7 counts from platform 2";
        EXPECT_EQ(s.pubboxact[8].enabled(), platform >= 2);
    }
    for (form::CheckBox& box : s.pubboxact)
        EXPECT_FALSE(box.checked()) << "the heads are offered, not ticked";
}

TEST_F(AddressRulesTest, UcBoxesFollowTheTypeOfAllEightEntries) {
    s.chbUC[7][2].setChecked(true);
    s.chbUC[1][0].setChecked(true);
    s.msgtype[7].setIndex(1); // entry 8, not counted on platform 0
    s.addrEn[1].userClick();  // disabled, "Public"
    s.addrEn[4].userClick();  // disabled, "Private"
    const bool expected[] = {true, false, false, false, true, true, true, false};
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(ucEnabled(n), expected[n - 1]) << n;
    EXPECT_TRUE(s.chbUC[7][2].checked());
    EXPECT_TRUE(s.chbUC[1][0].checked());
    setType(8, false);
    EXPECT_TRUE(ucEnabled(8));
}

} // namespace
} // namespace ccp::editor
