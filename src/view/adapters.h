// One adapter per control kind binds a form control to its Qt widget: model
// changes reach the widget with its signals blocked; the user's typing,
// picking, clicking and leaving reach the control's user actions.
#pragma once

#include "form/control.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QAction;

namespace ccp::view {

class FileNames;
class InputGate;

// What the adapters share with their window.
struct AdapterContext {
    InputGate& gate;
    const FileNames& fileNames;
    // A widget was shown or hidden: the layouts of hidden pages follow too.
    std::function<void()> visibilityChanged;
};

class Adapter : public QObject {
public:
    Adapter(form::Control& control, QObject* target, AdapterContext& context);
    form::Control& control() const { return control_; }
    QObject* target() const { return target_; }
    QWidget* widget() const { return qobject_cast<QWidget*>(target_.data()); }
    // Copies the control's state into the widget without emitting signals.
    virtual void sync();

protected:
    // Leaving a control by Tab or the mouse runs its exit rule once the
    // focus change is over; a box or a menu taking the focus does not, nor
    // does a focus change that a rule asked for.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Shown and enabled; not for windows and tab pages, whose parents decide.
    void syncCommon();
    AdapterContext& context() const { return context_; }

private:
    form::Control& control_;
    QPointer<QObject> target_;
    AdapterContext& context_;
};

// Creates the widget (or menu action) for `control` under `parent` and the
// adapter that binds them; the adapter is owned by the widget.
Adapter* createAdapter(form::Control& control, QWidget* parent, AdapterContext& context);

} // namespace ccp::view
