#include "line/series_pager.h"

#include "app/settings_diff.h"
#include "editor/address_rules.h"
#include "form/conversion.h"
#include "link/stop_point.h"
#include "model/checksum.h"
#include "model/image_offsets.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace ccp::line {
namespace {

constexpr int kPlatformCount = 7;

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

std::optional<store::SeriesDefinition> seriesOfForm(const app::TForm1& form,
                                                    const std::string& name, std::string& reason) {
    store::SeriesDefinition d;
    d.name = name;
    d.profile = form.CustomerProfile;
    d.platform = form.HardwarePlatform;
    d.image = app::imageFileBytes(form);
    d.entries = model::layoutOf(d.platform) == model::Layout::Pcd5003 ? 6 : 8;
    for (int i = 0; i < d.entries; ++i) {
        const auto e = static_cast<std::size_t>(i);
        const std::string capcode = form.address[e].text();
        const std::string step = form.autoinc[e].text();
        const std::string entry = "address" + std::to_string(i + 1);
        try {
            d.first[e] = form::strToInt(capcode);
            d.steps[e] = step.empty() ? 0 : form::strToInt(step);
        } catch (const form::ConversionError&) {
            reason = entry + ": '" + capcode + "' is not a capcode";
            return std::nullopt;
        }
        if (!editor::isValidCapcode(d.first[e])) {
            reason = entry + ": " + capcode + " is not a valid capcode";
            return std::nullopt;
        }
    }
    // A stepped entry that starts on another entry's capcode would share it
    // with every pager.
    for (int i = 0; i < d.entries; ++i) {
        for (int j = 0; j < d.entries; ++j) {
            const auto a = static_cast<std::size_t>(i);
            const auto b = static_cast<std::size_t>(j);
            if (i != j && d.steps[a] != 0 && d.first[a] == d.first[b]) {
                reason = "address" + std::to_string(i + 1) + " steps and starts on address" +
                         std::to_string(j + 1) + "'s capcode " + std::to_string(d.first[a]);
                return std::nullopt;
            }
        }
    }
    return d;
}

std::optional<store::SeriesDefinition> seriesOfWindowNow(app::TForm1& form, const std::string& name,
                                                         std::string& reason) {
    const std::size_t before = form.Memo1.lines().size();
    // Over the image the window holds: the bytes no setting determines stay
    // as the template file or the pager last read had them.
    bool encoded = false;
    form.dispatch([&] { encoded = form.imageEncoder.encode(); });
    if (!encoded) {
        const auto& lines = form.Memo1.lines();
        reason = lines.size() > before ? lines.back() : "the window's settings cannot be encoded";
        return std::nullopt;
    }
    model::storeChecksums(form.EepromImage, model::layoutOf(form.HardwarePlatform));
    return seriesOfForm(form, name, reason);
}

std::optional<std::string> stepToPlatform(app::TForm1& form, int platform) {
    if (platform < 0 || platform >= kPlatformCount)
        return std::string("there is no platform ").append(std::to_string(platform));
    if (form.HardwarePlatform == platform)
        return std::nullopt;
    if (!form.N5003T6K041.reachable())
        return std::string("the platform item is disabled; the platform stays ")
            .append(std::to_string(form.HardwarePlatform));
    for (int step = 0; step < kPlatformCount && form.HardwarePlatform != platform; ++step)
        form.N5003T6K041.userClick();
    if (form.HardwarePlatform != platform)
        return std::string("the platform steps never reach ").append(std::to_string(platform));
    return std::nullopt;
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

std::optional<std::string> SeriesPager::reserve(app::TForm1& form) {
    store::Result<store::Reservation> reserved = store_.reserve(series_.definition.name);
    if (!reserved.ok())
        return "no capcodes reserved: " + reserved.failure.message;
    reservation_ = *reserved.value;
    sending_ = false;
    link::stopPoint("reserved");
    for (int i = 0; i < series_.definition.entries; ++i) {
        const auto e = static_cast<std::size_t>(i);
        form.address[e].setText(padded(reservation_->capcodes[e]));
        form.addressRules.addressExit(i + 1);
    }
    return std::nullopt;
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

std::optional<std::string> SeriesPager::finish(bool verified) {
    if (!reservation_)
        return std::nullopt;
    const store::Reservation r = *reservation_;
    reservation_.reset();
    if (verified)
        link::stopPoint("verified");
    const store::Status done = verified ? store_.confirm(r) : store_.giveBack(r);
    if (done.ok())
        return std::nullopt;
    const std::string capcodes = capcodeList(r.capcodes, series_.definition.entries);
    if (!verified && !sending_)
        // Nothing went to the pager: given back once this process is gone.
        return "capcodes not given back yet: " + done.failure.message;
    if (!verified)
        return "the pager was not written whole, but the store could not be told: " +
               done.failure.message + "; capcodes " + capcodes + " (slot " +
               std::to_string(r.slot) + ") stay in doubt until 'series settle' reads this pager";
    return "the pager was written with capcodes " + capcodes +
           ", but the store could not be told: " + done.failure.message +
           "; put this pager aside: slot " + std::to_string(r.slot) +
           " stays in doubt until 'series settle' reads it";
}

} // namespace ccp::line
