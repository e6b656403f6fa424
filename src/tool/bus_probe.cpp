#include "tool/bus_probe.h"
