// One pager of a series, for the tool and the window alike: the series'
// template as an image file to load, the next capcodes reserved in the store
// and set as the window's auto-increment sets them, the store told before the
// first byte goes to the pager, and the reservation confirmed after a
// verified write or given back after any other end. The pager is never
// written before its capcodes are reserved and marked as sending; a program
// that dies after that leaves them in doubt, for a person to settle.
#pragma once

#include "app/tform1.h"
#include "store/store.h"

#include <optional>
#include <string>

namespace ccp::line {

// The first `entries` capcodes, separated by spaces.
std::string capcodeList(const std::array<std::int64_t, store::kEntries>& capcodes, int entries);

// The series a window's present state makes: its image, the capcodes of
// address1-address8 as the first pager's and autoinc1-autoinc8 as the steps;
// the reason when it cannot be one.
std::optional<store::SeriesDefinition> seriesOfForm(const app::TForm1& form,
                                                    const std::string& name, std::string& reason);

// The same after the window's settings are encoded into its image with the
// platform's checksums, as a write encodes them: the template then holds
// every setting the window shows. The reason when they cannot be encoded.
std::optional<store::SeriesDefinition> seriesOfWindowNow(app::TForm1& form, const std::string& name,
                                                         std::string& reason);

// Platform steps until the window's platform is `platform`; the reason when
// the platform item cannot take it there.
std::optional<std::string> stepToPlatform(app::TForm1& form, int platform);

class SeriesPager {
public:
    // Both outlive the object.
    SeriesPager(store::Store& store, const store::SeriesStatus& series);
    ~SeriesPager();
    SeriesPager(const SeriesPager&) = delete;
    SeriesPager& operator=(const SeriesPager&) = delete;

    // The template as an image file to load; the reason when it cannot be
    // written. The file goes with the object.
    std::optional<std::string> templateFile(std::string& reason);
    // Reserves the next capcodes and puts them into the window's capcode
    // fields; the reason when none could be reserved.
    std::optional<std::string> reserve(app::TForm1& form);
    // Before the first byte goes to the pager; the reason when the store
    // could not be told, and the write must not start.
    std::optional<std::string> sending();
    // Confirms the reservation after a verified write, else gives it back;
    // the reason when the store could not be told.
    std::optional<std::string> finish(bool verified);
    const std::optional<store::Reservation>& reservation() const { return reservation_; }

private:
    store::Store& store_;
    const store::SeriesStatus& series_;
    std::string folder_;
    std::optional<store::Reservation> reservation_;
    bool sending_ = false;
};

} // namespace ccp::line
