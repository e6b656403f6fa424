// Closes the progress dialog when a scope is left by an exception (a text
// that is not a number in a rule the operation runs), so that no path leaves
// it open. The ordinary paths close it where the operation says.
#pragma once

#include "ops/operation_dialog.h"

#include <exception>

namespace ccp::ops {

class DialogGuard {
public:
    explicit DialogGuard(OperationDialog& dialog) : dialog_(dialog) {}
    ~DialogGuard() {
        if (std::uncaught_exceptions() > exceptions_)
            dialog_.close();
    }
    DialogGuard(const DialogGuard&) = delete;
    DialogGuard& operator=(const DialogGuard&) = delete;

private:
    OperationDialog& dialog_;
    int exceptions_ = std::uncaught_exceptions();
};

} // namespace ccp::ops
