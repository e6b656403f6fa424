#include "tool/user_setting.h"

#include "app/user_setting.h"
#include "tool/latin1.h"

namespace ccp::tool {

std::optional<Assignment> parseAssignment(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return std::nullopt;
    return Assignment{std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

StepResult applySetting(HeadlessForm& headless, const Assignment& assignment) {
    const form::Control* control = headless.form().find(assignment.name);
    const std::string name = control != nullptr ? control->name() : assignment.name;
    std::string offending;
    const std::optional<std::string> value = utf8ToLatin1(assignment.value, &offending);
    if (control != nullptr && !value)
        return refused(name, std::string("'").append(offending).append(
                                 "' is not a character of the pager's set (Latin-1)"));
    if (const std::optional<app::SettingRefusal> refusal =
            app::applySetting(headless.form(), headless.ui(), assignment.name, value.value_or("")))
        return refused(refusal->control, refusal->reason);
    return {};
}

} // namespace ccp::tool
