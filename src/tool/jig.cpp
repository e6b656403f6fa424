#include "tool/jig.h"

#include "link/ppdev_port_driver.h"
#include "tool/simulated_jig.h"

namespace ccp::tool {
namespace {

constexpr std::string_view kSimulatedPrefix = "sim:";

// The jig on a real parallel port, at the window's pace.
class ParallelJig final : public Jig {
public:
    explicit ParallelJig(bool lpt2) : lpt2_(lpt2) {}

    link::PortDriver& port() override { return driver_; }
    link::Clock& clock() override { return clock_; }
    void ready(app::TForm1& form) override {
        if (lpt2_)
            form.LPT21Click();
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

} // namespace

std::optional<JigChoice> parseJig(std::string_view text) {
    if (text == "lpt1")
        return JigChoice{JigKind::Lpt1, {}};
    if (text == "lpt2")
        return JigChoice{JigKind::Lpt2, {}};
    if (text.starts_with(kSimulatedPrefix) && text.size() > kSimulatedPrefix.size())
        return JigChoice{JigKind::Simulated, std::string(text.substr(kSimulatedPrefix.size()))};
    return std::nullopt;
}

OpenedJig openJig(const JigChoice& choice) {
    switch (choice.kind) {
    case JigKind::Simulated:
        return SimulatedJig::open(choice.file);
    case JigKind::Lpt1:
    case JigKind::Lpt2:
        break;
    }
    return {std::make_unique<ParallelJig>(choice.kind == JigKind::Lpt2), {}};
}

} // namespace ccp::tool
