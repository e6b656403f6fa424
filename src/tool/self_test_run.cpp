#include "tool/self_test_run.h"

#include "editor/image_files.h"
#include "jig/jig.h"
#include "link/ppdev_port_driver.h"
#include "tool/headless_form.h"
#include "tool/self_test.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace ccp::tool {
namespace {

constexpr const char* kProgram = "capcode-tool: ";

std::vector<Check> onParallelPort(jig::JigKind kind, const PagerExpectation& pager) {
    const bool lpt2 = kind == jig::JigKind::Lpt2;
    link::PpdevPortDriver driver;
    link::SteadyClock clock;
    ParallelBench bench{driver, clock, lpt2 ? link::kLpt2Base : link::kLpt1Base, [&] {
                            return portAccessFailure(driver.lastError(),
                                                     driver.nodePath(driver.lastErrorNode()));
                        }};
    std::vector<Check> checks = parallelSelfTest(bench, pager);
    driver.shutdown();
    return checks;
}

} // namespace

void addSelfTestCommand(CLI::App& app, SelfTestOptions& options) {
    options.command = app.add_subcommand(
        "selftest", "check the jig and the pager's chips without writing to the pager");
    options.command
        ->add_option("--jig", options.jig,
                     "the jig to check: lpt1, lpt2, usb, sim:FILE or "
                     "sim-usb:FILE")
        ->type_name("JIG")
        ->required();
    options.command
        ->add_option("--profile", options.profile,
                     "customer profile 0-6 (default: the build's start profile)")
        ->check(CLI::Range(0, 6));
    options.command
        ->add_option("--platform", options.platform,
                     "the pager's platform 0-6: its EEPROM address, and a decoder on 0-1")
        ->check(CLI::Range(0, 6));
}

int runSelfTest(const SelfTestOptions& options, int profile, std::ostream& out, std::ostream& err) {
    const int usageError = exitStatusOf(Outcome::Refused);
    const std::optional<jig::JigChoice> choice = jig::parseJig(options.jig);
    if (!choice) {
        err << kProgram << "--jig takes " << jig::kJigForms << ", not '" << options.jig << "'\n";
        return usageError;
    }
    HeadlessForm headless(options.profile.value_or(profile), nullptr, nullptr);
    PagerExpectation pager;
    if (options.platform) {
        const StepResult step = headless.stepToPlatform(*options.platform);
        if (!step.done()) {
            err << kProgram << step.reason << '\n';
            return usageError;
        }
        pager.platform = options.platform;
        pager.decoder = editor::fileFormatOf(*options.platform).withDecoder;
    }
    pager.deviceSelect = headless.form().EepromDeviceSelect;

    std::vector<Check> checks;
    if (choice->kind == jig::JigKind::Lpt1 || choice->kind == jig::JigKind::Lpt2) {
        checks = onParallelPort(choice->kind, pager);
    } else {
        // The virtual pager's file is not kept: finish() is never called.
        jig::OpenedJig opened = jig::openJig(*choice);
        if (!opened.jig) {
            err << kProgram << opened.reason << '\n';
            return usageError;
        }
        opened.jig->ready(
            {headless.form().EepromDeviceSelect, [&headless] { headless.form().LPT21Click(); }});
        if (link::HidBackend* hid = opened.jig->hid())
            checks = usbSelfTest(*hid, pager);
        else
            checks = parallelSelfTest(
                {opened.jig->port(), opened.jig->clock(), link::kLpt1Base,
                 [] {
                     return PortAccessFailure{"the virtual port refused", "never expected"};
                 }},
                pager);
    }
    const bool passed = printChecks(checks, out);
    out.flush();
    return passed ? 0 : exitStatusOf(Outcome::Failed);
}

} // namespace ccp::tool
