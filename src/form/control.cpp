#include "form/control.h"

#include "form/conversion.h"
#include "form/user_interface.h"

#include <stdexcept>

namespace ccp::form {

const char* kindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Window:
        return "window";
    case ControlKind::PageControl:
        return "pages";
    case ControlKind::TabSheet:
        return "tab";
    case ControlKind::GroupBox:
        return "group";
    case ControlKind::Label:
        return "label";
    case ControlKind::Edit:
        return "edit";
    case ControlKind::ComboBox:
        return "list";
    case ControlKind::CheckBox:
        return "checkbox";
    case ControlKind::ListBox:
        return "listbox";
    case ControlKind::LogPane:
        return "log";
    case ControlKind::ProgressBar:
        return "progress";
    case ControlKind::MenuItem:
        return "menuitem";
    }
    return "control";
}

Control::Control(Form& form, std::string name, ControlKind kind)
    : form_(form), name_(std::move(name)), kind_(kind) {
    form_.add(this);
}

void Control::setEnabled(bool enabled) {
    if (enabled_ != enabled) {
        enabled_ = enabled;
        notify();
    }
}

void Control::setVisible(bool visible) {
    if (visible_ != visible) {
        visible_ = visible;
        notify();
    }
}

bool Control::reachable() const {
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        // A tab page that is not the current one is still reachable: the user
        // can pick its tab. Only its own flags count.
        if (!c->enabled_ || !c->visible_)
            return false;
    }
    return true;
}

void Control::setHint(std::string hint) {
    if (hint_ != hint) {
        hint_ = std::move(hint);
        notify();
    }
}

void Control::setCaption(std::string caption) {
    if (caption_ != caption) {
        caption_ = std::move(caption);
        notify();
    }
}

void Control::place(Control* parent, Bounds bounds) {
    parent_ = parent;
    bounds_ = bounds;
}

void Control::userLeave() {
    form_.dispatch([this] {
        if (onExit)
            onExit();
    });
}

void Control::notify() {
    form_.changed(*this);
}

Control* Form::find(const std::string& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

UserInterface& Form::ui() const {
    if (ui_ == nullptr)
        throw std::logic_error("no user interface attached to the form");
    return *ui_;
}

void Form::dispatch(const std::function<void()>& event) {
    if (depth_ > 0) {
        event();
        return;
    }
    ++depth_;
    try {
        event();
    } catch (const ConversionError& error) {
        depth_ = 0;
        ui().showError(error.what());
        if (afterEvent)
            afterEvent();
        return;
    } catch (...) {
        depth_ = 0;
        throw;
    }
    depth_ = 0;
    if (afterEvent)
        afterEvent();
}

void Form::add(Control* control) {
    auto [it, inserted] = byName_.emplace(control->name(), control);
    if (!inserted)
        throw std::logic_error("two controls named " + control->name());
    order_.push_back(control);
}

void Form::changed(Control& control) {
    if (observer_ != nullptr)
        observer_->controlChanged(control);
}

} // namespace ccp::form
