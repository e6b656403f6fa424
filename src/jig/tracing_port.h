// A port driver that writes down every register access it passes on to the
// jig's driver, one line each, in order: "T R|W PORT VALUE", T microseconds
// since the trace began on the run's clock, R a read and W a write, PORT the
// register's address and VALUE the byte, both in lower-case hex. An access the
// driver failed gets a fifth field, "failed"; a failed read has "--" for its
// VALUE, since no byte came back. Claiming and releasing the port are not
// register accesses and are not written.
#pragma once

#include "link/clock.h"
#include "link/port_driver.h"

#include <cstdint>
#include <iosfwd>
#include <optional>

namespace ccp::jig {

class TracingPort final : public link::PortDriver {
public:
    // All three outlive the object; time 0 is the clock's time now.
    TracingPort(link::PortDriver& driver, const link::Clock& clock, std::ostream& out);

    bool initialise() override { return driver_.initialise(); }
    std::optional<std::uint8_t> read(std::uint16_t port) override;
    bool write(std::uint16_t port, std::uint8_t value) override;
    void shutdown() override { driver_.shutdown(); }
    bool claim(std::uint16_t base) override { return driver_.claim(base); }
    void release() override { driver_.release(); }

private:
    void line(std::uint64_t timeUs, char direction, std::uint16_t port,
              std::optional<std::uint8_t> value, bool failed);

    link::PortDriver& driver_;
    const link::Clock& clock_;
    std::ostream& out_;
    std::uint64_t startUs_;
};

} // namespace ccp::jig
