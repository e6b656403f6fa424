// A parallel port removed while a transfer holds it (a USB adapter pulled
// out, the driver unloaded). The kernel then answers the holder with its dead
// operations: every register reads 0x00 and every ioctl succeeds, and 0x00
// reads as acknowledges and 0 bits. No transfer may end in success with bytes
// the pager does not hold.
#include "link/ppdev_port_driver.h"
#include "link/transfers.h"
#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_ppdev.h"
#include "support/jig_fixture.h"
#include "support/removal_sweep.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <optional>
#include <ostream>
#include <set>
#include <vector>

namespace ccp::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rig {
    // `swept`: the driver's calls go through a removal sweep, with the
    // driver's look-up of the port (true) or without it (false).
    explicit Rig(std::uint8_t select = 2, std::optional<bool> swept = std::nullopt)
        : eeprom(clock, select),
          sweep(swept ? std::make_unique<testing::RemovalSweep>(kernel, 0, *swept) : nullptr),
          driver("/sim/parport", sweep ? static_cast<PpdevCalls&>(*sweep) : kernel) {
        lines.attach(eeprom);
        lines.attach(decoder);
        std::iota(eeprom.memory().begin(), eeprom.memory().end(), std::uint8_t{0x31});
        sim::Pcd5003::Image chip{};
        std::iota(chip.begin(), chip.end(), std::uint8_t{0x81});
        decoder.setImage(chip);
        driver.initialise();
    }
    sim::VirtualClock clock;
    sim::SimulatedParallelPort lines{clock};
    sim::Eeprom24c04 eeprom;
    sim::Pcd5003 decoder{clock};
    sim::SimulatedPpdev kernel{lines, "/sim/parport"};
    std::unique_ptr<testing::RemovalSweep> sweep;
    PpdevPortDriver driver;
    ProgrammerLink link{kLpt1Base, false, 0};
    testing::RecordingProgress progress;
    ProgrammerTransfers transfers{link, driver, clock, progress};
};

struct Outcome {
    bool success;
    bool right; // the bytes read are the pager's, or the pager holds those written
};

struct Transfer {
    const char* name;
    Outcome (*run)(Rig&);
};

const Transfer kTransfers[] = {
    {"EEPROM read",
     [](Rig& r) {
         Bytes b(512, 0xEE);
         const bool ok = r.transfers.EepromTransfer("04", 2, "r", b) == TransferResult::ReadDone;
         return Outcome{ok, b == r.eeprom.memory()};
     }},
    {"EEPROM write",
     [](Rig& r) {
         Bytes b(512);
         std::iota(b.rbegin(), b.rend(), std::uint8_t{0x07});
         const bool ok = r.transfers.EepromTransfer("04", 2, "w", b) == TransferResult::Verified;
         return Outcome{ok, b == r.eeprom.memory()};
     }},
    {"decoder read",
     [](Rig& r) {
         Bytes b(sim::Pcd5003::kImageBytes, 0xEE);
         const bool ok = r.transfers.DecoderTransfer("r", b) == DecoderResult::Done;
         const sim::Pcd5003::Image chip = r.decoder.image();
         return Outcome{ok, std::equal(b.begin(), b.end(), chip.begin())};
     }},
    {"decoder program",
     [](Rig& r) {
         Bytes b(sim::Pcd5003::kImageBytes);
         std::iota(b.rbegin(), b.rend(), std::uint8_t{0x11});
         const bool ok = r.transfers.DecoderTransfer("w", b) == DecoderResult::Done;
         const sim::Pcd5003::Image chip = r.decoder.image();
         return Outcome{ok, std::equal(b.begin(), b.end(), chip.begin())};
     }},
};

// The removal points: every call of the opening (bus power, start, address
// phase, the first bytes) and of the end, and between them some thirty calls
// a prime apart, so that they fall on every kind of call of a bit's and a
// byte's pattern in turn. A whole transfer is thousands to tens of thousands
// of calls, and each point is a run of its own.
std::set<std::size_t> removalPoints(std::size_t calls) {
    constexpr std::size_t kEdge = 400;
    std::size_t stride = calls / 30 + 1;
    const auto prime = [](std::size_t n) {
        for (std::size_t d = 2; d * d <= n; ++d)
            if (n % d == 0)
                return false;
        return true;
    };
    while (!prime(stride))
        ++stride;
    std::set<std::size_t> points;
    for (std::size_t k = 0; k < std::min(kEdge, calls); ++k)
        points.insert(k);
    for (std::size_t k = kEdge; k < calls; k += stride)
        points.insert(k);
    for (std::size_t k = calls > 8 ? calls - 8 : 0; k < calls; ++k)
        points.insert(k);
    return points;
}

