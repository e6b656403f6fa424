// The main window's model run without a window: start-up with a customer
// profile, then the steps a technician takes through the menus and controls,
// each through the same handlers as the window. A step reports Done, a file
// or pager step that failed (its log line says why), or a refusal: something
// a user could not have done at the window.
#pragma once

#include "app/tform1.h"
#include "jig/absent_port.h"
#include "link/clock.h"
#include "tool/headless_services.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace ccp::tool {

enum class Outcome {
    Done,    // exit status 0
    Failed,  // exit status 1
    Refused, // exit status 2
};

int exitStatusOf(Outcome outcome);

struct StepResult {
    Outcome outcome = Outcome::Done;
    std::string reason; // why it failed or was refused, UTF-8
    bool done() const { return outcome == Outcome::Done; }
};

// The port, clock and HID devices through which the window drives a jig;
// all outlive the form. With HID devices the jig is a USB jig: the parallel
// port is not offered, and start-up is followed by the first HID scan.
struct JigServices {
    link::PortDriver& port;
    link::Clock& clock;
    link::HidBackend* hid = nullptr;
    // The JSON-lines file that also gets every write attempt; empty: none.
    std::string productionLog = {};
    // The store of the record (see app::Services); nullptr and no failure:
    // none is kept.
    store::Store* store = nullptr;
    std::string storeFailure = {};
    std::string pendingRecords = {};
};

class HeadlessForm {
public:
    // Runs the window's start-up with `profile` (0-6). Log lines go to `log`
    // and boxes to `boxes` as they happen; nullptr keeps either quiet. With a
    // parallel jig, start-up detects it; with a USB jig the first HID scan
    // looks for it; without a jig the port is not offered.
    HeadlessForm(int profile, std::ostream* log, std::ostream* boxes,
                 const JigServices* jig = nullptr);
    ~HeadlessForm();
    HeadlessForm(const HeadlessForm&) = delete;
    HeadlessForm& operator=(const HeadlessForm&) = delete;

    app::TForm1& form() { return form_; }
    const app::TForm1& form() const { return form_; }
    HeadlessUi& ui() { return ui_; }
    const HeadlessUi& ui() const { return ui_; }

    // Platform steps until HardwarePlatform is `platform`; refused when the
    // platform item cannot be reached and the platform differs.
    StepResult stepToPlatform(int platform);
    // Help > Repair.
    StepResult toggleRepair();
    // File > Open and File > Save with `path` as the chosen file.
    StepResult load(const std::string& path);
    StepResult save(const std::string& path);
    // File > Export as text... and File > Import text... with `path` as the
    // chosen file. An import that is refused is Refused with the line, key
    // and reason; a file that cannot be read is Failed.
    StepResult exportText(const std::string& path);
    StepResult importText(const std::string& path);
    // An image file is loaded, a configuration text imported (a file that
    // reads as one).
    StepResult loadOrImport(const std::string& path);
    // Read From Pager and Write To Pager; they fail unless the log ends with
    // "Read completed" or "Verify OK !", and when start-up found no jig ready
    // (with HID devices: when the first scan took no USB jig).
    StepResult readFromPager();
    StepResult writeToPager();

    // The image as the current platform's file format lays it out: EepromImage
    // bytes, then the DecoderImage on the 5003 platforms.
    std::vector<std::uint8_t> fileBytes() const;

private:
    StepResult fileStep(form::MenuItem& item, bool (editor::ImageFiles::*step)(const std::string&),
                        const std::string& path);
    StepResult pagerStep(form::MenuItem& item, bool (ops::PagerOperations::*step)());
    // Runs `step` as the window's event; on failure the reason is the last
    // log line after the first `linesBefore` ones, or else the last box.
    StepResult failedBecause(const std::function<bool()>& step, std::size_t linesBefore);

    bool usb_;
    HeadlessUi ui_;
    jig::AbsentPort absentPort_;
    link::SteadyClock ownClock_;
    HeadlessOsInfo os_;
    app::TForm1 form_;
    LogEcho echo_;
};

// A refusal naming the control: "NAME: reason".
StepResult refused(const std::string& control, const std::string& reason);

} // namespace ccp::tool
