#include "jig/tracing_port.h"

#include <cinttypes>
#include <cstdio>
#include <ostream>

namespace ccp::jig {

TracingPort::TracingPort(link::PortDriver& driver, const link::Clock& clock, std::ostream& out)
    : driver_(driver), clock_(clock), out_(out), startUs_(clock.nowUs()) {
}

// The time is taken before the access: on the real port the access itself
// takes a microsecond or so, and the lines change when it begins.
std::optional<std::uint8_t> TracingPort::read(std::uint16_t port) {
    const std::uint64_t timeUs = clock_.nowUs() - startUs_;
    const std::optional<std::uint8_t> value = driver_.read(port);
    line(timeUs, 'R', port, value, !value);
    return value;
}

bool TracingPort::write(std::uint16_t port, std::uint8_t value) {
    const std::uint64_t timeUs = clock_.nowUs() - startUs_;
    const bool written = driver_.write(port, value);
    line(timeUs, 'W', port, value, !written);
    return written;
}

void TracingPort::line(std::uint64_t timeUs, char direction, std::uint16_t port,
                       std::optional<std::uint8_t> value, bool failed) {
    char text[64];
    char byte[3] = "--";
    if (value)
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>(*value));
    const int length =
        std::snprintf(text, sizeof text, "%" PRIu64 " %c %x %s%s\n", timeUs, direction,
                      static_cast<unsigned>(port), byte, failed ? " failed" : "");
    out_.write(text, length);
}

} // namespace ccp::jig
