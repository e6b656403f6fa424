// The progress dialog as the pager operations use it: opened with the
// operation's caption and range, stepped once by the bar's own step, stepped
// by the transfers byte by byte, and closed on every path.
#pragma once

#include "link/transfer_progress.h"

#include <string>

namespace ccp::ops {

class OperationDialog : public link::TransferProgress {
public:
    // Caption, range 0..max, position 0, shown without being modal.
    virtual void begin(const std::string& caption, int max) = 0;
    // One step of the bar by its own step.
    virtual void stepIt() = 0;
    virtual void close() = 0;
};

} // namespace ccp::ops
