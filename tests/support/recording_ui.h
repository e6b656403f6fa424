// A UserInterface for tests: records every beep, box and focus request, and
// answers questions and file choosers from scripted queues.
#pragma once

#include "form/control.h"
#include "form/user_interface.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace ccp::testing {

class RecordingUi : public form::UserInterface {
public:
    void beep() override { ++beeps; }
    void focus(form::Control& control) override { focused.push_back(control.name()); }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    bool askYesNo(const std::string& caption, const std::string& text) override {
        questions.push_back(caption + ": " + text);
        if (answers.empty())
            return false;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> openFile(const std::string& filter) override {
        filters.push_back(filter);
        return nextPath();
    }
    std::optional<std::string> saveFile(const std::string& filter,
                                        const std::string& defaultExt) override {
        filters.push_back(filter + " (" + defaultExt + ")");
        return nextPath();
    }
    void repaintProgress() override { ++repaints; }
    void closeMainWindow() override { ++closes; }

    int beeps = 0;
    int repaints = 0;
    int closes = 0;
    std::vector<std::string> focused;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
    std::vector<std::string> filters;
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> paths;

private:
    std::optional<std::string> nextPath() {
        if (paths.empty())
            return std::nullopt;
        auto path = paths.front();
        paths.pop_front();
        return path;
    }
};

} // namespace ccp::testing
