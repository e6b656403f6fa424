// The progress dialog: a small modeless window with one bar that the long
// operations show while they hold the thread. Every change asks the user
// interface to repaint it, since the message loop is not running meanwhile.
// The pager operations and the transfers drive it through ops::OperationDialog.
#pragma once

#include "form/controls.h"
#include "ops/operation_dialog.h"

#include <string>

namespace ccp::app {

class TState_Form final : public ops::OperationDialog {
public:
    explicit TState_Form(form::Form& owner);

    form::Window& window() { return State_Form; }
    form::ProgressBar& bar() { return ProgressBar1; }

    // Caption, range 0..max, position 0, shown without being modal.
    void begin(const std::string& caption, int max) override;
    void setCaption(const std::string& caption) override;
    void setPosition(int position) override;
    // One step of the bar (its step is 10), or a given amount.
    void stepIt() override;
    void stepBy(int amount) override;
    void close() override;

    form::Window State_Form;
    form::ProgressBar ProgressBar1;

private:
    void repaint();
    form::Form& owner_;
};

} // namespace ccp::app
