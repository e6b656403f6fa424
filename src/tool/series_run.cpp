#include "tool/series_run.h"

namespace ccp::tool {

StepResult SeriesPager::reserve(HeadlessForm& headless) {
    if (std::optional<std::string> reason = pager_.reserve(headless.form()))
        return {Outcome::Failed, std::move(*reason)};
    return {};
}

StepResult SeriesPager::finish(bool verified) {
    if (std::optional<std::string> reason = pager_.finish(verified))
        return {Outcome::Failed, std::move(*reason)};
    return {};
}

} // namespace ccp::tool
