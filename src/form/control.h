// The toolkit-neutral control model. Every control of the window is a small
// object with the window's own name; the Form owns the registry (lookup by
// name), tells one observer (the view) about state changes, and runs user
// events through one dispatcher that turns an escaping ConversionError into an
// error box.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ccp::form {

class Form;
class UserInterface;

enum class ControlKind {
    Window,
    PageControl,
    TabSheet,
    GroupBox,
    Label,
    Edit,
    ComboBox,
    CheckBox,
    ListBox,
    LogPane,
    ProgressBar,
    MenuItem,
};

const char* kindName(ControlKind kind);

// Position inside the parent, in pixels, as the window designer placed it.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class Control {
public:
    Control(Form& form, std::string name, ControlKind kind);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }
    Form& form() const { return form_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    // Enabled and visible, and so are all its containers: a user can reach it.
    bool reachable() const;

    const std::string& hint() const { return hint_; }
    void setHint(std::string hint);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

    Control* parent() const { return parent_; }
    const Bounds& bounds() const { return bounds_; }
    // Placement is fixed at construction of the window and not observed.
    void place(Control* parent, Bounds bounds);

    // Runs when the user moves the focus away from the control.
    std::function<void()> onExit;
    // The user moves the focus away (Tab or mouse): runs the exit rule.
    void userLeave();

protected:
    void notify();

private:
    Form& form_;
    std::string name_;
    ControlKind kind_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string hint_;
    std::string caption_;
    Control* parent_ = nullptr;
    Bounds bounds_;
};

class ControlObserver {
public:
    virtual ~ControlObserver() = default;
    virtual void controlChanged(Control& control) = 0;
};

class Form {
public:
    Form() = default;
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Control* find(const std::string& name) const;
    // Controls in creation order (containers before what they contain).
    const std::vector<Control*>& controls() const { return order_; }

    void setObserver(ControlObserver* observer) { observer_ = observer; }
    void setUserInterface(UserInterface* ui) { ui_ = ui; }
    UserInterface& ui() const;

    // Runs one event that the user caused. Events nest (a rule may end up in
    // another user-level handler); only the outermost one catches a
    // ConversionError and shows it with UserInterface::showError, once.
    void dispatch(const std::function<void()>& event);
    bool inEvent() const { return depth_ > 0; }

    // Runs after every outermost user event, for state that follows others.
    std::function<void()> afterEvent;

private:
    friend class Control;
    void add(Control* control);
    void changed(Control& control);

    std::map<std::string, Control*> byName_;
    std::vector<Control*> order_;
    ControlObserver* observer_ = nullptr;
    UserInterface* ui_ = nullptr;
    int depth_ = 0;
};

} // namespace ccp::form
