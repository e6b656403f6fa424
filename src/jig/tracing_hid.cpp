#include "jig/tracing_hid.h"

#include <ostream>
#include <string>

namespace ccp::jig {
namespace {

class TracingHidHandle final : public link::HidHandle {
public:
    TracingHidHandle(std::unique_ptr<link::HidHandle> handle, TracingHidBackend& trace)
        : handle_(std::move(handle)), trace_(trace) {}

    std::optional<std::string> productString() override { return handle_->productString(); }
    link::HidCaps caps() override { return handle_->caps(); }

    bool writeReport(std::span<const std::uint8_t> report) override {
        const std::uint64_t timeUs = trace_.sinceStartUs();
        const bool written = handle_->writeReport(report);
        trace_.line(timeUs, "OUT", report, !written);
        return written;
    }

    link::HidReadResult readReport(std::span<std::uint8_t> report, int timeoutMs) override {
        const link::HidReadResult result = handle_->readReport(report, timeoutMs);
        const std::uint64_t timeUs = trace_.sinceStartUs();
        switch (result) {
        case link::HidReadResult::Ok:
            trace_.line(timeUs, "IN", report, false);
            break;
        case link::HidReadResult::Timeout:
            trace_.line(timeUs, "TIMEOUT", {}, false);
            break;
        case link::HidReadResult::Failed:
            trace_.line(timeUs, "IN --", {}, true);
            break;
        }
        return result;
    }

    std::vector<std::vector<std::uint8_t>> discardQueued() override {
        std::vector<std::vector<std::uint8_t>> stale = handle_->discardQueued();
        const std::uint64_t timeUs = trace_.sinceStartUs();
        for (const auto& report : stale)
            trace_.line(timeUs, "STALE", report, false);
        return stale;
    }

    bool claim() override { return handle_->claim(); }

private:
    std::unique_ptr<link::HidHandle> handle_;
    TracingHidBackend& trace_;
};

} // namespace

TracingHidBackend::TracingHidBackend(link::HidBackend& backend, const link::Clock& clock,
                                     std::ostream& out)
    : backend_(backend), clock_(clock), out_(out), startUs_(clock.nowUs()) {
}

std::unique_ptr<link::HidHandle> TracingHidBackend::open(const link::HidDeviceInfo& device) {
    std::unique_ptr<link::HidHandle> handle = backend_.open(device);
    if (!handle)
        return nullptr;
    return std::make_unique<TracingHidHandle>(std::move(handle), *this);
}

void TracingHidBackend::line(std::uint64_t timeUs, std::string_view kind,
                             std::span<const std::uint8_t> report, bool failed) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = std::to_string(timeUs);
    text += ' ';
    text += kind;
    if (!report.empty()) {
        text += ' ';
        for (const std::uint8_t byte : report) {
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0x0F];
        }
    }
    if (failed)
        text += " failed";
    text += '\n';
    out_ << text;
}

} // namespace ccp::jig
