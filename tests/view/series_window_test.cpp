// A series in the window: its capcodes and steps cannot be changed while it
// is open; a write reserves, confirms or gives back and records with the
// series' name; a series that cannot be written from is refused; the
// station writes once per placement and never looks during an operation;
// the Records view narrows as typed and exports what it shows.
#include "line/series_pager.h"
#include "support/pager_rig.h"
#include "support/temp_dir.h"
#include "view/main_window.h"
#include "view/records_dialog.h"
#include "view/series_menu.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <deque>
#include <gtest/gtest.h>

namespace ccp::view {
namespace {

using testing::PagerRig;
using testing::TempDir;

constexpr int kProfile = 1;
constexpr int kPlatform = 6;

// The window on a virtual pager, a store, and series "S" made from the
// window with capcodes 100000, 200000, ... stepping by 1.
struct SeriesRig {
    explicit SeriesRig(bool pager = true) {
        if (pager)
            rig.startWithPagerImage(kProfile, kPlatform);
        else
            rig.startOn(kProfile, kPlatform);
        windowStore.emplace(form(), dir.file("store.db"), std::string());
        series.emplace(form());
        std::string failure;
        store = windowStore->get(failure);
        EXPECT_NE(store, nullptr) << failure;
        for (std::size_t i = 0; i < form().address.size(); ++i) {
            form().address[i].setText(std::to_string((i + 1) * 100000));
            form().autoinc[i].setIndex(1);
        }
        std::string reason;
        const auto definition = line::seriesOfWindowNow(form(), "S", reason);
        EXPECT_TRUE(definition) << reason;
        EXPECT_TRUE(store->createSeries(*definition).ok());
    }
    app::TForm1& form() { return *rig.form; }
    store::SeriesStatus status(const std::string& name = "S") {
        return **store->series(name).value;
    }
    std::vector<store::Record> records() { return *store->records({}).value; }

    TempDir dir;
    PagerRig rig;
    std::optional<WindowStore> windowStore;
    store::Store* store = nullptr;
    std::optional<line::WindowSeries> series;
};

TEST(SeriesWindow, CapcodesAndStepsAreTheSeriesAndCannotBeChangedUntilItCloses) {
    SeriesRig s;
    app::TForm1& form = s.form();
    ASSERT_EQ(s.series->open(*s.store, "S"), std::nullopt);
    form.address[0].setText("0100000");
    // What a person can do to the fields: type over a capcode, switch an
    // entry off and on (which enables its step again).
    form.address[0].userType('9');
    form.addrEn[2].userClick();
    form.addrEn[2].userClick();
    for (std::size_t i = 0; i < form.address.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(form.address[i].readOnly());
        EXPECT_FALSE(form.autoinc[i].enabled());
        EXPECT_EQ(form.autoinc[i].text(), "1");
    }
    EXPECT_EQ(form.address[0].text(), "0100000");
    EXPECT_EQ(s.series->statusText(), "Series S: written 0, failed 0, next 100000 200000 300000 "
                                      "400000 500000 600000 700000 800000");
    s.series->close();
    form.addrEn[2].userClick();
    form.addrEn[2].userClick();
    for (std::size_t i = 0; i < form.address.size(); ++i) {
        EXPECT_FALSE(form.address[i].readOnly());
        EXPECT_EQ(form.autoinc[i].enabled(), form.addrEn[i].checked());
    }
}

TEST(SeriesWindow, AWriteReservesThenConfirmsOrGivesBackAndRecordsTheSeries) {
    struct Case {
        const char* name;
        bool pager;
        bool verified;
        std::int64_t nextFirst; // entry 1's next capcode afterwards
    };
    const Case cases[] = {
        {"a pager on the jig", true, true, 100001},
        {"no pager on the jig", false, false, 100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SeriesRig s(c.pager);
        ASSERT_EQ(s.series->open(*s.store, "S"), std::nullopt);
        const auto beepsBefore = s.rig.ui.beeps;
        s.form().WriteToPager.userClick();
        const auto& result = s.series->lastResult();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->verified, c.verified) << result->text;
        if (c.verified) {
            EXPECT_EQ(result->text, "100000 200000 300000 400000 500000 600000 700000 800000");
        }
        EXPECT_GT(s.rig.ui.beeps, beepsBefore);
        const store::SeriesStatus status = s.status();
        EXPECT_EQ(status.written, c.verified ? 1 : 0);
        EXPECT_EQ(status.failed, c.verified ? 0 : 1);
        EXPECT_EQ(status.reserved, 0);
        EXPECT_TRUE(status.inDoubt.empty());
        EXPECT_EQ(status.next[0], c.nextFirst);
        // The fields show the next pager's capcodes, as the store hands them.
        EXPECT_EQ(s.form().address[0].text(), "0" + std::to_string(c.nextFirst));
        const auto records = s.records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].series, "S");
        EXPECT_EQ(records[0].capcodes.at(0), "0100000");
        EXPECT_EQ(records[0].result == "Verify OK !", c.verified) << records[0].result;
        if (c.verified) {
            EXPECT_TRUE(std::equal(s.form().EepromImage.begin(), s.form().EepromImage.end(),
                                   s.rig.eeprom->memory().begin()));
        }
    }
}

