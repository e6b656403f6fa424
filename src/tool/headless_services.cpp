#include "tool/headless_services.h"

#include "tool/latin1.h"

#include <ostream>

namespace ccp::tool {

void HeadlessUi::showError(const std::string& text) {
    ++errorBoxes_;
    box("error", text);
}

bool HeadlessUi::askYesNo(const std::string& caption, const std::string& text) {
    questions_.push_back({caption, text, answer_});
    box("question", caption + " / " + text + (answer_ ? " -> yes" : " -> no"), false);
    return answer_;
}

void HeadlessUi::box(const char* kind, const std::string& text, bool kept) {
    if (kept)
        boxTexts_.push_back(text);
    if (boxes_ == nullptr)
        return;
    if (beforeBox_)
        beforeBox_();
    *boxes_ << kind << ": " << printableUtf8(text) << '\n' << std::flush;
}

void LogEcho::controlChanged(form::Control& control) {
    if (&control == &pane_)
        flush();
}

void LogEcho::flush() {
    const std::vector<std::string>& lines = pane_.lines();
    // The pane is editable in the window; a shorter pane restarts at its end.
    if (written_ > lines.size())
        written_ = lines.size();
    if (out_ == nullptr || written_ == lines.size()) {
        written_ = lines.size();
        return;
    }
    for (; written_ < lines.size(); ++written_)
        *out_ << printableUtf8(lines[written_]) << '\n';
    out_->flush();
}

} // namespace ccp::tool
