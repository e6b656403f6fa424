// The window's state after a run as one JSON document: profile, platform,
// window caption, log lines, box texts, the questions asked with their
// answers ("yes" or "no"), every control keyed by its name with
// the state its kind has, and the EepromImage (512 bytes) and DecoderImage
// (48 bytes) as lower-case hex. Texts are converted from Latin-1 to UTF-8.
// A run that did not succeed adds the reason as "error".
#pragma once

#include "tool/headless_form.h"

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <span>
#include <string>

namespace ccp::tool {

// Keys keep the order in which they were added: controls in creation order.
using Json = nlohmann::ordered_json;

Json controlJson(const form::Control& control);
Json reportJson(const HeadlessForm& headless);
// `document` with an "error" key holding `error` (UTF-8) when it is not empty:
// why the run failed or was refused.
Json withError(Json document, const std::string& error);

// The document, indented, on `out`.
void printJson(const Json& document, std::ostream& out);

// Two lower-case hex digits per byte, no separators.
std::string lowerHex(std::span<const std::uint8_t> bytes);

} // namespace ccp::tool
