// One pager of a series, written by `capcode-tool --series NAME --jig JIG
// --write`: the series' template is loaded as --load loads a file, the
// run's --set steps follow, then the next capcodes are reserved in the store
// and set as the window's auto-increment sets them, and the write runs as
// --write runs it. The production line's SeriesPager does the store's part
// (the window writes a series' pager with it too); this gives its outcomes
// as the tool's steps.
#pragma once

#include "line/series_pager.h"
#include "store/store.h"
#include "tool/headless_form.h"

#include <optional>
#include <string>

namespace ccp::tool {

using line::capcodeList;

class SeriesPager {
public:
    // Both outlive the object.
    SeriesPager(store::Store& store, const store::SeriesStatus& series) : pager_(store, series) {}

    // The template as an image file to load; the reason when it cannot be
    // written.
    std::optional<std::string> templateFile(std::string& reason) {
        return pager_.templateFile(reason);
    }
    // Reserves the next capcodes and puts them into the window.
    StepResult reserve(HeadlessForm& headless);
    // Before the first byte goes to the pager; the reason when the store
    // could not be told, and the write must not start.
    std::optional<std::string> sending() { return pager_.sending(); }
    // Confirms the reservation after a verified write, else gives it back.
    StepResult finish(bool verified);
    const std::optional<store::Reservation>& reservation() const { return pager_.reservation(); }

private:
    line::SeriesPager pager_;
};

} // namespace ccp::tool
