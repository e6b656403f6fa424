#include "tool/series_run.h"

#include "link/stop_point.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace ccp::tool {
namespace {

std::string padded(std::int64_t capcode) {
    char text[16];
    std::snprintf(text, sizeof text, "%07lld", static_cast<long long>(capcode));
    return text;
}

} // namespace

std::string capcodeList(const std::array<std::int64_t, store::kEntries>& capcodes, int entries) {
    std::string text;
    for (int i = 0; i < entries; ++i)
        text.append(i > 0 ? " " : "").append(std::to_string(capcodes[static_cast<std::size_t>(i)]));
    return text;
}

SeriesPager::SeriesPager(store::Store& store, const store::SeriesStatus& series)
    : store_(store), series_(series) {
}

SeriesPager::~SeriesPager() {
    if (reservation_)
        (void)store_.giveBack(*reservation_);
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

std::optional<std::string> SeriesPager::templateFile(std::string& reason) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/capcode-series-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        reason = "the series' template cannot be put in a temporary folder";
        return std::nullopt;
    }
    folder_ = pattern;
    const std::string file = folder_ + "/series.eep";
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(series_.definition.image.data()),
              static_cast<std::streamsize>(series_.definition.image.size()));
    out.close();
    if (!out) {
        reason = "the series' template cannot be put in " + file;
        return std::nullopt;
    }
    return file;
}

StepResult SeriesPager::reserve(HeadlessForm& headless) {
    store::Result<store::Reservation> reserved = store_.reserve(series_.definition.name);
    if (!reserved.ok())
        return {Outcome::Failed, "no capcodes reserved: " + reserved.failure.message};
    reservation_ = *reserved.value;
    sending_ = false;
    link::stopPoint("reserved");
    app::TForm1& form = headless.form();
    for (int i = 0; i < series_.definition.entries; ++i) {
        const auto e = static_cast<std::size_t>(i);
        form.address[e].setText(padded(reservation_->capcodes[e]));
        form.addressRules.addressExit(i + 1);
    }
    return {};
}

std::optional<std::string> SeriesPager::sending() {
    if (!reservation_)
        return std::nullopt;
    const store::Status marked = store_.sending(*reservation_);
    if (!marked.ok())
        return "the store could not be told that the write starts: " + marked.failure.message;
    sending_ = true;
    return std::nullopt;
}

StepResult SeriesPager::finish(bool verified) {
    if (!reservation_)
        return {};
    const store::Reservation r = *reservation_;
    reservation_.reset();
    if (verified)
        link::stopPoint("verified");
    const store::Status done = verified ? store_.confirm(r) : store_.giveBack(r);
    if (done.ok())
        return {};
    const std::string capcodes = capcodeList(r.capcodes, series_.definition.entries);
    if (!verified && !sending_)
        // Nothing went to the pager: given back once this process is gone.
        return {Outcome::Failed, "capcodes not given back yet: " + done.failure.message};
    if (!verified)
        return {Outcome::Failed, "the pager was not written whole, but the store could not be "
                                 "told: " +
                                     done.failure.message + "; capcodes " + capcodes + " (slot " +
                                     std::to_string(r.slot) +
                                     ") stay in doubt until 'series settle' reads this pager"};
    return {Outcome::Failed, "the pager was written with capcodes " + capcodes +
                                 ", but the store could not be told: " + done.failure.message +
                                 "; put this pager aside: slot " + std::to_string(r.slot) +
                                 " stays in doubt until 'series settle' reads it"};
}

} // namespace ccp::tool
