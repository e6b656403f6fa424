// The parallel-port jig with the virtual pager on it, on virtual time: the
// transfers, a progress recorder and a bus monitor. Chips are attached by the
// tests that need them.
#pragma once

#include "link/port_lines.h"
#include "link/programmer_link.h"
#include "link/transfer_progress.h"
#include "link/transfers.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"
#include "support/bus_monitor.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::testing {

class RecordingProgress final : public link::TransferProgress {
public:
    void stepBy(int amount) override { steps += amount; }
    void setCaption(const std::string& caption) override { events.push_back(caption); }
    void setPosition(int position) override {
        events.push_back("position " + std::to_string(position) + " after " +
                         std::to_string(steps));
    }
    int steps = 0;
    std::vector<std::string> events;
};

class JigFixture : public ::testing::Test {
protected:
    JigFixture() { port.attach(monitor); }

    // The data and control registers of the jig's port as the transfer left them.
    std::uint8_t data() { return *port.read(link::kLpt1Base); }
    std::uint8_t control() { return *port.read(link::kLpt1Base + 2); }

    // Bus power and D7 off, nInit high: the lines as every transfer leaves them.
    void expectLinesClosed() {
        EXPECT_EQ(data() & 0x88, 0x00) << "D3 and D7 low";
        EXPECT_EQ(control() & link::kNInitLine.mask, link::kNInitLine.mask) << "nInit high";
    }

    sim::VirtualClock clock;
    sim::SimulatedParallelPort port{clock};
    link::ProgrammerLink link;
    RecordingProgress progress;
    link::ProgrammerTransfers transfers{link, port, clock, progress};
    BusMonitor monitor;
};

} // namespace ccp::testing
