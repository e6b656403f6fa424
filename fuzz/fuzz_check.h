// What the fuzz targets share: a check that stops the run with a message when
// an invariant fails, so libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ccp::fuzz {

inline void require(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "invariant failed: %s\n", what.c_str());
        std::abort();
    }
}

} // namespace ccp::fuzz
