// The virtual pager of a simulated jig, kept in a file of 560 bytes: the
// EEPROM's 512, then the decoder's eight 6-byte blocks in DecoderImage order.
// A missing file is a blank pager (EEPROM all 0xFF, decoder all 0x00). The
// pager is of the generation the run's platform names: its EEPROM answers
// the device select the platform steps left in the window, so it is put in
// the jig's seat only once they are done. At the end the file is replaced,
// in one rename, by the pager as the run left it. A window keeps it so after
// each operation instead, and runs it at a real pager's pace. SimulatedJig is
// the parallel jig on LPT1 with such a pager on it.
//
// When FILE names a folder, the folder is the jig's socket (see PagerSocket):
// the pager on the jig is the one pager file in it, at each bus access (the
// folder is looked at no more often than every 2 ms of real time). A pager
// taken off stops answering at once, as its chips lose the jig's supply; its
// file keeps what had reached the EEPROM and the decoder by then, and is
// kept after each operation and at the end while it is on the jig.
#pragma once

#include "jig/jig.h"
#include "jig/pager_socket.h"
#include "model/image.h"
#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ccp::jig {

inline constexpr std::size_t kPagerFileBytes = model::kEepromSize + model::kDecoderSize;

class VirtualPager {
public:
    // Reads the pager from `file`; nullptr and the reason when it is refused:
    // a file of another length, or one that is there but cannot be read; when
    // it is kept after each operation, also one that could not be kept.
    static std::unique_ptr<VirtualPager> open(const std::string& file, std::string& reason,
                                              JigUse use = {});

    VirtualPager(std::string file, const std::vector<std::uint8_t>& bytes, JigUse use = {},
                 bool fileExists = false);
    // A socket, with the pager of its one pager file on it, or none.
    VirtualPager(std::unique_ptr<PagerSocket> socket, JigUse use);
    ~VirtualPager();
    VirtualPager(const VirtualPager&) = delete;
    VirtualPager& operator=(const VirtualPager&) = delete;

    // The jig's time, and the decoder, there from the start.
    link::Clock& clock() { return clock_; }
    const std::string& file() const { return file_; }
    sim::Pcd5003& decoder() { return decoder_; }
    // The EEPROM, answering `deviceSelect`: made at the first call, the same
    // chip at every later one.
    sim::Eeprom24c04& seat(std::uint8_t deviceSelect);
    bool seated() const { return eeprom_ != nullptr; }

    // A jig whose socket is a folder looks at it before each bus access:
    // takes off the pager whose file was moved out, keeping what it holds in
    // that file, and places the one moved in. Nothing for a pager file.
    void look();
    bool socket() const { return socket_ != nullptr; }
    // Why the jig cannot be used now (more than one pager in the socket, a
    // pager file that cannot be read); empty when it can.
    std::string fault() const;

    // The EEPROM's bytes, then the decoder's, as they are now.
    std::vector<std::uint8_t> bytes() const;
    // Replaces the file by bytes(); the reason when it could not.
    std::optional<std::string> keep() const;
    // As keep(), after an operation of a window that runs on: a file that was
    // there and is gone, or that is read-only, is left alone and named in the
    // reason, and so is a folder where it cannot be made.
    std::optional<std::string> keepChecked();

private:
    void place(const std::vector<std::uint8_t>& bytes);
    void takeOff();

    std::string file_;
    std::unique_ptr<PagerSocket> socket_;
    std::uint64_t lastLookUs_ = 0;
    bool looked_ = false;
    std::string keepFailure_;               // a pager taken off whose file could not be written
    std::vector<std::uint8_t> eepromBytes_; // until the EEPROM is seated
    bool fileExists_;
    sim::VirtualClock virtualClock_;
    link::SteadyClock steadyClock_;
    link::Clock& clock_;
    sim::Pcd5003 decoder_{clock_};
    std::unique_ptr<sim::Eeprom24c04> eeprom_;
};

// A jig of type `J` with the pager in `file` on it; refused when the file is.
template <class J> OpenedJig openWithPager(const std::string& file, JigUse use) {
    std::string reason;
    std::unique_ptr<VirtualPager> pager = VirtualPager::open(file, reason, use);
    if (!pager)
        return {nullptr, reason};
    return {std::make_unique<J>(std::move(pager)), {}};
}

// A jig with a virtual pager on it: the jig's time is the pager's, and the
// pager is kept in its file at the end of a run or after each operation.
class VirtualPagerJig : public Jig {
public:
    link::Clock& clock() override { return pager_->clock(); }
    std::optional<std::string> finish() override { return pager_->keep(); }
    std::optional<std::string> keep() override { return pager_->keepChecked(); }
    std::string pagerFile() const override { return pager_->file(); }
    std::string fault() const override { return pager_->fault(); }

protected:
    explicit VirtualPagerJig(std::unique_ptr<VirtualPager> pager) : pager_(std::move(pager)) {}
    VirtualPager& pager() { return *pager_; }

private:
    // In the base, so that it outlives the chips and lines that drive it.
    std::unique_ptr<VirtualPager> pager_;
};

class SimulatedJig final : public VirtualPagerJig {
public:
    explicit SimulatedJig(std::unique_ptr<VirtualPager> pager);

    link::PortDriver& port() override;
    void ready(const WindowState& window) override;

private:
    // The port as the PC sees it while the socket is looked at before each
    // access; a socket that cannot be used fails every access.
    class SocketPort final : public link::PortDriver {
    public:
        SocketPort(VirtualPager& pager, link::PortDriver& port) : pager_(pager), port_(port) {}
        bool initialise() override { return port_.initialise(); }
        std::optional<std::uint8_t> read(std::uint16_t port) override;
        bool write(std::uint16_t port, std::uint8_t value) override;
        void shutdown() override { port_.shutdown(); }

    private:
        bool usable();
        VirtualPager& pager_;
        link::PortDriver& port_;
    };

    sim::SimulatedParallelPort port_{pager().clock()};
    SocketPort socketPort_{pager(), port_};
};

} // namespace ccp::jig
