// What a scratch copy of the window (a compare's, an import's) takes from the
// system: the window's decimal separator, and no parallel port, which the
// window's own start-up probed and logged already and which the copy must
// neither probe nor log again.
#pragma once

#include "link/os_info.h"

namespace ccp::app {

class WindowCopyOs final : public link::OsInfo {
public:
    explicit WindowCopyOs(const link::OsInfo& os) : os_(os) {}
    link::ParallelPortPolicy parallelPortPolicy() const override {
        return link::ParallelPortPolicy::NotOffered;
    }
    char decimalSeparator() const override { return os_.decimalSeparator(); }

private:
    const link::OsInfo& os_;
};

} // namespace ccp::app
