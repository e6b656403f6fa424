#include "sim/two_wire_slave.h"

namespace ccp::sim {

namespace {

constexpr int kDataClocks = 8;
constexpr int kAckClock = 9;
constexpr std::uint8_t kReadBit = 0x01;

} // namespace

void TwoWireSlave::onLines(const BusLines& lines) {
    if (!lines.powered) {
        if (powered_) {
            powered_ = false;
            phase_ = Phase::Idle;
            pullLow_ = false;
            poweredDown();
        }
        return;
    }
    if (!powered_) {
        powered_ = true;
        clock_ = lines.clock;
        data_ = lines.data;
        return;
    }
    const bool clockRose = lines.clock && !clock_;
    const bool clockFell = !lines.clock && clock_;
    const bool dataChanged = lines.data != data_;
    clock_ = lines.clock;
    data_ = lines.data;
    if (clockRose) {
        risingEdge(lines.data);
    } else if (clockFell) {
        fallingEdge();
    } else if (lines.clock && dataChanged) {
        // The data line moving while the clock is high frames a transfer.
        pullLow_ = false;
        clocks_ = 0;
        shift_ = 0;
        if (!lines.data) {
            phase_ = Phase::Address;
            started();
        } else {
            phase_ = Phase::Idle;
            stopped();
        }
    }
}

void TwoWireSlave::risingEdge(bool data) {
    if (phase_ == Phase::Idle) {
        return;
    }
    if (clocks_ < kDataClocks && phase_ != Phase::Sending) {
        shift_ = static_cast<std::uint8_t>(shift_ << 1 | (data ? 1 : 0));
    } else if (clocks_ == kDataClocks && phase_ == Phase::Sending) {
        acknowledged_ = !data;
    }
    ++clocks_;
}

void TwoWireSlave::fallingEdge() {
    if (phase_ == Phase::Idle) {
        return;
    }
    if (clocks_ == kDataClocks) {
        if (phase_ == Phase::Sending) {
            pullLow_ = false; // the master acknowledges
        } else {
            acknowledged_ = phase_ == Phase::Address ? addressed(shift_) : received(shift_);
            pullLow_ = acknowledged_;
        }
    } else if (clocks_ == kAckClock) {
        byteDone();
    } else if (phase_ == Phase::Sending && clocks_ > 0 && clocks_ < kDataClocks) {
        pullLow_ = (sending_ & (0x80 >> clocks_)) == 0;
    }
}

void TwoWireSlave::byteDone() {
    clocks_ = 0;
    pullLow_ = false;
    if (!acknowledged_) {
        // Not for this chip, refused, or the master's last byte: wait for
        // the next start.
        phase_ = Phase::Idle;
        return;
    }
    const bool send =
        phase_ == Phase::Sending || (phase_ == Phase::Address && (shift_ & kReadBit) != 0);
    shift_ = 0;
    if (!send) {
        phase_ = Phase::Receiving;
        return;
    }
    phase_ = Phase::Sending;
    sending_ = nextToSend();
    pullLow_ = (sending_ & 0x80) == 0;
}

} // namespace ccp::sim
