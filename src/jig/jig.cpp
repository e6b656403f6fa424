#include "jig/jig.h"

#include "jig/absent_port.h"
#include "jig/chosen_hid_backend.h"
#include "jig/simulated_jig.h"
#include "jig/simulated_usb_jig.h"
#include "link/hidapi_backend.h"
#include "link/ppdev_port_driver.h"

namespace ccp::jig {
namespace {

constexpr std::string_view kSimulatedPrefix = "sim:";
constexpr std::string_view kSimulatedUsbPrefix = "sim-usb:";
constexpr std::string_view kUsbPrefix = "usb:";

// The jig on a real parallel port, at the window's pace.
class ParallelJig final : public Jig {
public:
    ParallelJig(bool lpt2, link::PpdevCalls& calls) : lpt2_(lpt2), driver_("/dev/parport", calls) {}

    link::PortDriver& port() override { return driver_; }
    link::Clock& clock() override { return clock_; }
    void ready(const WindowState& window) override {
        if (lpt2_ && window.chooseLpt2)
            window.chooseLpt2();
    }
    std::optional<std::string> finish() override {
        driver_.shutdown();
        return std::nullopt;
    }

private:
    bool lpt2_;
    link::PpdevPortDriver driver_;
    link::SteadyClock clock_;
};

// The real USB jig among the system's hidraw devices, at the window's pace.
class HidrawJig final : public Jig {
public:
    // `which` names one jig among several (see ChosenHidBackend); empty:
    // the first the scan finds.
    explicit HidrawJig(std::string which) : chosen_(backend_, std::move(which)) {}

    link::PortDriver& port() override { return noPort_; }
    link::Clock& clock() override { return clock_; }
    link::HidBackend* hid() override {
        return chosen_.which().empty() ? static_cast<link::HidBackend*>(&backend_) : &chosen_;
    }
    link::HidBackend& system() { return backend_; }
    void ready(const WindowState&) override {}
    std::optional<std::string> finish() override { return std::nullopt; }

private:
    AbsentPort noPort_;
    link::SteadyClock clock_;
    link::HidapiBackend backend_;
    ChosenHidBackend chosen_;
};

std::optional<std::string> fileAfter(std::string_view prefix, std::string_view text) {
    if (text.starts_with(prefix) && text.size() > prefix.size())
        return std::string(text.substr(prefix.size()));
    return std::nullopt;
}

} // namespace

std::optional<JigChoice> parseJig(std::string_view text) {
    if (text == "lpt1")
        return JigChoice{JigKind::Lpt1, {}};
    if (text == "lpt2")
        return JigChoice{JigKind::Lpt2, {}};
    if (text == "usb")
        return JigChoice{JigKind::Usb, {}};
    if (std::optional<std::string> which = fileAfter(kUsbPrefix, text))
        return JigChoice{JigKind::Usb, std::move(*which)};
    if (std::optional<std::string> file = fileAfter(kSimulatedPrefix, text))
        return JigChoice{JigKind::Simulated, std::move(*file)};
    if (std::optional<std::string> file = fileAfter(kSimulatedUsbPrefix, text))
        return JigChoice{JigKind::SimulatedUsb, std::move(*file)};
    return std::nullopt;
}

OpenedJig openJig(const JigChoice& choice, JigUse use) {
    switch (choice.kind) {
    case JigKind::Simulated:
        return openWithPager<SimulatedJig>(choice.file, use);
    case JigKind::SimulatedUsb:
        return openWithPager<SimulatedUsbJig>(choice.file, use);
    case JigKind::Usb: {
        auto jig = std::make_unique<HidrawJig>(choice.file);
        if (!choice.file.empty()) {
            const std::vector<link::HidDeviceInfo> named =
                jigsNamed(jig->system().enumerate(), choice.file);
            if (named.size() != 1)
                return {nullptr, named.empty()
                                     ? "no USB jig has the path or a serial number ending in '" +
                                           choice.file + "' (capcode-tool jigs lists them)"
                                     : "'" + choice.file +
                                           "' ends more than one USB jig's serial number; give "
                                           "more of it (capcode-tool jigs lists them)"};
        }
        return {std::move(jig), {}};
    }
    case JigKind::Lpt1:
    case JigKind::Lpt2:
        break;
    }
    link::PpdevCalls& calls = use.ppdev != nullptr ? *use.ppdev : link::systemPpdevCalls();
    return {std::make_unique<ParallelJig>(choice.kind == JigKind::Lpt2, calls), {}};
}

} // namespace ccp::jig
