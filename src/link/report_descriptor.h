// Input and output report lengths from a HID report descriptor, counted the
// way the kernel's HID core counts them: per report ID, the Report Size x
// Report Count bits of its Input (resp. Output) main items, rounded up to
// whole bytes. A length is the longest report of its kind plus one byte for
// the report ID; a device without Report ID items also gets that byte, since
// callers always put the ID (0) in byte 0. Feature reports do not count.
#pragma once

#include "link/hid_backend.h"

#include <cstdint>
#include <span>

namespace ccp::link {

struct ReportDescriptorSummary {
    // Both 0 when the descriptor is malformed or truncated; one of them 0
    // when the device has no reports of that kind.
    HidCaps caps;
    // Input reports carry an ID byte on the wire (some Input item comes
    // under a Report ID item); hidraw then keeps it on read. The kernel
    // numbers each report type apart, so a numbered Feature or Output report
    // leaves the input reports unnumbered.
    bool numberedInput = false;
};

// Never reads past the end of `descriptor`. Malformed: an item cut short,
// End Collection without Collection, collections left open, Push past four
// levels, Pop with nothing pushed, Report ID 0, Report Size above 256,
// Report Count above 12288, or a report longer than 16383 bytes.
ReportDescriptorSummary parseReportDescriptor(std::span<const std::uint8_t> descriptor);

} // namespace ccp::link
