// The jig the window drives, as --jig names it. Without a word the window is
// as it always was: the parallel port probed at start-up, USB jigs watched.
// lpt1, lpt2 and usb drive that real jig alone; sim:FILE and sim-usb:FILE a
// virtual pager at a real pager's pace, kept in FILE after each operation. A
// word that names no jig, or a FILE the window could not keep, leaves the
// window without a jig (read and write grey) and is said in the log and a box.
#pragma once

#include "app/tform1.h"
#include "jig/absent_port.h"
#include "jig/jig.h"
#include "link/clock.h"
#include "link/hidapi_backend.h"
#include "link/os_info.h"
#include "link/ppdev_port_driver.h"

#include <memory>
#include <optional>
#include <string>

namespace ccp::view {

// The system's decimal separator with the parallel-port policy a jig sets.
class JigOsInfo final : public link::OsInfo {
public:
    explicit JigOsInfo(link::ParallelPortPolicy policy) : policy_(policy) {}
    link::ParallelPortPolicy parallelPortPolicy() const override { return policy_; }
    char decimalSeparator() const override { return locale_.decimalSeparator(); }

private:
    link::ParallelPortPolicy policy_;
    link::LinuxOsInfo locale_;
};

// What the window does while the kernel keeps a port claim waiting: paints
// and runs its timers, the person's input left for later (an operation's
// own repaints do the same), so that the window manager never finds it not
// responding.
void keepWindowEventsGoing();

class WindowJig {
public:
    // `word`: the --jig value; nothing without --jig.
    explicit WindowJig(const std::optional<std::string>& word);
    WindowJig(const WindowJig&) = delete;
    WindowJig& operator=(const WindowJig&) = delete;

    // The port, clock, system and HID devices the window runs on; all live as
    // long as this object.
    app::Services services(form::UserInterface& ui, std::string productionLog);

    // After start-up: readies the jig and appends the line that names the
    // virtual pager, or greys the pager operations and appends why the jig
    // was refused.
    void started(app::TForm1& form);
    // Why the --jig word was refused; empty when it was not.
    const std::string& refusal() const { return refusal_; }
    // The virtual pager's file, for the title bar; empty for a real jig.
    std::string pagerFile() const;
    // Why a virtual socket cannot be used now; empty when it can.
    std::string fault() const { return jig_ ? jig_->fault() : std::string(); }

    // After each pager operation: keeps the virtual pager in its file. On
    // failure the log gets the reason and it is returned for a box.
    std::optional<std::string> keep(app::TForm1& form);

private:
    bool usb() const;

    std::optional<jig::JigChoice> choice_;
    std::unique_ptr<jig::Jig> jig_;
    std::string refusal_;
    std::optional<link::PpdevPortDriver> ppdev_;
    std::optional<link::HidapiBackend> hidapi_;
    jig::AbsentPort absent_;
    link::SteadyClock clock_;
    std::optional<JigOsInfo> os_;
};

} // namespace ccp::view
