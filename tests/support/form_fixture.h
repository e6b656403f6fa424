// A main window model on a virtual machine: recording user interface,
// simulated parallel port with the jig present, virtual clock, simulated HID
// devices (none plugged), and an OS
// whose policy and decimal separator tests choose before the window starts.
#pragma once

#include "app/tform1.h"
#include "link/os_info.h"
#include "sim/simulated_hid_backend.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"
#include "support/recording_ui.h"

#include <memory>

namespace ccp::testing {

class FakeOsInfo : public link::OsInfo {
public:
    link::ParallelPortPolicy parallelPortPolicy() const override { return policy; }
    char decimalSeparator() const override { return separator; }
    link::ParallelPortPolicy policy = link::ParallelPortPolicy::Available;
    char separator = '.';
};

struct FormRig {
    RecordingUi ui;
    sim::VirtualClock clock;
    sim::SimulatedParallelPort port{clock};
    FakeOsInfo os;
    sim::SimulatedHidBackend hid{clock};
    // The window's own user interface and clock when set before start():
    // the real one, or a clock that also passes real time.
    form::UserInterface* windowUi = nullptr;
    link::Clock* windowClock = nullptr;
    std::unique_ptr<app::TForm1> form;
    // The driver the window reaches the port through; nullptr: `port` itself.
    link::PortDriver* driver = nullptr;

    app::TForm1& start(int profile = app::kStartProfile) {
        link::PortDriver& through = driver != nullptr ? *driver : port;
        form = std::make_unique<app::TForm1>(
            app::Services{windowUi != nullptr ? *windowUi : ui, through,
                          windowClock != nullptr ? *windowClock : clock, os, &hid},
            profile);
        return *form;
    }
};

} // namespace ccp::testing
