#include "tool/series_settle.h"

#include "form/conversion.h"
#include "jig/jig.h"
#include "tool/headless_form.h"
#include "tool/latin1.h"
#include "tool/series_run.h"

#include <algorithm>
#include <ostream>

namespace ccp::tool {
namespace {

constexpr const char* kProgram = "capcode-tool: ";
// A pager that answered but whose configuration does not read back whole.
constexpr const char* kNotWhole = "Pager Read error, please check the connection.";

int say(std::ostream& err, const std::string& reason, Outcome outcome) {
    err << kProgram << reason << '\n' << std::flush;
    return exitStatusOf(outcome);
}

// What the pager on the jig holds: its capcodes once its configuration read
// back whole, nothing when it answered without one; the reason when it could
// not be read at all (no pager, no jig), which settles nothing.
struct PagerRead {
    std::optional<std::array<std::int64_t, store::kEntries>> capcodes;
    std::string failure;
};

PagerRead readPager(const jig::JigChoice& choice, const store::SeriesStatus& series) {
    jig::OpenedJig opened = jig::openJig(choice);
    if (!opened.jig)
        return {std::nullopt, opened.reason};
    const JigServices services{opened.jig->port(), opened.jig->clock(), opened.jig->hid()};
    HeadlessForm headless(series.definition.profile, nullptr, nullptr, &services);
    StepResult step = headless.stepToPlatform(series.definition.platform);
    if (step.done()) {
        opened.jig->ready(
            {headless.form().EepromDeviceSelect, [&headless] { headless.form().LPT21Click(); }});
        step = headless.readFromPager();
    }
    (void)opened.jig->finish();
    PagerRead read;
    if (!step.done()) {
        const auto& log = headless.form().Memo1.lines();
        if (!log.empty() && log.back() == kNotWhole)
            return read;
        read.failure = "pager not read: " + printableUtf8(step.reason);
        return read;
    }
    std::array<std::int64_t, store::kEntries> capcodes{};
    try {
        for (int i = 0; i < series.definition.entries; ++i) {
            const auto e = static_cast<std::size_t>(i);
            capcodes[e] = form::strToInt(headless.form().address[e].text());
        }
    } catch (const form::ConversionError&) {
        return read; // a capcode field that holds no number holds no capcode of the series
    }
    read.capcodes = capcodes;
    return read;
}

// A verified attempt of the series recorded with the slot's capcodes: its
// pager holds them, whatever the pager on the jig holds.
std::optional<store::Record> verifiedRecord(store::Store& store, const std::string& series,
                                            const store::Doubt& d, int entries) {
    const auto found = store.records({.series = series, .capcode = d.capcodes[0]});
    if (!found.ok())
        return std::nullopt;
    for (const store::Record& r : *found.value) {
        if (r.result != "Verify OK !" || static_cast<int>(r.capcodes.size()) < entries)
            continue;
        bool same = true;
        for (int i = 0; i < entries && same; ++i) {
            try {
                same = std::stoll(r.capcodes[static_cast<std::size_t>(i)]) ==
                       d.capcodes[static_cast<std::size_t>(i)];
            } catch (const std::exception&) {
                same = false;
            }
        }
        if (same)
            return r;
    }
    return std::nullopt;
}

} // namespace

int runSettle(const SettleRequest& request, store::Store& store, std::ostream& out,
              std::ostream& err) {
    const auto found = store.series(request.series);
    if (!found.ok())
        return say(err, found.failure.message, Outcome::Failed);
    if (!*found.value)
        return say(err, "there is no series '" + request.series + "'", Outcome::Refused);
    const store::SeriesStatus& series = **found.value;
    const int entries = series.definition.entries;
    const std::vector<store::Doubt>& doubts = series.inDoubt;
    auto doubtAt = [&doubts](std::int64_t slot) {
        return std::find_if(doubts.begin(), doubts.end(),
                            [slot](const store::Doubt& d) { return d.slot == slot; });
    };
    if (request.slot && doubtAt(*request.slot) == doubts.end())
        return say(err,
                   "slot " + std::to_string(*request.slot) + " of series '" + request.series +
                       "' is not in doubt",
                   Outcome::Refused);
    if (doubts.empty())
        return say(err, "series '" + request.series + "' has no slot in doubt", Outcome::Refused);

    store::Settlement settlement = store::Settlement::Scrapped;
    auto doubt = request.slot ? doubtAt(*request.slot) : doubts.end();
    if (!request.scrapped) {
        const std::optional<jig::JigChoice> choice = jig::parseJig(*request.jig);
        const PagerRead read = readPager(*choice, series);
        if (!read.failure.empty())
            return say(err, read.failure + "; nothing settled", Outcome::Failed);
        const auto held = read.capcodes
                              ? std::find_if(doubts.begin(), doubts.end(),
                                             [&](const store::Doubt& d) {
                                                 return std::equal(d.capcodes.begin(),
                                                                   d.capcodes.begin() + entries,
                                                                   read.capcodes->begin());
                                             })
                              : doubts.end();
        if (held != doubts.end() && doubt != doubts.end() && held != doubt)
            return say(err,
                       "the pager on the jig holds the capcodes of slot " +
                           std::to_string(held->slot) + ", not of slot " +
                           std::to_string(doubt->slot) + "; nothing settled",
                       Outcome::Refused);
        if (held != doubts.end()) {
            doubt = held;
            settlement = store::Settlement::Written;
        } else {
            if (doubt == doubts.end() && doubts.size() == 1)
                doubt = doubts.begin();
            if (doubt == doubts.end()) {
                std::string slots;
                for (const store::Doubt& d : doubts)
                    slots.append(slots.empty() ? "" : ", ").append(std::to_string(d.slot));
                return say(err,
                           "the pager on the jig holds none of the slots in doubt (" + slots +
                               "); name the one it was written for with --slot",
                           Outcome::Refused);
            }
            settlement = store::Settlement::GivenBack;
            if (const auto record = verifiedRecord(store, request.series, *doubt, entries))
                return say(err,
                           "the record says a pager was verified with the capcodes of slot " +
                               std::to_string(doubt->slot) + " at " + record->time +
                               " (serial no. " + record->serial +
                               "): settle it from that pager, or with --scrapped if it is "
                               "gone; nothing settled",
                           Outcome::Refused);
        }
    }
    const store::Status settled = store.settle(request.series, doubt->slot, settlement);
    if (!settled.ok())
        return say(err, settled.failure.message, Outcome::Failed);
    static constexpr const char* kSaid[] = {
        "written: the pager holds them",
        "given back: the pager does not hold them, the next pager gets them",
        "scrapped: they are never issued again"};
    out << "slot " << doubt->slot << " (capcodes " << capcodeList(doubt->capcodes, entries)
        << "): " << kSaid[static_cast<int>(settlement)] << '\n'
        << std::flush;
    return 0;
}

} // namespace ccp::tool
