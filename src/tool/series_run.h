// One pager of a series, written by `capcode-tool --series NAME --jig JIG
// --write`: the series' template is loaded as --load loads a file, the
// run's --set steps follow, then the next capcodes are reserved in the store
// and set as the window's auto-increment sets them, and the write runs as
// --write runs it. The store is told before the first byte goes to the pager;
// a verified write confirms the reservation, any other end gives the
// capcodes back for the next pager. The pager is never written before its
// capcodes are reserved and marked as sending; a run that dies after that
// leaves them in doubt, for a person to settle.
#pragma once

#include "store/store.h"
#include "tool/headless_form.h"

#include <optional>
#include <string>

namespace ccp::tool {

// The first `entries` capcodes, separated by spaces.
std::string capcodeList(const std::array<std::int64_t, store::kEntries>& capcodes, int entries);

class SeriesPager {
public:
    // Both outlive the object.
    SeriesPager(store::Store& store, const store::SeriesStatus& series);
    ~SeriesPager();
    SeriesPager(const SeriesPager&) = delete;
    SeriesPager& operator=(const SeriesPager&) = delete;

    // The template as an image file to load; the reason when it cannot be
    // written.
    std::optional<std::string> templateFile(std::string& reason);
    // Reserves the next capcodes and puts them into the window.
    StepResult reserve(HeadlessForm& headless);
    // Before the first byte goes to the pager; the reason when the store
    // could not be told, and the write must not start.
    std::optional<std::string> sending();
    // Confirms the reservation after a verified write, else gives it back.
    StepResult finish(bool verified);
    const std::optional<store::Reservation>& reservation() const { return reservation_; }

private:
    store::Store& store_;
    const store::SeriesStatus& series_;
    std::string folder_;
    std::optional<store::Reservation> reservation_;
    bool sending_ = false;
};

} // namespace ccp::tool
