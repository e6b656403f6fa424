// A full transfer on the real clock against the simulated jigs and virtual
// pager: how much longer it takes than the sum of the waits that the protocol
// mandates (on the parallel jig the line waits, the power-up, settle and
// write-cycle sleeps and the decoder's 40 ms per byte; on the USB jig the
// sleeps around the brackets and after a transfer). The ratio shows what the
// port accesses or reports, the simulation and the clock's overshoot add.
#include "form/user_interface.h"
#include "link/clock.h"
#include "link/hid_device.h"
#include "link/transfer_progress.h"
#include "link/transfers.h"
#include "link/usb_jig.h"
#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_hid_backend.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_usb_jig.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <optional>
#include <string>
#include <cstdint>
#include <vector>

namespace {

using ccp::link::Clock;

// The real clock, adding up every wait it is asked for.
class MandateClock final : public Clock {
public:
    void sleepMs(unsigned ms) override {
        mandatedUs += std::uint64_t{ms} * 1000;
        real_.sleepMs(ms);
    }
    void busyWaitUs(std::uint64_t us) override {
        mandatedUs += us;
        real_.busyWaitUs(us);
    }
    std::uint64_t nowUs() const override { return real_.nowUs(); }

    std::uint64_t mandatedUs = 0;

private:
    ccp::link::SteadyClock real_;
};

template <typename Transfer>
void measure(benchmark::State& state, MandateClock& clock, Transfer transfer) {
    double measuredUs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = transfer();
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        measuredUs += took.count();
        if (!ok) {
            state.SkipWithError("transfer failed");
        }
    }
    const double mandated = static_cast<double>(clock.mandatedUs);
    state.counters["mandated_s"] = mandated / 1e6 / static_cast<double>(state.iterations());
    state.counters["ratio"] = mandated > 0 ? measuredUs / mandated : 0.0;
}

void BM_EepromWriteWithVerify(benchmark::State& state) {
    MandateClock clock;
    ccp::sim::SimulatedParallelPort port(clock);
    port.setRecording(false);
    ccp::sim::Eeprom24c04 chip(clock, 2);
    port.attach(chip);
    ccp::link::ProgrammerLink link;
    ccp::link::NoProgress progress;
    ccp::link::ProgrammerTransfers transfers(link, port, clock, progress);
    std::vector<std::uint8_t> image(512);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 37 + 5);
    }
    measure(state, clock, [&] {
        return transfers.EepromTransfer("04", 2, "w", image) == ccp::link::TransferResult::Verified;
    });
}

void BM_DecoderProgram(benchmark::State& state) {
    MandateClock clock;
    ccp::sim::SimulatedParallelPort port(clock);
    port.setRecording(false);
    ccp::sim::Pcd5003 chip(clock);
    port.attach(chip);
    ccp::link::ProgrammerLink link;
    ccp::link::NoProgress progress;
    ccp::link::ProgrammerTransfers transfers(link, port, clock, progress);
    std::vector<std::uint8_t> image(48);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 11 + 3);
    }
    measure(state, clock, [&] {
        return transfers.DecoderTransfer("w", image) == ccp::link::DecoderResult::Done;
    });
}

// Quiet: a USB error box would show a failure the benchmark reports anyway.
class NoBoxes final : public ccp::form::UserInterface {
public:
    void beep() override {}
    void focus(ccp::form::Control&) override {}
    void showMessage(const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showError(const std::string&) override {}
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void repaintProgress() override {}
    void closeMainWindow() override {}
};

// The USB jig version 2 over the simulated HID back-end, held as discovery
// would hold it.
struct UsbBench {
    explicit UsbBench(MandateClock& clock)
        : eeprom(clock, 2), decoder(clock), jig(eeprom, decoder), backend(clock),
          controller(backend), usb(link, clock, progress, boxes), port(clock),
          transfers(link, port, clock, progress) {
        backend.plug(jig);
        controller.DeviceNotification(ccp::link::THidDeviceController::kStartMarker);
        usb.setDevice(controller.CheckOutByCallback([](ccp::link::THidDevice&) { return true; }));
        link.UsbActive = true;
        link.JigVersion = 2;
        transfers.setUsbTransport(&usb);
    }

    ccp::sim::Eeprom24c04 eeprom;
    ccp::sim::Pcd5003 decoder;
    ccp::sim::VirtualUsbJig jig;
    ccp::sim::SimulatedHidBackend backend;
    ccp::link::THidDeviceController controller;
    ccp::link::ProgrammerLink link;
    ccp::link::NoProgress progress;
    NoBoxes boxes;
    ccp::link::UsbJig usb;
    ccp::sim::SimulatedParallelPort port;
    ccp::link::ProgrammerTransfers transfers;
};

void BM_UsbEepromWriteWithVerify(benchmark::State& state) {
    MandateClock clock;
    UsbBench bench(clock);
    std::vector<std::uint8_t> image(512);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 37 + 5);
    }
    measure(state, clock, [&] {
        return bench.transfers.EepromTransfer("04", 2, "w", image) ==
               ccp::link::TransferResult::Verified;
    });
}

void BM_UsbDecoderProgram(benchmark::State& state) {
    MandateClock clock;
    UsbBench bench(clock);
    std::vector<std::uint8_t> image(48);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 11 + 3);
    }
    measure(state, clock, [&] {
        return bench.transfers.DecoderTransfer("w", image) == ccp::link::DecoderResult::Done;
    });
}

BENCHMARK(BM_EepromWriteWithVerify)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_DecoderProgram)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_UsbEepromWriteWithVerify)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_UsbDecoderProgram)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
