#include "tool/tool_run.h"

#include "jig/tracing_hid.h"
#include "jig/tracing_port.h"
#include "ops/stored_records.h"
#include "tool/image_diff.h"
#include "tool/json_report.h"
#include "tool/series_run.h"

#include <algorithm>
#include <fstream>
#include <ostream>

namespace ccp::tool {
namespace {

constexpr const char* kProgram = "capcode-tool: ";

StepResult withReason(StepResult step, const std::string& prefix) {
    if (!step.done())
        step.reason = prefix + step.reason;
    return step;
}

StepResult runAll(HeadlessForm& headless, jig::Jig* jig, const RunRequest& request,
                  SeriesPager* series) {
    StepResult step;
    if (request.platform)
        step = headless.stepToPlatform(*request.platform);
    if (step.done() && request.repair)
        step = headless.toggleRepair();
    if (step.done() && jig != nullptr)
        jig->ready(
            {headless.form().EepromDeviceSelect, [&headless] { headless.form().LPT21Click(); }});
    if (step.done() && request.read)
        step = withReason(headless.readFromPager(), "pager not read: ");
    if (step.done() && request.load)
        step = withReason(headless.load(*request.load), *request.load + " not loaded: ");
    if (step.done() && request.importText)
        step = withReason(headless.importText(*request.importText),
                          *request.importText + " not imported: ");
    for (const Assignment& setting : request.settings) {
        if (!step.done())
            break;
        step = applySetting(headless, setting);
    }
    if (step.done() && series != nullptr) {
        step = series->reserve(headless);
        headless.form().pagerOperations.setBeforeSending([series] { return series->sending(); });
    }
    if (step.done() && request.write)
        step = withReason(headless.writeToPager(), "pager not written: ");
    if (series != nullptr) {
        const StepResult finished = series->finish(step.done() && request.write);
        if (step.done())
            step = finished;
    }
    if (step.done() && request.save)
        step = withReason(headless.save(*request.save), *request.save + " not saved: ");
    if (step.done() && request.exportText)
        step = withReason(headless.exportText(*request.exportText),
                          *request.exportText + " not exported: ");
    return step;
}

// The trace file and the port or HID back-end that writes it, when the run
// has one.
struct Trace {
    std::ofstream file;
    std::optional<jig::TracingPort> port;
    std::optional<jig::TracingHidBackend> hid;
    bool active() const { return port || hid; }
};

// A run refused before the window started has no state to show.
void printErrorOnly(const RunRequest& request, const std::string& reason, std::ostream& out) {
    if (request.json)
        printJson(withError(Json::object(), reason), out);
}

} // namespace

int runSteps(const RunRequest& given, std::ostream& out, std::ostream& err) {
    const int refusedStatus = exitStatusOf(Outcome::Refused);
    RunRequest request = given;
    // The record goes to the store; what it cannot take waits in the pending
    // JSON-lines file.
    std::unique_ptr<store::Store> store;
    std::string storeFailure;
    const std::string pending = ops::defaultProductionLogPath();
    if (request.write) {
        auto openedStore = ops::openProductionStore(request.db, pending);
        if (openedStore.ok())
            store = std::move(*openedStore.value);
        else
            storeFailure = openedStore.failure.message;
    }
    std::optional<store::SeriesStatus> seriesStatus;
    std::optional<SeriesPager> series;
    if (request.series) {
        std::string reason = storeFailure;
        Outcome outcome = Outcome::Failed;
        if (store) {
            auto found = store->series(*request.series);
            if (!found.ok()) {
                reason = found.failure.message;
            } else if (!*found.value) {
                reason = "there is no series '" + *request.series + "'";
                outcome = Outcome::Refused;
            } else {
                seriesStatus = std::move(**found.value);
                series.emplace(*store, *seriesStatus);
                if (std::optional<std::string> file = series->templateFile(reason)) {
                    request.profile = seriesStatus->definition.profile;
                    request.platform = seriesStatus->definition.platform;
                    request.load = *file;
                    reason.clear();
                }
            }
        }
        if (!reason.empty()) {
            err << kProgram << reason << '\n' << std::flush;
            printErrorOnly(request, reason, out);
            return exitStatusOf(outcome);
        }
    }
    jig::OpenedJig opened;
    if (request.jig) {
        opened = jig::openJig(*request.jig);
        if (!opened.jig) {
            err << kProgram << opened.reason << '\n' << std::flush;
            printErrorOnly(request, opened.reason, out);
            return refusedStatus;
        }
    }
    Trace trace;
    if (request.trace && opened.jig) {
        trace.file.open(*request.trace, std::ios::binary | std::ios::trunc);
        if (!trace.file) {
            const std::string reason = *request.trace + ": cannot write the trace there";
            err << kProgram << reason << '\n' << std::flush;
            printErrorOnly(request, reason, out);
            return refusedStatus;
        }
        if (link::HidBackend* hid = opened.jig->hid())
            trace.hid.emplace(*hid, opened.jig->clock(), trace.file);
        else
            trace.port.emplace(opened.jig->port(), opened.jig->clock(), trace.file);
    }
    std::optional<JigServices> jig;
    if (opened.jig) {
        link::HidBackend* hid = opened.jig->hid();
        if (hid != nullptr && trace.hid)
            hid = &*trace.hid;
        jig.emplace(trace.port ? *trace.port : opened.jig->port(), opened.jig->clock(), hid,
                    request.productionLog, store.get(), storeFailure, pending);
    }

    HeadlessForm headless(request.profile, request.json ? nullptr : &out, &err,
                          jig ? &*jig : nullptr);
    headless.ui().setAnswer(request.answerYes);
    if (request.series)
        headless.form().records.setSeries(*request.series);
    const StepResult step =
        runAll(headless, opened.jig.get(), request, series ? &*series : nullptr);
    out.flush();
    // The first reason the run did not succeed; the document carries it.
    std::string error;
    if (!step.done()) {
        err << kProgram << step.reason << '\n' << std::flush;
        error = step.reason;
    }
    int status = exitStatusOf(step.outcome);
    const int failedStatus = exitStatusOf(Outcome::Failed);
    if (opened.jig) {
        if (const std::optional<std::string> reason = opened.jig->finish()) {
            err << kProgram << *reason << '\n' << std::flush;
            status = std::max(status, failedStatus);
            if (error.empty())
                error = *reason;
        }
    }
    // A pager without its record is said (above, as the record was lost) and
    // is no success, whatever the write did.
    if (headless.form().records.lost() > 0) {
        status = std::max(status, failedStatus);
        if (error.empty())
            error = "the production record was lost; put this pager aside";
    }
    if (trace.active())
        trace.file.close();
    if (trace.active() && trace.file.fail()) {
        const std::string reason = *request.trace + ": the trace could not be written whole";
        err << kProgram << reason << '\n' << std::flush;
        status = std::max(status, failedStatus);
        if (error.empty())
            error = reason;
    }
    if (request.json)
        printJson(withError(reportJson(headless), error), out);
    out.flush();
    return status;
}

int runDiff(const DiffRequest& request, std::ostream& out, std::ostream& err) {
    HeadlessForm a(request.profile, nullptr, nullptr);
    HeadlessForm b(request.profile, nullptr, nullptr);
    for (auto [form, file] : {std::pair{&a, &request.fileA}, std::pair{&b, &request.fileB}}) {
        StepResult step = request.platform ? form->stepToPlatform(*request.platform) : StepResult{};
        if (step.done()) {
            step = form->loadOrImport(*file);
            if (!step.done())
                step.reason = *file + " not loaded: " + step.reason;
        }
        if (!step.done()) {
            err << kProgram << step.reason << '\n' << std::flush;
            return exitStatusOf(Outcome::Refused);
        }
    }
    const ImageDiff diff = diffForms(a, b);
    printDiff(diff, out);
    out.flush();
    return diff.empty() ? 0 : 1;
}

} // namespace ccp::tool
