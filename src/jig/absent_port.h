// A port that is never there: initialise fails and every access fails. The
// port of a USB jig, and of a window that has no jig.
#pragma once

#include "link/port_driver.h"

#include <cstdint>
#include <optional>

namespace ccp::jig {

class AbsentPort final : public link::PortDriver {
public:
    bool initialise() override { return false; }
    std::optional<std::uint8_t> read(std::uint16_t) override { return std::nullopt; }
    bool write(std::uint16_t, std::uint8_t) override { return false; }
    void shutdown() override {}
};

} // namespace ccp::jig
