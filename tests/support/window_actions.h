// Random user actions on the window, for the random-action test and the
// window fuzz target: typing and pasting into reachable edits, picking items,
// clicking boxes and menu items, leaving fields, saving and loading a file,
// reading and writing the virtual pager through the USB jig. Moving to
// another control leaves the one that had the focus, as Tab or a click does;
// menus leave nothing. After every action the window's invariants are
// checked; violation() names the first that failed.
#pragma once

#include "editor/address_rules.h"
#include "form/conversion.h"
#include "support/pager_rig.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ccp::testing {

// Bytes to decide with; zeros once they run out.
class ByteSource {
public:
    explicit ByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool empty() const { return at_ >= bytes_.size(); }
    std::uint8_t next() { return empty() ? 0 : bytes_[at_++]; }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : (next() | next() << 8) % n; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

class WindowActions {
public:
    // `file` is where saves and loads go.
    WindowActions(PagerRig& rig, std::string file) : rig_(rig), file_(std::move(file)) {
        for (form::Control* c : rig.form->controls()) {
            switch (c->kind()) {
            case form::ControlKind::Edit:
                if (c->name() != "Memo1")
                    edits_.push_back(static_cast<form::Edit*>(c));
                break;
            case form::ControlKind::ComboBox:
                lists_.push_back(static_cast<form::ComboBox*>(c));
                break;
            case form::ControlKind::CheckBox:
                boxes_.push_back(static_cast<form::CheckBox*>(c));
                break;
            default:
                break;
            }
        }
    }

    void step(ByteSource& in) {
        app::TForm1& w = *rig_.form;
        exitedBs_ = false;
        switch (in.next() % 24) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
            if (form::Edit* e = pick(edits_, in)) {
                moveTo(e);
                e->userType(in.next());
            }
            break;
        case 5:
            if (form::Edit* e = pick(edits_, in)) {
                moveTo(e);
                std::string pasted = e->text();
                // Mostly digits, as pasted capcodes and lengths are; any byte
                // now and then.
                for (std::size_t n = in.below(10); n > 0; --n) {
                    const std::uint8_t b = in.next();
                    pasted += static_cast<char>(b % 4 != 0 ? '0' + b % 10 : in.next());
                }
                e->userEdit(pasted);
            }
            break;
        case 6:
        case 7:
        case 8:
            if (form::ComboBox* c = pick(lists_, in); c != nullptr && !c->items().empty()) {
                moveTo(c);
                c->userPick(static_cast<int>(in.below(c->items().size())));
            }
            break;
        case 9:
        case 10:
        case 11:
            if (form::CheckBox* b = pick(boxes_, in)) {
                moveTo(b);
                b->userClick();
            }
            break;
        case 12:
        case 13:
        case 14:
            leave();
            break;
        case 15:
            menu(w.N5003T6K041);
            break;
        case 16:
            menu(w.Repair1);
            break;
        case 17:
            menu(w.About1);
            break;
        case 18:
            rig_.ui.paths.push_back(file_);
            menu(w.Save1);
            break;
        case 19:
            rig_.ui.paths.push_back(file_);
            menu(w.Open1);
            loadedOrRead_ = true;
            break;
        case 20:
            menu(w.ReadFromPager);
            loadedOrRead_ = true;
            break;
        case 21:
            rig_.ui.answers.push_back(in.next() & 1);
            writeToPager();
            break;
        default:
            if (form::Edit* e = pick(edits_, in)) {
                moveTo(e);
                e->userType(in.next() % 2 ? '0' + in.next() % 10 : 8); // digits, backspace
            }
            break;
        }
        rig_.ui.paths.clear();
        rig_.ui.answers.clear();
        check();
    }

    const std::string& violation() const { return violation_; }

private:
    template <typename T> T* pick(const std::vector<T*>& all, ByteSource& in) {
        std::vector<T*> reachable;
        for (T* c : all)
            if (c->reachable())
                reachable.push_back(c);
        return reachable.empty() ? nullptr : reachable[in.below(reachable.size())];
    }

    void moveTo(form::Control* next) {
        if (focused_ != nullptr && focused_ != next)
            leave();
        focused_ = next;
    }

    void leave() {
        if (focused_ == nullptr)
            return;
        form::Control* left = focused_;
        focused_ = nullptr;
        lengthEdited_ = false;
        left->userLeave();
        const app::TForm1& w = *rig_.form;
        exitedBs_ = left == &w.bs1 || left == &w.bs3;
    }

    void menu(form::MenuItem& item) {
        if (item.reachable())
            item.userClick();
    }

    void writeToPager() {
        app::TForm1& w = *rig_.form;
        if (!w.WriteToPager.reachable())
            return;
        const std::size_t before = w.Memo1.lines().size();
        w.WriteToPager.userClick();
        const auto& lines = w.Memo1.lines();
        for (std::size_t i = before; i < lines.size(); ++i) {
            if (lines[i] == "Verify OK !" && !std::equal(w.EepromImage.begin(), w.EepromImage.end(),
                                                         rig_.eeprom->memory().begin()))
                fail("the pager does not hold the image that verified");
        }
    }

    static bool number(const std::string& text, int& value) {
        try {
            value = form::strToInt(text);
            return true;
        } catch (const form::ConversionError&) {
            return false;
        }
    }

    void fail(const std::string& what) {
        if (violation_.empty())
            violation_ = what;
    }

    void check() {
        const app::TForm1& w = *rig_.form;
        for (const form::ComboBox* c : lists_)
            if (c->index() < -1 || c->index() >= static_cast<int>(c->items().size()))
                fail(c->name() + " selects outside its items");
        for (std::size_t i = 0; i < w.pubboxlength.size(); ++i)
            if (focused_ == &w.pubboxlength[i])
                lengthEdited_ = true;
        if (!loadedOrRead_ && !lengthEdited_) {
            long total = 0;
            bool numbers = true;
            for (std::size_t i = 0; i < w.pubboxact.size(); ++i) {
                int length = 0;
                numbers = numbers && number(w.pubboxlength[i].text(), length);
                if (w.pubboxact[i].checked())
                    total += length;
            }
            if (numbers && total > 99)
                fail("the checked folders hold " + std::to_string(total) + " messages");
        }
        for (std::size_t i = 0; i < w.address.size(); ++i) {
            const std::string& text = w.address[i].text();
            int capcode = 0;
            if (w.address[i].enabled() && text.size() == 7 &&
                text.find_first_not_of("0123456789") == std::string::npos &&
                number(text, capcode) && editor::isValidCapcode(capcode) &&
                w.frame[i].text() != std::to_string(capcode % 8))
                fail(w.address[i].name() + " " + text + " shows frame " + w.frame[i].text());
        }
        int bs1 = 0;
        int bs3 = 0;
        if (exitedBs_ && number(w.bs1.text(), bs1) && number(w.bs3.text(), bs3) &&
            !(2 <= bs1 && bs1 < bs3 && bs3 <= 62))
            fail("bs1 " + w.bs1.text() + " and bs3 " + w.bs3.text() + " after their exit");
    }

    PagerRig& rig_;
    std::string file_;
    std::vector<form::Edit*> edits_;
    std::vector<form::ComboBox*> lists_;
    std::vector<form::CheckBox*> boxes_;
    form::Control* focused_ = nullptr;
    bool lengthEdited_ = false;
    bool loadedOrRead_ = false;
    bool exitedBs_ = false;
    std::string violation_;
};

} // namespace ccp::testing
