// What a transfer tells the progress dialog while it holds the thread: a step
// for every byte that crosses the bus, and a new caption with the bar back at
// 0 when the verify pass begins. The callers open and close the dialog.
#pragma once

#include <string>

namespace ccp::link {

inline constexpr const char* kVerifyCaption = "Verify data from pager, please wait...";

class TransferProgress {
public:
    virtual ~TransferProgress() = default;
    virtual void stepBy(int amount) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setPosition(int position) = 0;
};

// For callers that show no dialog.
class NoProgress final : public TransferProgress {
public:
    void stepBy(int) override {}
    void setCaption(const std::string&) override {}
    void setPosition(int) override {}
};

} // namespace ccp::link
