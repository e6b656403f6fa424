// SHA-256 of a byte string, as lowercase hex: the fingerprint a production
// record keeps of the image it wrote. Computed by libcrypto (production_log.cpp).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ccp::ops {

std::string sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace ccp::ops
