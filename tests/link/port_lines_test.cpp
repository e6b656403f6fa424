#include "link/port_lines.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ccp::link {
namespace {

using Action = std::function<void(PortLines&)>;

class PullDevice final : public sim::BusDevice {
public:
    void onLines(const sim::BusLines&) override {}
    bool dataInLine() const override { return !pullsLow; }
    bool pullsLow = false;
};

class PortLinesTest : public ::testing::Test {
protected:
    std::uint16_t address(PortRegister reg) const { return registerAddress(link.PortBase, reg); }

    // The writes and waits in the order they happened, as line changes
    // ("clock=1") and waits ("busy 15", "sleep 500000").
    std::vector<std::string> trace() const {
        std::vector<std::string> out;
        const auto& writes = port.writes();
        const auto& waits = clock.waits();
        std::size_t w = 0;
        for (const sim::Wait& wait : waits) {
            for (; w < writes.size() && writes[w].timeUs <= wait.startUs; ++w) {
                out.push_back(describe(writes[w]));
            }
            out.push_back((wait.kind == sim::WaitKind::Busy ? "busy " : "sleep ") +
                          std::to_string(wait.lengthUs));
        }
        for (; w < writes.size(); ++w) {
            out.push_back(describe(writes[w]));
        }
        return out;
    }

    std::string describe(const sim::RegisterWrite& write) const {
        struct Name {
            JigLine line;
            const char* name;
        };
        const Name names[] = {{kClockLine, "clock"},
                              {kDataOutLine, "dout"},
                              {kD3Line, "D3"},
                              {kD7Line, "D7"},
                              {kNInitLine, "nInit"}};
        std::string text;
        for (const Name& n : names) {
            if (write.port == address(n.line.reg) && ((write.before ^ write.value) & n.line.mask)) {
                text += std::string(text.empty() ? "" : " ") + n.name +
                        ((write.value & n.line.mask) ? "=1" : "=0");
            }
        }
        return text.empty() ? "no change at " + std::to_string(write.port) : text;
    }