TEST(SeriesWindow, ASeriesThatCannotBeWrittenFromIsRefusedAndNothingIsWritten) {
    SeriesRig s;
    // "last": one pager's capcodes left, which another bench takes once the
    // window has the series open.
    store::SeriesDefinition last = s.status().definition;
    last.name = "last";
    last.first[0] = 2097143;
    store::SeriesDefinition other = last;
    other.name = "other profile";
    other.profile = 3;
    ASSERT_TRUE(s.store->createSeries(last).ok());
    ASSERT_TRUE(s.store->createSeries(other).ok());
    const auto pager = s.rig.eeprom->memory();

    struct Refusal {
        const char* name;
        const char* says;
    };
    const Refusal refusals[] = {{"gone", "Series not opened: there is no series 'gone'"},
                                {"other profile", "is for customer profile 3"}};
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(s.series->open(*s.store, r.name));
        EXPECT_FALSE(s.series->isOpen());
        ASSERT_FALSE(s.rig.ui.errors.empty());
        EXPECT_NE(s.rig.ui.errors.back().find(r.says), std::string::npos) << s.rig.ui.errors.back();
        EXPECT_EQ(s.form().Memo1.lines().back(), s.rig.ui.errors.back());
    }

    ASSERT_EQ(s.series->open(*s.store, "last"), std::nullopt);
    const auto taken = s.store->reserve("last");
    ASSERT_TRUE(taken.ok());
    s.form().WriteToPager.userClick();
    EXPECT_EQ(s.rig.ui.errors.back(), "Series closed: series 'last' has no capcodes left");
    EXPECT_FALSE(s.series->isOpen());
    EXPECT_FALSE(s.series->lastResult());
    EXPECT_EQ(s.rig.eeprom->memory(), pager);
    EXPECT_TRUE(s.records().empty());
    EXPECT_TRUE(s.series->open(*s.store, "last"));
}

// The station's looks, scripted; each one taken outside every event.
TEST(SeriesWindow, OnePlacementIsOneWriteAndNoLookFallsInsideAnOperation) {
    SeriesRig s;
    MainWindow window(s.form());
    SeriesMenu menu(window, s.rig.ui, *s.windowStore, QString());
    using ops::Placement;
    struct Look {
        Placement placement;
        int attempts; // pagers attempted after it
    };
    // Found on the jig when switched on, written only once placed again;
    // a jig that failed meanwhile does not make the pager on it new.
    const Look looks[] = {
        {Placement::Present, 0}, {Placement::Absent, 0},        {Placement::Present, 1},
        {Placement::Present, 1}, {Placement::JigFailed, 1},     {Placement::Present, 1},
        {Placement::Absent, 1},  {Placement::OtherPlatform, 1}, {Placement::Present, 1},
        {Placement::Absent, 1},  {Placement::Present, 2},       {Placement::Present, 2},
    };
    std::deque<Placement> script;
    int unheld = 0; // looks that let a USB notice in
    menu.setProbe({[&] {
                       unheld += s.form().HidCtl.NoticesWait() ? 0 : 1;
                       const Placement p = script.front();
                       script.pop_front();
                       return p;
                   },
                   {},
                   {}});
    ASSERT_EQ(menu.series().open(*s.store, "S"), std::nullopt);
    menu.menu()->findChild<QAction*>("StartOnPlacement")->setChecked(true);
    for (const Look& look : looks) {
        script.push_back(look.placement);
        menu.probeOnce();
        EXPECT_TRUE(script.empty());
        EXPECT_EQ(menu.series().attempts(), look.attempts);
    }
    // A look asked for while an operation (any event) runs is not taken.
    script.push_back(Placement::Absent);
    s.form().dispatch([&] { menu.probeOnce(); });
    EXPECT_EQ(script.size(), 1u);
    EXPECT_EQ(unheld, 0);
    EXPECT_EQ(s.rig.ui.errors.size(), 1u); // the pager of another platform
    EXPECT_EQ(s.status().written, 2);
}

TEST(RecordsView, NarrowsAsTypedNewestFirstAndExportsWhatItShows) {
    TempDir dir;
    auto opened = store::Store::open(dir.file("store.db"));
    ASSERT_TRUE(opened.ok());
    store::Store& store = **opened.value;
    const char* lines[] = {
        R"({"id":"a1","time":"2026-12-08T10:00:00Z","serial":"00001234","capcodes":[{"capcode":"0100000","enabled":true}],"result":"Verify OK !","series":"Line A"})",
        R"({"id":"a2","time":"2026-12-08T11:00:00Z","serial":"00005678","capcodes":[{"capcode":"0100001","enabled":true}],"result":"Verify fail !","series":"Line A"})",
        R"({"id":"b1","time":"2026-12-08T12:00:00Z","serial":"00009999","capcodes":[{"capcode":"0777000","enabled":true}],"result":"Verify OK !","series":"other"})",
    };
    for (const char* line : lines)
        ASSERT_TRUE(store.append(store::recordFromJsonLine(line)).ok());
    testing::RecordingUi ui;
    RecordsDialog dialog(nullptr, store, ui, QString());
    struct Filter {
        const char* typed;
        std::vector<std::string> ids; // shown, in order
    };
    const Filter filters[] = {
        {"", {"b1", "a2", "a1"}}, {"line a", {"a2", "a1"}}, {"10000", {"a2", "a1"}},
        {"5678", {"a2"}},         {"777", {"b1"}},          {"nothing", {}},
    };
    for (const Filter& f : filters) {
        SCOPED_TRACE(f.typed);
        dialog.filter()->setText(f.typed);
        std::vector<std::string> shown;
        for (const store::Record* r : dialog.shown())
            shown.push_back(r->id);
        EXPECT_EQ(shown, f.ids);
    }
    dialog.filter()->setText("Line A");
    ui.paths.push_back(dir.file("export.jsonl"));
    dialog.exportShown();
    const auto bytes = TempDir::read(dir.file("export.jsonl"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              std::string(lines[1]) + "\n" + lines[0] + "\n");
}

} // namespace
} // namespace ccp::view
