// The production record kept in the store. Each attempt becomes one row (its
// JSON line whole, with "series" added for a series' pager), and the same
// line goes to the run's JSON-lines file when it has one. A row the store
// cannot take is said plainly, once per run, and its line is appended to the
// pending file (production.jsonl beside the store), which the store takes in
// the next time it is opened. Opening the store takes that file in first.
#pragma once

#include "ops/production_log.h"
#include "ops/record_sink.h"
#include "store/store.h"

#include <functional>
#include <memory>
#include <string>

namespace ccp::ops {

// Opens the store at `where` (empty: the default SQLite file) and takes in
// the JSON lines of `pending` that it has not yet taken (empty: none).
store::Result<std::unique_ptr<store::Store>> openProductionStore(const std::string& where,
                                                                 const std::string& pending);

// The line with "series": NAME as its last field; unchanged for no name.
std::string withSeries(const std::string& line, const std::string& series);

class StoredRecords final : public RecordSink {
public:
    // `store` nullptr: it could not be opened, for `storeFailure` (with no
    // failure either, no store is kept). `file` is
    // the run's JSON-lines file (its path may be empty), `pending` the file
    // that keeps what the store did not take. `complain` hears each problem
    // once.
    StoredRecords(store::Store* store, std::string storeFailure, ProductionLog& file,
                  std::string pending, std::function<void(const std::string&)> complain);

    // The series whose pager the next attempts write; empty: none.
    void setSeries(std::string name) { series_ = std::move(name); }
    void setStore(store::Store* store, std::string storeFailure);
    // The store is opened by `open` when the first record comes, and kept:
    // a window needs it only at the end of its first write, not to start.
    using Opener = std::function<store::Result<std::unique_ptr<store::Store>>()>;
    void openWhenFirstNeeded(Opener open) { opener_ = std::move(open); }

    void append(const WriteRecord& record) override;
    // False once a record has gone to the pending file instead of the store.
    bool allStored() const { return allStored_; }
    // Records that neither the store nor the pending file took.
    int lost() const { return lost_; }

private:
    store::Store* store_;
    std::string storeFailure_;
    Opener opener_;
    std::unique_ptr<store::Store> opened_;
    ProductionLog& file_;
    ProductionLog pending_;
    std::function<void(const std::string&)> complain_;
    std::string series_;
    bool allStored_ = true;
    int lost_ = 0;
    bool complained_ = false;
};

} // namespace ccp::ops
