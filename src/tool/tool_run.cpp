#include "tool/tool_run.h"

#include "tool/image_diff.h"
#include "tool/json_report.h"

#include <ostream>

namespace ccp::tool {
namespace {

constexpr const char* kProgram = "capcode-tool: ";

StepResult runAll(HeadlessForm& headless, const RunRequest& request) {
    StepResult step;
    if (request.platform)
        step = headless.stepToPlatform(*request.platform);
    if (step.done() && request.repair)
        step = headless.toggleRepair();
    if (step.done() && request.load) {
        step = headless.load(*request.load);
        if (!step.done())
            step.reason = *request.load + " not loaded: " + step.reason;
    }
    for (const Assignment& setting : request.settings) {
        if (!step.done())
            break;
        step = applySetting(headless, setting);
    }
    if (step.done() && request.save) {
        step = headless.save(*request.save);
        if (!step.done())
            step.reason = *request.save + " not saved: " + step.reason;
    }
    return step;
}

} // namespace

int runSteps(const RunRequest& request, std::ostream& out, std::ostream& err) {
    HeadlessForm headless(request.profile, request.json ? nullptr : &out, &err);
    const StepResult step = runAll(headless, request);
    out.flush();
    if (!step.done())
        err << kProgram << step.reason << '\n' << std::flush;
    // A refused run shows no state: it is not what the steps asked for.
    if (request.json && step.outcome != Outcome::Refused)
        out << reportJson(headless).dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    out.flush();
    return exitStatusOf(step.outcome);
}

int runDiff(const DiffRequest& request, std::ostream& out, std::ostream& err) {
    HeadlessForm a(request.profile, nullptr, nullptr);
    HeadlessForm b(request.profile, nullptr, nullptr);
    for (auto [form, file] : {std::pair{&a, &request.fileA}, std::pair{&b, &request.fileB}}) {
        StepResult step = request.platform ? form->stepToPlatform(*request.platform) : StepResult{};
        if (step.done()) {
            step = form->load(*file);
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
