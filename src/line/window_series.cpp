#include "line/window_series.h"

#include "line/series_pager.h"
#include "model/image_offsets.h"

#include <algorithm>

namespace ccp::line {
namespace {

constexpr const char* kNotWritten = "Pager not written: ";

// The write's last log line says why it failed; a USB error says it in a box.
std::string lastLine(const std::vector<std::string>& lines, std::size_t since) {
    return lines.size() > since ? lines.back() : std::string("the write did not end verified");
}

} // namespace

WindowSeries::WindowSeries(app::TForm1& form) : form_(form) {
}

WindowSeries::~WindowSeries() {
    changed = nullptr;
    close();
}

void WindowSeries::fault(const std::string& text) {
    form_.Memo1.append(text);
    form_.ui().showError(text);
}

void WindowSeries::notify() {
    if (changed)
        changed();
}

std::optional<std::string> WindowSeries::open(store::Store& store, const std::string& name) {
    close();
    last_.reset();
    std::string reason;
    const auto found = store.series(name);
    if (!found.ok())
        reason = found.failure.message;
    else if (!*found.value)
        reason = "there is no series '" + name + "'";
    else if ((*found.value)->exhausted)
        reason = "series '" + name + "' has no capcodes left";
    else if ((*found.value)->definition.profile != form_.CustomerProfile)
        reason = "series '" + name + "' is for customer profile " +
                 std::to_string((*found.value)->definition.profile) +
                 ", and this window runs profile " + std::to_string(form_.CustomerProfile);
    std::optional<store::SeriesStatus> status;
    if (reason.empty()) {
        status = std::move(**found.value);
        if (std::optional<std::string> refused = stepToPlatform(form_, status->definition.platform))
            reason = "the window cannot take platform " +
                     std::to_string(status->definition.platform) + ": " + *refused;
    }
    if (reason.empty()) {
        SeriesPager pager(store, *status);
        const std::optional<std::string> file = pager.templateFile(reason);
        const std::size_t before = form_.Memo1.lines().size();
        bool loaded = false;
        if (file)
            form_.dispatch([&] { loaded = form_.imageFiles.load(*file); });
        if (file && !loaded)
            reason = "its template did not load: " + lastLine(form_.Memo1.lines(), before + 1);
    }
    if (!reason.empty()) {
        fault("Series not opened: " + reason);
        return reason;
    }
    status_ = std::move(status);
    store_ = &store;
    form_.records.setSeries(name);
    writeHandler_ = std::exchange(form_.WriteToPager.onClick, [this] { write(); });
    lock();
    showNext();
    form_.Memo1.append("Series " + name + " opened: " + statusText());
    notify();
    return std::nullopt;
}

void WindowSeries::close() {
    if (!status_)
        return;
    form_.WriteToPager.onClick = std::exchange(writeHandler_, {});
    form_.records.setSeries({});
    unlock();
    form_.Memo1.append("Series " + status_->definition.name + " closed");
    status_.reset();
    store_ = nullptr;
    notify();
}

std::string WindowSeries::statusText() const {
    if (!status_)
        return {};
    const store::SeriesStatus& s = *status_;
    return "Series " + s.definition.name + ": written " + std::to_string(s.written) + ", failed " +
           std::to_string(s.failed) + ", next " +
           (s.exhausted ? std::string("none left") : capcodeList(s.next, s.definition.entries));
}

bool WindowSeries::refresh() {
    const std::string name = status_->definition.name;
    const auto found = store_->series(name);
    if (!found.ok()) {
        // The store may come back: the series stays open, nothing is written.
        fault(kNotWritten + found.failure.message);
        return false;
    }
    std::string reason;
    if (!*found.value)
        reason = "series '" + name + "' no longer exists";
    else if ((*found.value)->exhausted)
        reason = "series '" + name + "' has no capcodes left";
    if (!reason.empty()) {
        fault("Series closed: " + reason);
        close();
        return false;
    }
    status_ = std::move(**found.value);
    return true;
}

std::optional<PagerResult> WindowSeries::write() {
    if (!status_)
        return std::nullopt;
    last_.reset();
    if (!refresh()) {
        notify();
        return std::nullopt;
    }
    const std::size_t firstLine = form_.Memo1.lines().size();
    const int lostBefore = form_.records.lost();
    const int entries = status_->definition.entries;
    SeriesPager pager(*store_, *status_);
    if (std::optional<std::string> reason = pager.reserve(form_)) {
        fault(kNotWritten + *reason);
        notify();
        return std::nullopt;
    }
    const std::string capcodes = capcodeList(pager.reservation()->capcodes, entries);
    struct Unhook {
        ops::PagerOperations& operations;
        ~Unhook() { operations.setBeforeSending({}); }
    } unhook{form_.pagerOperations};
    form_.pagerOperations.setBeforeSending([&pager] { return pager.sending(); });
    bool verified = false;
    {
        const auto hold = form_.HidCtl.holdNotices();
        verified = form_.pagerOperations.WriteToPagerClick();
    }
    PagerResult result{verified, verified ? capcodes : lastLine(form_.Memo1.lines(), firstLine)};
    if (const std::optional<std::string> notTold = pager.finish(verified)) {
        fault(*notTold);
        result = {false, *notTold};
    }
    // Said by the records in a box already: a pager without its record is
    // no success, whatever the write did.
    if (form_.records.lost() > lostBefore)
        result = {false, "the production record was lost; put this pager aside"};
    last_ = result;
    ++attempts_;
    // The bell as the result shows, heard from a step away.
    form_.ui().beep();
    if (refresh())
        showNext();
    notify();
    return result;
}

void WindowSeries::showNext() {
    const store::SeriesStatus& s = *status_;
    for (int i = 0; i < s.definition.entries; ++i) {
        const auto e = static_cast<std::size_t>(i);
        form_.address[e].setText(std::to_string(s.next[e]));
        form_.addressRules.addressExit(i + 1);
        const std::vector<std::string>& steps = form_.autoinc[e].items();
        const auto step =
            std::find(steps.begin(), steps.end(), std::to_string(s.definition.steps[e]));
        if (step != steps.end())
            form_.autoinc[e].setIndex(static_cast<int>(step - steps.begin()));
    }
}

// The capcodes and steps are the series': the address rules enable the steps
// again whenever an entry is switched on, so they are locked after every
// event as well.
void WindowSeries::lock() {
    auto lockSteps = [this] {
        for (form::ComboBox& step : form_.autoinc)
            step.setEnabled(false);
    };
    for (form::Edit& address : form_.address)
        address.setReadOnly(true);
    lockSteps();
    afterEvent_ = form_.afterEvent;
    form_.afterEvent = [this, lockSteps] {
        if (afterEvent_)
            afterEvent_();
        lockSteps();
    };
}

void WindowSeries::unlock() {
    form_.afterEvent = std::exchange(afterEvent_, {});
    for (form::Edit& address : form_.address)
        address.setReadOnly(false);
    for (int n = 1; n <= static_cast<int>(form_.address.size()); ++n)
        form_.addressRules.addrenClick(n);
}

} // namespace ccp::line
