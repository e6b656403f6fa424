#include "app/wr_state.h"

#include "form/user_interface.h"

namespace ccp::app {

TState_Form::TState_Form(form::Form& owner)
    : State_Form(owner, "State_Form", "Writing to eeprom.Please waiting..."),
      ProgressBar1(owner, "ProgressBar1"), owner_(owner) {
    State_Form.setVisible(false);
    State_Form.place(nullptr, {0, 0, 275, 54});
    ProgressBar1.place(&State_Form, {13, 11, 249, 32});
    ProgressBar1.setRange(0, 64);
    ProgressBar1.setStep(10);
}

void TState_Form::begin(const std::string& caption, int max) {
    State_Form.setCaption(caption);
    ProgressBar1.setRange(0, max);
    ProgressBar1.setPosition(0);
    State_Form.setVisible(true);
    repaint();
}

void TState_Form::setCaption(const std::string& caption) {
    State_Form.setCaption(caption);
    repaint();
}

void TState_Form::setPosition(int position) {
    ProgressBar1.setPosition(position);
    repaint();
}

void TState_Form::stepIt() {
    ProgressBar1.stepIt();
    repaint();
}

void TState_Form::stepBy(int amount) {
    ProgressBar1.stepBy(amount);
    repaint();
}

void TState_Form::close() {
    State_Form.setVisible(false);
    repaint();
}

void TState_Form::repaint() {
    owner_.ui().repaintProgress();
}

} // namespace ccp::app
