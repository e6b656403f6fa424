#include "tool/station_run.h"

#include "ops/placement_probe.h"
#include "ops/production_log.h"
#include "ops/stored_records.h"
#include "tool/json_report.h"
#include "tool/series_run.h"
#include "tool/user_setting.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <ostream>

namespace ccp::tool {
namespace {

constexpr const char* kProgram = "capcode-tool: ";
constexpr long kLookIntervalMs = 500;
constexpr long kSignalCheckMs = 50;

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

// SIGINT and SIGTERM only ask the station to stop; the handlers before are
// put back when it ends. Interrupted system calls restart, so that a store
// or file write under way is not cut short by the signal.
class StopSignals {
public:
    StopSignals() {
        stopRequested = 0;
        struct sigaction action {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &int_);
        sigaction(SIGTERM, &action, &term_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &int_, nullptr);
        sigaction(SIGTERM, &term_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction int_ {};
    struct sigaction term_ {};
};

// Real time, whatever clock the jig runs on: a person places the pagers.
void idleFor(long ms) {
    for (long left = ms; left > 0 && stopRequested == 0; left -= kSignalCheckMs) {
        const long slice = left < kSignalCheckMs ? left : kSignalCheckMs;
        timespec wait{0, slice * 1'000'000L};
        while (::nanosleep(&wait, &wait) != 0 && errno == EINTR && stopRequested == 0) {
        }
    }
}

struct PagerOutcome {
    bool attempted = false; // the write started (a record was made)
    bool verified = false;
    std::string capcodes; // the reserved capcodes, or empty
    std::string reason;   // why it failed
    std::string settle;   // what the store could not be told, or empty
};

class Station {
public:
    Station(const RunRequest& request, HeadlessForm& headless, jig::Jig& jig, store::Store& store,
            const store::SeriesStatus& series, std::string templateFile, std::ostream& out,
            std::ostream& err)
        : request_(request), headless_(headless), jig_(jig), store_(store), series_(series),
          template_(std::move(templateFile)), out_(out), err_(err) {}

    int run();

private:
    PagerOutcome writeOne();
    void report(int number, const PagerOutcome& outcome);
    void say(const std::string& text) { err_ << kProgram << text << '\n' << std::flush; }

    const RunRequest& request_;
    HeadlessForm& headless_;
    jig::Jig& jig_;
    store::Store& store_;
    const store::SeriesStatus& series_;
    std::string template_;
    std::ostream& out_;
    std::ostream& err_;
};

// The window is loaded from the template for every pager, so that nothing
// one pager's write read from it (its firmware, its options) reaches the next.
PagerOutcome Station::writeOne() {
    PagerOutcome outcome;
    StepResult step = headless_.load(template_);
    for (const Assignment& setting : request_.settings) {
        if (!step.done())
            break;
        step = applySetting(headless_, setting);
    }
    if (!step.done()) {
        outcome.reason = step.reason;
        return outcome;
    }
    SeriesPager pager(store_, series_);
    if (StepResult reserved = pager.reserve(headless_); !reserved.done()) {
        outcome.reason = reserved.reason;
        return outcome;
    }
    outcome.capcodes = line::capcodeList(pager.reservation()->capcodes, series_.definition.entries);
    app::TForm1& form = headless_.form();
    form.pagerOperations.setBeforeSending([&pager] { return pager.sending(); });
    outcome.attempted = true;
    const StepResult written = headless_.writeToPager();
    form.pagerOperations.setBeforeSending({});
    outcome.verified = written.done();
    if (!written.done())
        outcome.reason = written.reason;
    if (StepResult finished = pager.finish(outcome.verified); !finished.done())
        outcome.settle = finished.reason;
    if (std::optional<std::string> why = jig_.keep())
        outcome.settle += (outcome.settle.empty() ? "" : "; ") + *why;
    return outcome;
}

void Station::report(int number, const PagerOutcome& outcome) {
    const std::string& name = series_.definition.name;
    if (request_.json) {
        Json line = Json::object();
        line["pager"] = number;
        line["series"] = name;
        line["verified"] = outcome.verified;
        line["capcodes"] = outcome.capcodes;
        if (!outcome.verified) {
            line["error"] = outcome.reason;
            line["given_back"] = outcome.settle.empty();
        }
        if (!outcome.settle.empty())
            line["store"] = outcome.settle;
        out_ << line.dump() << '\n' << std::flush;
        return;
    }
    std::string text = name + " pager " + std::to_string(number) + ": ";
    if (outcome.verified)
        text += "verified, capcodes " + outcome.capcodes;
    else if (outcome.capcodes.empty())
        text += "not written: " + outcome.reason;
    else
        text += "failed: " + outcome.reason + "; capcodes " + outcome.capcodes +
                (outcome.settle.empty() ? " given back" : " not given back");
    if (!outcome.settle.empty())
        text += "; " + outcome.settle;
    out_ << text << '\n' << std::flush;
}

int Station::run() {
    app::TForm1& form = headless_.form();
    ops::PlacementProbe probe(form.pagerOperations, form.transfers, form.EepromDeviceSelect);
    say("station on series " + series_.definition.name + ": place a pager on the jig (" +
        (request_.json ? "" : "Ctrl+C or ") + "SIGTERM stops it)");
    bool armed = true;
    int pagers = 0;
    int status = 0;
    std::string trouble;
    while (stopRequested == 0) {
        const ops::Placement placement = probe.look();
        std::string now;
        if (placement == ops::Placement::JigFailed) {
            now = jig_.fault();
            if (now.empty())
                now = "the jig does not answer; check its cable and power";
        }
        if (now != trouble && !now.empty())
            say(now);
        else if (now != trouble)
            say("the jig answers again");
        trouble = now;
        if (placement == ops::Placement::Absent)
            armed = true;
        if (placement == ops::Placement::OtherPlatform && armed) {
            armed = false;
            say("the pager on the jig is not written: it answers another device select than "
                "platform " +
                std::to_string(series_.definition.platform) +
                " pagers do; take it off and place a pager of the series' platform");
        }
        if (placement == ops::Placement::Present && armed) {
            armed = false;
            const PagerOutcome outcome = writeOne();
            if (outcome.attempted || !outcome.capcodes.empty())
                report(++pagers, outcome);
            if (!outcome.attempted) {
                // Nothing was reserved (no capcodes left, the store failed,
                // the template or a --set refused): nothing was sent.
                say("station stopped: " + outcome.reason);
                status = 1;
                break;
            }
            if (!outcome.settle.empty() || form.records.lost() > 0) {
                say("station stopped: " + (outcome.settle.empty()
                                               ? std::string("the production record was lost; "
                                                             "put this pager aside")
                                               : outcome.settle));
                status = 1;
                break;
            }
        }
        idleFor(kLookIntervalMs);
    }
    probe.stop();
    if (stopRequested != 0)
        say("station stopped after " + std::to_string(pagers) + " pager" +
            (pagers == 1 ? "" : "s"));
    return status;
}

} // namespace

int runStation(const RunRequest& request, std::ostream& out, std::ostream& err) {
    const int refusedStatus = exitStatusOf(Outcome::Refused);
    const int failedStatus = exitStatusOf(Outcome::Failed);
    const StopSignals signals;
    const std::string pending = ops::defaultProductionLogPath();
    auto openedStore = ops::openProductionStore(request.db, pending);
    if (!openedStore.ok()) {
        err << kProgram << openedStore.failure.message << '\n' << std::flush;
        return failedStatus;
    }
    std::unique_ptr<store::Store> store = std::move(*openedStore.value);
    auto found = store->series(*request.series);
    if (!found.ok()) {
        err << kProgram << found.failure.message << '\n' << std::flush;
        return failedStatus;
    }
    if (!*found.value) {
        err << kProgram << "there is no series '" << *request.series << "'\n" << std::flush;
        return refusedStatus;
    }
    const store::SeriesStatus series = std::move(**found.value);
    if (series.exhausted) {
        err << kProgram << "series '" << series.definition.name
            << "' has no capcodes left; nothing is written\n"
            << std::flush;
        return failedStatus;
    }
    SeriesPager templateOwner(*store, series);
    std::string reason;
    const std::optional<std::string> templateFile = templateOwner.templateFile(reason);
    if (!templateFile) {
        err << kProgram << reason << '\n' << std::flush;
        return failedStatus;
    }
    jig::OpenedJig opened = jig::openJig(*request.jig);
    if (!opened.jig) {
        err << kProgram << opened.reason << '\n' << std::flush;
        return refusedStatus;
    }
    const JigServices services{opened.jig->port(),
                               opened.jig->clock(),
                               opened.jig->hid(),
                               request.productionLog,
                               store.get(),
                               std::string(),
                               pending};
    HeadlessForm headless(series.definition.profile, nullptr, &err, &services);
    headless.ui().setAnswer(request.answerYes);
    headless.form().records.setSeries(series.definition.name);
    StepResult step = headless.stepToPlatform(series.definition.platform);
    if (!step.done()) {
        err << kProgram << step.reason << '\n' << std::flush;
        return exitStatusOf(step.outcome);
    }
    opened.jig->ready(
        {headless.form().EepromDeviceSelect, [&headless] { headless.form().LPT21Click(); }});
    Station station(request, headless, *opened.jig, *store, series, *templateFile, out, err);
    int status = station.run();
    if (const std::optional<std::string> why = opened.jig->finish()) {
        err << kProgram << *why << '\n' << std::flush;
        status = failedStatus;
    }
    return status;
}

} // namespace ccp::tool
