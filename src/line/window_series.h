// The series open in the window. Opening loads the series' template (its
// platform first) and shows the next pager's capcodes in address1-address8
// and its steps in autoinc1-autoinc8, which then cannot be changed; Write To
// Pager then writes the next pager as `capcode-tool --series NAME --write`
// does: capcodes reserved before anything is sent, the store told before the
// first byte, the reservation confirmed after "Verify OK !" and given back
// otherwise, the record carrying the series' name. A fault (the series gone,
// the store unreachable, no capcodes left) is said in the log and a box, and
// the write is refused or the series closed; nothing is written without a
// reservation. Toolkit-free: the window shows what `changed` reports.
#pragma once

#include "app/tform1.h"
#include "store/store.h"

#include <functional>
#include <optional>
#include <string>

namespace ccp::line {

// The outcome of one pager, for the result line.
struct PagerResult {
    bool verified = false;
    // Verified: the pager's capcodes; failed: the reason.
    std::string text;
};

class WindowSeries {
public:
    // `form` outlives the object.
    explicit WindowSeries(app::TForm1& form);
    ~WindowSeries();
    WindowSeries(const WindowSeries&) = delete;
    WindowSeries& operator=(const WindowSeries&) = delete;

    // Opens series `name` of `store` (which outlives it, or the next close);
    // the reason when it cannot, said in the log and a box, with the window
    // as it was.
    std::optional<std::string> open(store::Store& store, const std::string& name);
    // The window's capcode fields editable again, Write To Pager as it was.
    void close();
    bool isOpen() const { return status_.has_value(); }
    const std::optional<store::SeriesStatus>& status() const { return status_; }
    // "Series NAME: written W, failed F, next C1 C2 ..."; empty when closed.
    std::string statusText() const;

    // Writes the next pager of the open series (Write To Pager's handler
    // while it is open); the outcome of a pager that was attempted.
    std::optional<PagerResult> write();
    // The last pager's outcome, until the next one.
    const std::optional<PagerResult>& lastResult() const { return last_; }
    // Pagers attempted since the window started.
    int attempts() const { return attempts_; }

    // After the series opened, closed, changed its counts or wrote a pager.
    std::function<void()> changed;

private:
    void fault(const std::string& text);
    // The series as the store has it now; false (and said) when it cannot be
    // written from: the series is then closed unless the store is only out
    // of reach.
    bool refresh();
    void showNext();
    void lock();
    void unlock();
    void notify();

    app::TForm1& form_;
    store::Store* store_ = nullptr;
    std::optional<store::SeriesStatus> status_;
    std::optional<PagerResult> last_;
    int attempts_ = 0;
    std::function<void()> writeHandler_;
    std::function<void()> afterEvent_;
};

} // namespace ccp::line
