// The machine as a run without a window sees it: boxes written to a stream
// (after the log lines that came before them), questions answered as the run
// was told (No unless told Yes) and written there with their answer, the parallel port offered only
// when the run has a jig, and the log pane echoed line by line as the rules append. Beeps and focus
// requests are recorded, never shown.
#pragma once

#include "app/ui_record.h"
#include "form/control.h"
#include "form/controls.h"
#include "form/user_interface.h"
#include "link/os_info.h"
#include "ops/production_log.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace ccp::tool {

class HeadlessUi final : public form::UserInterface, public app::UiRecord {
public:
    // `boxes` receives "message: TEXT" and "error: TEXT" lines; nullptr keeps
    // them in boxTexts() only.
    explicit HeadlessUi(std::ostream* boxes) : boxes_(boxes) {}

    // Runs before a box is written, so that earlier log lines come first.
    void setBeforeBox(std::function<void()> flush) { beforeBox_ = std::move(flush); }

    void beep() override { ++beeps_; }
    void focus(form::Control& control) override { focusRequests_.push_back(&control); }
    void showMessage(const std::string& text) override { box("message", text); }
    // The comparison a report shows is printed by the step that asked for it.
    void showReport(const std::string&, const std::string&) override {}
    void showError(const std::string& text) override;
    // Nobody is there to answer: every question gets the run's answer, and
    // is written as "question: CAPTION / TEXT -> yes|no".
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void setAnswer(bool yes) { answer_ = yes; }
    // The runner passes paths straight to the file steps; a chooser that is
    // asked anyway is cancelled.
    std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void repaintProgress() override {}
    void closeMainWindow() override {}

    // Texts of every message and error box, in order.
    const std::vector<std::string>& boxTexts() const override { return boxTexts_; }
    // Every question asked, with the answer it got, in order.
    const std::vector<ops::Question>& questions() const { return questions_; }
    std::size_t errorBoxes() const override { return errorBoxes_; }
    // Controls the rules gave the focus back to, in order.
    const std::vector<const form::Control*>& focusRequests() const override {
        return focusRequests_;
    }
    int beeps() const { return beeps_; }

private:
    // `kept`: the text goes to boxTexts() too.
    void box(const char* kind, const std::string& text, bool kept = true);

    std::ostream* boxes_;
    std::function<void()> beforeBox_;
    bool answer_ = false;
    std::vector<std::string> boxTexts_;
    std::vector<ops::Question> questions_;
    std::size_t errorBoxes_ = 0;
    std::vector<const form::Control*> focusRequests_;
    int beeps_ = 0;
};

// Without a jig the parallel port is not offered, so start-up neither probes
// nor logs it; with one it is available and start-up detects the jig as the
// window does. The decimal separator is the user's, from the numeric locale.
class HeadlessOsInfo final : public link::OsInfo {
public:
    explicit HeadlessOsInfo(link::ParallelPortPolicy policy = link::ParallelPortPolicy::NotOffered)
        : policy_(policy) {}
    link::ParallelPortPolicy parallelPortPolicy() const override { return policy_; }
    char decimalSeparator() const override { return locale_.decimalSeparator(); }

private:
    link::ParallelPortPolicy policy_;
    link::LinuxOsInfo locale_;
};

// Writes each line appended to the log pane, once and in order, as UTF-8.
class LogEcho final : public form::ControlObserver {
public:
    // `out` == nullptr: nothing is written.
    LogEcho(const form::LogPane& pane, std::ostream* out) : pane_(pane), out_(out) {}

    void controlChanged(form::Control& control) override;
    // Writes the lines not yet written.
    void flush();

private:
    const form::LogPane& pane_;
    std::ostream* out_;
    std::size_t written_ = 0;
};

} // namespace ccp::tool
