#include "form/controls.h"

#include <algorithm>

namespace ccp::form {

Edit::Edit(Form& form, std::string name) : Control(form, std::move(name), ControlKind::Edit) {
}

void Edit::setText(std::string text) {
    if (text == text_)
        return;
    assign(std::move(text));
    if (onChange)
        onChange();
}

void Edit::assign(std::string text) {
    text_ = std::move(text);
    notify();
}

void Edit::setMaxLength(int maxLength) {
    if (maxLength_ != maxLength) {
        maxLength_ = maxLength;
        notify();
    }
}

void Edit::setReadOnly(bool readOnly) {
    if (readOnly_ != readOnly) {
        readOnly_ = readOnly;
        notify();
    }
}

std::optional<int> Edit::filterKey(int code) {
    if (!onKeyPress || code == kDelete)
        return code;
    return onKeyPress(*this, code);
}

bool Edit::userType(int code) {
    bool accepted = false;
    form().dispatch([&] {
        std::optional<int> key = filterKey(code);
        if (!key)
            return;
        accepted = true;
        if (readOnly_)
            return;
        std::string text = text_;
        if (*key == kBackspace) {
            if (!text.empty())
                text.pop_back();
        } else if (*key >= 32 && *key <= 255 && *key != kDelete) {
            if (maxLength_ > 0 && static_cast<int>(text.size()) >= maxLength_)
                return;
            text += static_cast<char>(*key);
        } else {
            return; // other control keys insert nothing
        }
        setText(std::move(text));
    });
    return accepted;
}

void Edit::userEdit(std::string text) {
    form().dispatch([&] { setText(std::move(text)); });
}

ComboBox::ComboBox(Form& form, std::string name)
    : Control(form, std::move(name), ControlKind::ComboBox) {
}

std::string ComboBox::text() const {
    return index_ >= 0 ? items_[index_] : std::string();
}

int ComboBox::indexOf(const std::string& item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void ComboBox::setIndex(int index) {
    if (index < 0 || index >= count())
        index = -1;
    if (index_ != index) {
        index_ = index;
        notify();
    }
}

void ComboBox::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    index_ = -1;
    notify();
}

void ComboBox::addItem(std::string item) {
    insertItem(count(), std::move(item));
}

void ComboBox::insertItem(int position, std::string item) {
    position = std::clamp(position, 0, count());
    items_.insert(items_.begin() + position, std::move(item));
    if (index_ >= position)
        ++index_;
    notify();
}

void ComboBox::deleteItem(int position) {
    if (position < 0 || position >= count())
        return;
    items_.erase(items_.begin() + position);
    if (index_ == position)
        index_ = -1;
    else if (index_ > position)
        --index_;
    notify();
}

void ComboBox::userPick(int index) {
    form().dispatch([&] {
        setIndex(index);
        if (onChange)
            onChange();
    });
}

CheckBox::CheckBox(Form& form, std::string name)
    : Control(form, std::move(name), ControlKind::CheckBox) {
}

void CheckBox::setChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    notify();
    if (onClick)
        onClick();
}

void CheckBox::userClick() {
    form().dispatch([&] { setChecked(!checked_); });
}

Label::Label(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name), ControlKind::Label) {
    setCaption(std::move(caption));
}

GroupBox::GroupBox(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name), ControlKind::GroupBox) {
    setCaption(std::move(caption));
}

TabSheet::TabSheet(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name), ControlKind::TabSheet) {
    setCaption(std::move(caption));
}

PageControl::PageControl(Form& form, std::string name)
    : Control(form, std::move(name), ControlKind::PageControl) {
}

void PageControl::setActivePage(TabSheet* page) {
    if (active_ != page) {
        active_ = page;
        notify();
    }
}

MenuItem::MenuItem(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name), ControlKind::MenuItem) {
    setCaption(std::move(caption));
}

void MenuItem::setChecked(bool checked) {
    if (checked_ != checked) {
        checked_ = checked;
        notify();
    }
}

void MenuItem::userClick() {
    form().dispatch([&] {
        if (onClick)
            onClick();
    });
}

ListBox::ListBox(Form& form, std::string name)
    : Control(form, std::move(name), ControlKind::ListBox) {
}

void ListBox::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    index_ = -1;
    notify();
}

void ListBox::setIndex(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size()))
        index = -1;
    if (index_ != index) {
        index_ = index;
        notify();
    }
}

void ListBox::userPick(int index) {
    form().dispatch([&] {
        setIndex(index);
        if (onClick)
            onClick();
    });
}

LogPane::LogPane(Form& form, std::string name)
    : Control(form, std::move(name), ControlKind::LogPane) {
}

void LogPane::append(std::string line) {
    lines_.push_back(std::move(line));
    notify();
}

void LogPane::userEdit(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines != lines_) {
        lines_ = std::move(lines);
        notify();
    }
}

ProgressBar::ProgressBar(Form& form, std::string name)
    : Control(form, std::move(name), ControlKind::ProgressBar) {
}

void ProgressBar::setRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    notify();
}

void ProgressBar::setPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    notify();
}

void ProgressBar::stepBy(int amount) {
    setPosition(position_ + amount);
}

Window::Window(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name), ControlKind::Window) {
    setCaption(std::move(caption));
}

} // namespace ccp::form