TEST(RemovedParallelPort, KernelRemovedPortNeverEndsInSuccessWithWrongBytes) {
    for (const Transfer& t : kTransfers) {
        SCOPED_TRACE(t.name);
        Rig whole;
        ASSERT_TRUE(t.run(whole).success);
        const std::size_t calls = whole.kernel.registerCalls();
        for (const std::size_t k : removalPoints(calls)) {
            Rig rig;
            rig.kernel.removeAfter(0, k);
            const Outcome o = t.run(rig);
            EXPECT_TRUE(!o.success || o.right) << "removed after " << k << " of " << calls;
            EXPECT_FALSE(o.success && rig.kernel.deadStatusReads() > 0)
                << "removed after " << k << " of " << calls;
            if (HasFailure())
                return;
        }
    }
}

// The window's whole read and whole write, transfer by transfer, with the
// port removed before every register call in turn (removal_sweep.h says how
// that stays linear): the kernel then answers 0x00 and drops writes, with
// success. An operation may fail; it may succeed only with the pager's bytes
// read, or with the pager holding the bytes written. Platforms 0-1 make every
// kind of transfer (the decoder's, then the EEPROM's on select 0) and are
// swept as the program runs; 2-4 (the EEPROM on select 2) with the
// transfers' presence rule alone, without the driver's look-up of the port.
// Platforms 5-6 make the same transfers as the EEPROM part of 0-1.
struct Swept {
    const char* name;
    std::uint8_t select;
    bool decoder;
    bool lookUp;
    bool write;
};

void PrintTo(const Swept& swept, std::ostream* out) {
    *out << swept.name;
}

class RemovedParallelPortSweep : public ::testing::TestWithParam<Swept> {};

TEST_P(RemovedParallelPortSweep, KernelRemovedAtEveryRegisterCallNeverEndsInSuccessWithWrongBytes) {
    const Swept& swept = GetParam();
    Rig rig(swept.select, swept.lookUp);
    Bytes eeprom(512, 0xEE);
    Bytes chip(sim::Pcd5003::kImageBytes, 0xEE);
    if (swept.write) {
        std::iota(eeprom.rbegin(), eeprom.rend(), std::uint8_t{0x07});
        std::iota(chip.rbegin(), chip.rend(), std::uint8_t{0x11});
    }
    const auto pagerHolds = [&] {
        const sim::Pcd5003::Image now = rig.decoder.image();
        return rig.eeprom.memory() == eeprom &&
               (!swept.decoder || std::equal(chip.begin(), chip.end(), now.begin()));
    };
    // A read leaves the pager as it was: what a group's child read is what
    // each removal of the group reads.
    rig.sweep->arm(swept.write ? std::function<bool()>(pagerHolds) : [] { return true; });
    const char* mode = swept.write ? "w" : "r";
    const bool success =
        (!swept.decoder || rig.transfers.DecoderTransfer(mode, chip) == DecoderResult::Done) &&
        rig.transfers.EepromTransfer("04", swept.select, mode, eeprom) ==
            (swept.write ? TransferResult::Verified : TransferResult::ReadDone);
    rig.sweep->verdict(success, pagerHolds());
    EXPECT_TRUE(success);
    EXPECT_GT(rig.sweep->points(), 40'000u);
    EXPECT_THAT(rig.sweep->wrong(), ::testing::IsEmpty())
        << "removed before these of " << rig.sweep->points() << " register calls";
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RemovedParallelPortSweep,
    ::testing::Values(Swept{"Platforms01Read", 0, true, true, false},
                      Swept{"Platforms01Write", 0, true, true, true},
                      Swept{"Platforms24ReadPresenceRuleAlone", 2, false, false, false},
                      Swept{"Platforms24WritePresenceRuleAlone", 2, false, false, true}),
    [](const ::testing::TestParamInfo<Swept>& info) { return info.param.name; });

} // namespace
} // namespace ccp::link
