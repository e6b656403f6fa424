// The active transport to the programming jig: which parallel port the
// bit-level buses use and whether a USB jig has taken over. Detection resets
// it to LPT1 without USB; the port menu and jig discovery change it later.
#pragma once

#include <array>
#include <cstdint>

namespace ccp::link {

inline constexpr std::uint16_t kLpt1Base = 0x378;
inline constexpr std::uint16_t kLpt2Base = 0x278;

// The parallel ports the jig can sit on, LPT1 first.
inline constexpr std::array<std::uint16_t, 2> kLptBases{kLpt1Base, kLpt2Base};

struct ProgrammerLink {
    std::uint16_t PortBase = kLpt1Base;
    // True while a USB jig is held; the parallel port is then not used.
    bool UsbActive = false;
    // The USB jig's HID version number; 2 and above bracket every transfer.
    int JigVersion = 0;
};

} // namespace ccp::link
