#include "tool/pager_diff.h"

#include "tool/headless_form.h"
#include "tool/latin1.h"

#include <ostream>

namespace ccp::tool {

namespace {

constexpr const char* kProgram = "capcode-tool: ";

} // namespace

int runPagerDiff(const PagerDiffRequest& request, std::ostream& out, std::ostream& err) {
    const int refusedStatus = exitStatusOf(Outcome::Refused);
    jig::OpenedJig opened = jig::openJig(request.jig);
    if (!opened.jig) {
        err << kProgram << opened.reason << '\n';
        return refusedStatus;
    }
    const JigServices services{opened.jig->port(), opened.jig->clock(), opened.jig->hid()};
    HeadlessForm headless(request.profile, nullptr, &err, &services);
    StepResult step = request.platform ? headless.stepToPlatform(*request.platform) : StepResult{};
    if (step.done())
        step = headless.load(request.file);
    if (!step.done()) {
        err << kProgram << request.file << " not loaded: " << step.reason << '\n';
        opened.jig->finish();
        return refusedStatus;
    }
    opened.jig->ready(
        {headless.form().EepromDeviceSelect, [&headless] { headless.form().LPT21Click(); }});
    const std::size_t logged = headless.form().Memo1.lines().size();
    const auto lines = headless.form().CompareWithPagerClick();
    if (const std::optional<std::string> reason = opened.jig->finish())
        err << kProgram << *reason << '\n';
    if (!lines) {
        const auto& log = headless.form().Memo1.lines();
        err << kProgram << "pager not read: "
            << printableUtf8(log.size() > logged ? log.back() : std::string("no line")) << '\n';
        return refusedStatus;
    }
    for (const std::string& line : *lines)
        out << printableUtf8(line) << '\n';
    out.flush();
    return lines->empty() ? 0 : 1;
}

} // namespace ccp::tool
