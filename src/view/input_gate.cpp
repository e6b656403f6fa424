#include "view/input_gate.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWindow>
#include <algorithm>

namespace ccp::view {

namespace {
// While a user event (an error box of an exit rule, a question of a write)
// holds the loop, queued exit rules look again this often.
constexpr int kRetryMs = 20;
} // namespace

InputGate::InputGate(form::Form& form, QObject* parent) : QObject(parent), form_(form) {
    exitTimer_.setSingleShot(true);
    connect(&exitTimer_, &QTimer::timeout, this, [this] { runPendingExits(); });
}

InputGate::~InputGate() {
    if (busy_) {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
    }
}

void InputGate::guard(QWidget* window) {
    windows_.emplace_back(window);
}

void InputGate::beginOperation() {
    if (busy_)
        return;
    busy_ = true;
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void InputGate::endOperation() {
    if (!busy_)
        return;
    // The progress repaints took no user input; what the window system holds
    // back from the operation's time is taken now and dropped by the filter.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    busy_ = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    if (!exits_.empty())
        exitTimer_.start(0);
}

bool InputGate::aimsAtGuardedWindow(QObject* receiver) const {
    if (auto* widget = qobject_cast<QWidget*>(receiver)) {
        const QWidget* window = widget->window();
        return std::any_of(windows_.begin(), windows_.end(),
                           [window](const QPointer<QWidget>& w) { return w == window; });
    }
    if (auto* window = qobject_cast<QWindow*>(receiver)) {
        return std::any_of(windows_.begin(), windows_.end(), [window](const QPointer<QWidget>& w) {
            return w != nullptr && w->windowHandle() == window;
        });
    }
    // Menu commands and their shortcuts all belong to the main window.
    return qobject_cast<QAction*>(receiver) != nullptr;
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
    if (!busy_)
        return false;
    const QEvent::Type type = event->type();
    const bool input =
        event->isInputEvent() || type == QEvent::Shortcut || type == QEvent::ShortcutOverride;
    // Boxes that the operation opens (USB errors, questions) take input.
    return input && aimsAtGuardedWindow(watched);
}

void InputGate::requestFocus(QWidget* target) {
    const bool posted = focusTarget_ != nullptr;
    focusTarget_ = target;
    if (!posted)
        QTimer::singleShot(0, this, [this] { carryOutFocus(); });
}

void InputGate::carryOutFocus() {
    QPointer<QWidget> target = focusTarget_;
    focusTarget_ = nullptr;
    if (target == nullptr || !target->isEnabled() || !target->isVisible())
        return;
    ruleMovesFocus_ = true;
    target->setFocus(Qt::OtherFocusReason);
    ruleMovesFocus_ = false;
}

void InputGate::userLeft(form::Control& control) {
    if (busy_)
        return;
    if (std::find(exits_.begin(), exits_.end(), &control) == exits_.end())
        exits_.push_back(&control);
    if (!exitTimer_.isActive())
        exitTimer_.start(0);
}

void InputGate::runPendingExits() {
    if (exits_.empty())
        return;
    if (busy_ || form_.inEvent()) {
        exitTimer_.start(kRetryMs);
        return;
    }
    if (runningExits_)
        return; // an exit rule's error box runs the loop: the rest follow it
    exitTimer_.stop();
    runningExits_ = true;
    while (!exits_.empty() && !busy_) {
        form::Control* control = exits_.front();
        // Taken off the queue before it runs: a conversion error (shown by
        // the form's dispatcher) or anything else leaves nothing behind.
        exits_.erase(exits_.begin());
        try {
            control->userLeave();
        } catch (...) {
            runningExits_ = false;
            throw;
        }
    }
    runningExits_ = false;
}

} // namespace ccp::view
