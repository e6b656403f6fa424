// The self-test's acknowledge probe: the link's, which the placement probe
// uses as well (link/bus_probe.h).
#pragma once

#include "link/bus_probe.h"

namespace ccp::tool {

using link::BusPace;
using link::BusProbe;

} // namespace ccp::tool
