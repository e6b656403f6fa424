// The station's look at the jig: is a pager on it? Both programs ask it every
// half second while they wait for a pager to be placed, and again after a
// write until that pager is taken off, so that one placement is one write.
//
//   ops::PlacementProbe probe(form.pagerOperations, form.transfers,
//                             form.EepromDeviceSelect);
//   switch (probe.look()) { case ops::Placement::Present: ... }
//   probe.stop(); // when the station stops waiting
//
// A look changes nothing on the pager: it asks whether the pager's EEPROM
// answers its device select (the platform's) and reads or writes no byte of
// it. On the parallel jig that is one start, the select and its acknowledge,
// and a stop at the EEPROM bus's pace, about 1.4 ms; the bus is powered as a
// transfer powers it (500 ms) at the first look and stays powered between
// looks until an operation starts or stop() is called. On the USB jig it is
// a read of the EEPROM's first 32 bytes whose reply code alone counts: the
// jig answers 0x41, "no EEPROM", when no pager is in its seat. A look never
// runs inside an operation (Busy, nothing sent), and an operation switches
// the bus off first, so that it starts from the jig as it always did.
#pragma once

#include "link/transfers.h"
#include "ops/pager_operations.h"

#include <cstdint>

namespace ccp::ops {

enum class Placement {
    Present,       // the pager's EEPROM answers the platform's device select
    Absent,        // nothing answers: no pager on the jig
    OtherPlatform, // a pager answers only the other select: not of this platform group
    JigFailed,     // no jig, the port or the USB jig failed
    Busy,          // an operation holds the jig; nothing was sent
};

class PlacementProbe {
public:
    // All outlive the object; `deviceSelect` is the window's
    // EepromDeviceSelect, read at every look.
    PlacementProbe(const PagerOperations& operations, link::ProgrammerTransfers& transfers,
                   const std::uint8_t& deviceSelect)
        : operations_(operations), transfers_(transfers), deviceSelect_(deviceSelect) {}

    Placement look();
    // Switches off what the looks left on (the parallel jig's bus power).
    void stop();

private:
    const PagerOperations& operations_;
    link::ProgrammerTransfers& transfers_;
    const std::uint8_t& deviceSelect_;
};

} // namespace ccp::ops
