// The result bytes of the two transfer entry points. The values are the ones
// the pager operations compare against; a USB error has already been shown
// to the user when it is returned.
#pragma once

#include <cstdint>
#include <string_view>

namespace ccp::link {

enum class TransferResult : std::uint8_t {
    WriteFailed = 0,  // a byte of the write was not acknowledged
    VerifyFailed = 1, // written, but the read-back differs or could not be read
    Verified = 2,
    ReadDone = 3,
    ReadFailed = 255, // parallel port; on USB the same value is a USB error
    UsbError = 255,
};

enum class DecoderResult : std::uint8_t {
    Failed = 0, // read failed, or programming failed
    Done = 1,   // read done, or programmed and verified
    VerifyFailed = 2,
    UsbError = 255,
};

// Whether a transfer's text mode asks for a read: "R" in either case.
bool isReadMode(std::string_view mode);

} // namespace ccp::link