    sim::VirtualClock clock;
    sim::SimulatedParallelPort port{clock};
    ProgrammerLink link;
    PortLines lines{port, clock, link};
};

TEST_F(PortLinesTest, EachLineChangeKeepsTheOtherBitsOfItsRegister) {
    struct Case {
        const char* name;
        Action act;
        JigLine line;
        bool high;
    };
    const Case cases[] = {
        {"ClockHigh", [](PortLines& l) { l.ClockHigh(); }, kClockLine, true},
        {"ClockLow", [](PortLines& l) { l.ClockLow(); }, kClockLine, false},
        {"DataHigh", [](PortLines& l) { l.DataHigh(); }, kDataOutLine, true},
        {"DataLow", [](PortLines& l) { l.DataLow(); }, kDataOutLine, false},
        {"SlowDataHigh", [](PortLines& l) { l.SlowDataHigh(); }, kDataOutLine, true},
        {"SlowDataLow", [](PortLines& l) { l.SlowDataLow(); }, kDataOutLine, false},
        {"D3 high", [](PortLines& l) { l.setLine(kD3Line, true); }, kD3Line, true},
        {"D7 low", [](PortLines& l) { l.setLine(kD7Line, false); }, kD7Line, false},
        {"nInit low", [](PortLines& l) { l.setLine(kNInitLine, false); }, kNInitLine, false},
        {"nInit high", [](PortLines& l) { l.setLine(kNInitLine, true); }, kNInitLine, true},
    };
    for (const Case& c : cases) {
        for (const std::uint8_t pattern : {0x00, 0xFF, 0xA5, 0x5A}) {
            SCOPED_TRACE(std::string(c.name) + " from " + std::to_string(pattern));
            port.setRegister(address(PortRegister::Data), pattern);
            port.setRegister(address(PortRegister::Control), pattern);
            port.clearWrites();
            c.act(lines);

            ASSERT_EQ(port.writes().size(), 1u);
            const sim::RegisterWrite& w = port.writes()[0];
            EXPECT_EQ(w.port, address(c.line.reg));
            const auto expected =
                static_cast<std::uint8_t>(c.high ? pattern | c.line.mask : pattern & ~c.line.mask);
            EXPECT_EQ(w.value, expected);
        }
    }
}

TEST_F(PortLinesTest, StepsInOrderWithTheirWaits) {
    struct Case {
        const char* name;
        std::uint8_t data;
        std::uint8_t control;
        Action act;
        std::vector<std::string> steps;
    };
    const std::vector<std::string> stop = {"clock=0", "busy 15", "dout=0", "busy 80",
                                           "clock=1", "busy 15", "dout=1", "busy 80"};
    std::vector<std::string> busOn = {"D3=1", "sleep 500000"};
    busOn.insert(busOn.end(), stop.begin(), stop.end());
    std::vector<std::string> busOff = stop;
    busOff.push_back("D3=0");

    const Case cases[] = {
        {"ClockHigh", 0x00, 0x0C, [](PortLines& l) { l.ClockHigh(); }, {"clock=1", "busy 15"}},
        {"ClockLow", 0xFF, 0x0C, [](PortLines& l) { l.ClockLow(); }, {"clock=0", "busy 15"}},
        {"DataHigh", 0x00, 0x0C, [](PortLines& l) { l.DataHigh(); }, {"dout=1", "busy 80"}},
        {"DataLow", 0xFF, 0x0C, [](PortLines& l) { l.DataLow(); }, {"dout=0", "busy 80"}},
        {"SlowDataHigh",
         0x00,
         0x0C,
         [](PortLines& l) { l.SlowDataHigh(); },
         {"dout=1", "busy 480"}},
        {"SlowDataLow", 0xFF, 0x0C, [](PortLines& l) { l.SlowDataLow(); }, {"dout=0", "busy 480"}},
        {"SampleData", 0x00, 0x0C, [](PortLines& l) { l.SampleData(); }, {"dout=1", "busy 80"}},
        {"SlowSampleData",
         0x00,
         0x0C,
         [](PortLines& l) { l.SlowSampleData(); },
         {"dout=1", "busy 480"}},
        {"LinesOn", 0x00, 0x0C, [](PortLines& l) { l.LinesOn(); }, {"nInit=0", "D7=1"}},
        {"LinesOff", 0x80, 0x08, [](PortLines& l) { l.LinesOff(); }, {"D7=0", "nInit=1"}},
        {"BusOn", 0x06, 0x0C, [](PortLines& l) { l.BusOn(); }, busOn},
        {"BusOff", 0x0E, 0x0C, [](PortLines& l) { l.BusOff(); }, busOff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.setRegister(address(PortRegister::Data), c.data);
        port.setRegister(address(PortRegister::Control), c.control);
        port.clearWrites();
        clock.clearWaits();
        c.act(lines);
        EXPECT_EQ(trace(), c.steps);
    }
}

TEST_F(PortLinesTest, SampleReturnsTheDataInLineAfterReleasingIt) {
    struct Case {
        const char* name;
        bool present;
        bool devicePullsLow;
        std::uint8_t otherStatus;
        bool expected;
    };
    const Case cases[] = {
        {"released", true, false, 0x00, true},
        {"released, other status bits set", true, false, 0x9F, true},
        {"pulled low", true, true, 0x00, false},
        {"pulled low, other status bits set", true, true, 0xFF, false},
        {"no jig", false, true, 0x00, true},
    };
    PullDevice device;
    port.attach(device);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.setPresence(c.present);
        port.setOtherStatusBits(c.otherStatus);
        device.pullsLow = c.devicePullsLow;
        // Data out starts low: a sample that did not release the line first
        // would read it low whatever the device does.
        port.setRegister(address(PortRegister::Data), 0x00);
        EXPECT_EQ(lines.SampleData(), c.expected);
        port.setRegister(address(PortRegister::Data), 0x00);
        EXPECT_EQ(lines.SlowSampleData(), c.expected);
    }
}

// A register that cannot be read is not written back with invented bits; the
// fault stays until cleared and a sample reads as the line released.
TEST_F(PortLinesTest, AFailedAccessIsRememberedAndWritesNothing) {
    port.setRegister(address(PortRegister::Data), 0x00);
    port.failAccessesAfter(0);
    lines.ClockHigh();
    EXPECT_TRUE(lines.faulted());
    EXPECT_TRUE(port.writes().empty());
    EXPECT_TRUE(lines.SampleData());

    port.stopFailing();
    lines.ClockHigh();
    EXPECT_TRUE(lines.faulted());
    lines.clearFault();
    EXPECT_FALSE(lines.faulted());
    EXPECT_EQ(port.writes().size(), 1u);
}

TEST_F(PortLinesTest, FollowsThePortBaseAtEveryChange) {
    PullDevice device;
    device.pullsLow = true;
    port.setJigBase(kLpt2Base);
    port.attach(device);

    lines.ClockHigh();
    link.PortBase = kLpt2Base;
    lines.ClockLow();
    const bool sampled = lines.SampleData();

    ASSERT_EQ(port.writes().size(), 3u);
    EXPECT_EQ(port.writes()[0].port, kLpt1Base);
    EXPECT_EQ(port.writes()[1].port, kLpt2Base);
    EXPECT_EQ(port.writes()[2].port, kLpt2Base);
    EXPECT_FALSE(sampled) << "the status register was not read at LPT2";
}

} // namespace
} // namespace ccp::link
