// The parallel jig on LPT1 with a virtual pager on it, on virtual time, kept
// in a file of 560 bytes: the EEPROM's 512, then the decoder's eight 6-byte
// blocks in DecoderImage order. A missing file is a blank pager (EEPROM all
// 0xFF, decoder all 0x00). The pager is of the generation the run's platform
// names: its EEPROM answers the device select the platform steps left in the
// window, so it is put on the jig only once they are done. At the end the
// file is replaced, in one rename, by the pager as the run left it.
#pragma once

#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"
#include "tool/jig.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ccp::tool {

inline constexpr std::size_t kPagerFileBytes = model::kEepromSize + model::kDecoderSize;

class SimulatedJig final : public Jig {
public:
    // Reads the pager from `file`; the reason when it is refused: a file of
    // another length, or one that is there but cannot be read.
    static OpenedJig open(const std::string& file);

    SimulatedJig(std::string file, std::vector<std::uint8_t> pager);

    link::PortDriver& port() override { return port_; }
    link::Clock& clock() override { return clock_; }
    void ready(app::TForm1& form) override;
    std::optional<std::string> finish() override;

    // The EEPROM's bytes, then the decoder's, as they are now.
    std::vector<std::uint8_t> pager() const;

private:
    std::string file_;
    std::vector<std::uint8_t> eepromBytes_; // until the EEPROM is on the jig
    sim::VirtualClock clock_;
    sim::Pcd5003 decoder_{clock_};
    std::unique_ptr<sim::Eeprom24c04> eeprom_;
    // Last, so that it goes before the chips it drives.
    sim::SimulatedParallelPort port_{clock_};
};

} // namespace ccp::tool
