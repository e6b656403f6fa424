// Listens on the jig's two-wire bus without driving it and writes down what
// crossed it: "S" for a start, "P" for a stop, and every byte as two hex
// digits with "+" when the ninth clock saw the line low (acknowledged) or "-".
#pragma once

#include "sim/simulated_parallel_port.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ccp::testing {

class BusMonitor final : public sim::BusDevice {
public:
    void onLines(const sim::BusLines& lines) override {
        const bool rose = lines.clock && !clock_;
        const bool fell = !lines.clock && clock_;
        const bool framed = lines.clock && clock_ && lines.data != data_;
        clock_ = lines.clock;
        data_ = lines.data;
        if (!lines.powered) {
            bits_ = -1;
            inAck_ = false;
        } else if (rose && bits_ >= 0 && bits_ < 8) {
            byte_ = static_cast<std::uint8_t>(byte_ << 1 | (lines.data ? 1 : 0));
            ++bits_;
        } else if (rose && bits_ == 8) {
            inAck_ = true;
        } else if (fell && inAck_) {
            endByte(lines.data);
        } else if (framed) {
            // A master that releases the line on the ninth clock to sample a
            // missing acknowledge makes a stop out of it.
            if (inAck_) {
                endByte(true);
            }
            events.emplace_back(lines.data ? "P" : "S");
            bits_ = lines.data ? -1 : 0;
            byte_ = 0;
        }
    }
    bool dataInLine() const override { return true; }

    // The bytes after each start, acknowledges dropped.
    std::vector<std::vector<std::uint8_t>> frames() const {
        std::vector<std::vector<std::uint8_t>> out;
        for (const std::string& e : events) {
            if (e == "S") {
                out.emplace_back();
            } else if (e != "P" && !out.empty()) {
                out.back().push_back(
                    static_cast<std::uint8_t>(std::stoul(e.substr(0, 2), nullptr, 16)));
            }
        }
        return out;
    }

    std::vector<std::string> events;

private:
    void endByte(bool high) {
        char text[4];
        std::snprintf(text, sizeof text, "%02X%c", byte_, high ? '-' : '+');
        events.emplace_back(text);
        bits_ = 0;
        byte_ = 0;
        inAck_ = false;
    }

    bool clock_ = true;
    bool inAck_ = false;
    bool data_ = true;
    int bits_ = -1; // -1: between a stop and the next start
    std::uint8_t byte_ = 0;
};

} // namespace ccp::testing
