// What the person at the window was shown while the rules ran: error boxes
// and their texts, and the controls the rules gave the focus back to. A
// setting made as a user would is judged by it. RecordingUi keeps it for a
// window nobody sees (a scratch copy): no box is shown, every question is
// answered No, every file chooser is cancelled.
#pragma once

#include "form/control.h"
#include "form/user_interface.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ccp::app {

class UiRecord {
public:
    virtual ~UiRecord() = default;
    virtual std::size_t errorBoxes() const = 0;
    // Texts of every message and error box, in order.
    virtual const std::vector<std::string>& boxTexts() const = 0;
    virtual const std::vector<const form::Control*>& focusRequests() const = 0;
};

class RecordingUi final : public form::UserInterface, public UiRecord {
public:
    void beep() override {}
    void focus(form::Control& control) override { focusRequests_.push_back(&control); }
    void showMessage(const std::string& text) override { boxTexts_.push_back(text); }
    void showReport(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showError(const std::string& text) override {
        ++errorBoxes_;
        boxTexts_.push_back(text);
    }
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void repaintProgress() override {}
    void closeMainWindow() override {}

    std::size_t errorBoxes() const override { return errorBoxes_; }
    const std::vector<std::string>& boxTexts() const override { return boxTexts_; }
    const std::vector<const form::Control*>& focusRequests() const override {
        return focusRequests_;
    }

private:
    std::size_t errorBoxes_ = 0;
    std::vector<std::string> boxTexts_;
    std::vector<const form::Control*> focusRequests_;
};

} // namespace ccp::app
