// The window's hold on the person's input. While an operation holds the
// thread (the progress dialog is up) every key, click and shortcut aimed at
// the window is dropped, never kept for later, and the wait cursor shows.
// A focus change that a rule asks for is carried out here and is not the
// user leaving a field: it runs no exit rule. The exit rules of the fields
// the user left run after the focus change, one at a time, outside every
// other user event and never inside an operation.
#pragma once

#include "form/control.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace ccp::view {

class InputGate : public QObject {
public:
    InputGate(form::Form& form, QObject* parent);
    ~InputGate() override;
    InputGate(const InputGate&) = delete;
    InputGate& operator=(const InputGate&) = delete;

    // A window whose input is dropped while an operation runs.
    void guard(QWidget* window);

    // The operation's progress dialog opened and closed. Closing drops the
    // input that arrived meanwhile before the window takes input again.
    void beginOperation();
    void endOperation();
    bool busy() const { return busy_; }

    // A rule gives the focus to `target` once the current event is over;
    // the last request wins.
    void requestFocus(QWidget* target);
    // True while a rule's focus request is being carried out.
    bool ruleMovesFocus() const { return ruleMovesFocus_; }

    // The user moved the focus away from `control` (Tab or the mouse): its
    // exit rule is queued. A focus change during an operation is dropped:
    // the user cannot make one then, so the operation's own rules did.
    void userLeft(form::Control& control);
    // Runs the queued exit rules now, unless an operation or another user
    // event is running; then they wait for its end. A menu choice runs them
    // first, since the user left those fields before choosing.
    void runPendingExits();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool aimsAtGuardedWindow(QObject* receiver) const;
    void carryOutFocus();

    form::Form& form_;
    std::vector<QPointer<QWidget>> windows_;
    bool busy_ = false;
    bool ruleMovesFocus_ = false;
    bool runningExits_ = false;
    QPointer<QWidget> focusTarget_;
    std::vector<form::Control*> exits_;
    QTimer exitTimer_;
};

} // namespace ccp::view
