// The control kinds of the window and their event semantics:
//   set from code  - edit: change rule if the text differs; check box: click
//                    rule if the state differs; list: nothing
//   user action    - edit: key filter, then change rule; check box: click
//                    rule; list: change rule; menu item: click rule
//   focus leaves   - exit rule (Control::userLeave)
// User actions go through Form::dispatch; rules run from code never do.
#pragma once

#include "form/control.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ccp::form {

// Character codes as the key filters see them: 0-255 are the window's
// single-byte character set; the view passes larger codes for characters it
// cannot represent, and every filter rejects them.
constexpr int kBackspace = 8;
// The Delete key's code: an editing key like backspace, never a character,
// so it passes every key filter and inserts nothing.
constexpr int kDelete = 127;

class Edit : public Control {
public:
    Edit(Form& form, std::string name);

    const std::string& text() const { return text_; }
    // From code: no length limit; runs the change rule when the text differs.
    void setText(std::string text);

    int maxLength() const { return maxLength_; }
    void setMaxLength(int maxLength);
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);

    // The key filter: returns the character to insert, or nothing when the
    // key is swallowed. A filter may change the text itself and swallow.
    // Delete reaches no filter.
    std::optional<int> filterKey(int code);

    // The user types one character at the end of the text: the key filter,
    // then the insertion (limited to maxLength; backspace deletes), then the
    // change rule. Returns false when the filter swallowed the key.
    bool userType(int code);
    // The user's editing produced `text` (typing in the widget, pasting,
    // deleting a selection): the change rule runs when the text differs.
    void userEdit(std::string text);

    std::function<void()> onChange;
    std::function<std::optional<int>(Edit&, int)> onKeyPress;

private:
    void assign(std::string text);

    std::string text_;
    int maxLength_ = 0;
    bool readOnly_ = false;
};

class ComboBox : public Control {
public:
    ComboBox(Form& form, std::string name);

    const std::vector<std::string>& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    int index() const { return index_; }
    // The selected item's text, or an empty text when nothing is selected.
    std::string text() const;
    int indexOf(const std::string& item) const;

    // From code: runs nothing. An index outside the items leaves no selection.
    void setIndex(int index);
    // Replaces every item; the list is left with no selection.
    void setItems(std::vector<std::string> items);
    void addItem(std::string item);
    void insertItem(int position, std::string item);
    // Deleting the selected item leaves the list with no selection.
    void deleteItem(int position);

    // The user picks an item: the change rule runs.
    void userPick(int index);

    std::function<void()> onChange;

private:
    std::vector<std::string> items_;
    int index_ = -1;
};

class CheckBox : public Control {
public:
    CheckBox(Form& form, std::string name);

    bool checked() const { return checked_; }
    // From code: runs the click rule when the state differs.
    void setChecked(bool checked);
    // The user clicks: the state toggles and the click rule runs.
    void userClick();

    std::function<void()> onClick;

private:
    bool checked_ = false;
};

class Label : public Control {
public:
    Label(Form& form, std::string name, std::string caption = {});
};

class GroupBox : public Control {
public:
    GroupBox(Form& form, std::string name, std::string caption = {});
};

class TabSheet : public Control {
public:
    TabSheet(Form& form, std::string name, std::string caption);
};

class PageControl : public Control {
public:
    PageControl(Form& form, std::string name);
    const std::vector<TabSheet*>& pages() const { return pages_; }
    void addPage(TabSheet& page) { pages_.push_back(&page); }
    TabSheet* activePage() const { return active_; }
    void setActivePage(TabSheet* page);

private:
    std::vector<TabSheet*> pages_;
    TabSheet* active_ = nullptr;
};

class MenuItem : public Control {
public:
    MenuItem(Form& form, std::string name, std::string caption = {});

    bool checked() const { return checked_; }
    void setChecked(bool checked);
    bool isSeparator() const { return caption() == "-"; }
    const std::vector<MenuItem*>& items() const { return items_; }
    void addItem(MenuItem& item) { items_.push_back(&item); }

    // The user chooses the item.
    void userClick();
    std::function<void()> onClick;

private:
    std::vector<MenuItem*> items_;
    bool checked_ = false;
};

class ListBox : public Control {
public:
    ListBox(Form& form, std::string name);
    const std::vector<std::string>& items() const { return items_; }
    int index() const { return index_; }
    void setItems(std::vector<std::string> items);
    void setIndex(int index);
    void userPick(int index);
    std::function<void()> onClick;

private:
    std::vector<std::string> items_;
    int index_ = -1;
};

// The multi-line log: operations append whole lines at the end.
class LogPane : public Control {
public:
    LogPane(Form& form, std::string name);
    const std::vector<std::string>& lines() const { return lines_; }
    void append(std::string line);
    // The pane is editable: the user's text replaces the lines.
    void userEdit(const std::string& text);

private:
    std::vector<std::string> lines_;
};

class ProgressBar : public Control {
public:
    ProgressBar(Form& form, std::string name);
    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return position_; }
    int step() const { return step_; }
    void setRange(int min, int max);
    void setMax(int max) { setRange(min_, max); }
    void setPosition(int position);
    void setStep(int step) { step_ = step; }
    // Advance by the bar's step, or by `amount`; the position stops at max.
    void stepIt() { stepBy(step_); }
    void stepBy(int amount);

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
};

class Window : public Control {
public:
    Window(Form& form, std::string name, std::string caption);
};

} // namespace ccp::form
