// One adapter per control kind binds a form control to its Qt widget: model
// changes reach the widget with its signals blocked; the user's typing,
// picking, clicking and leaving reach the control's user actions.
#pragma once

#include "form/control.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class QAction;

namespace ccp::view {

class Adapter : public QObject {
public:
    Adapter(form::Control& control, QObject* target);
    form::Control& control() const { return control_; }
    QObject* target() const { return target_; }
    QWidget* widget() const { return qobject_cast<QWidget*>(target_.data()); }
    // Copies the control's state into the widget without emitting signals.
    virtual void sync();

protected:
    // Leaving a control by Tab or the mouse runs its exit rule once the
    // focus change is over; a box or a menu taking the focus does not.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Shown and enabled; not for windows and tab pages, whose parents decide.
    void syncCommon();

private:
    form::Control& control_;
    QPointer<QObject> target_;
    bool leaving_ = false;
};

// Creates the widget (or menu action) for `control` under `parent` and the
// adapter that binds them; the adapter is owned by the widget.
Adapter* createAdapter(form::Control& control, QWidget* parent);

} // namespace ccp::view
