#include "ops/stored_records.h"

#include "store/store.h"

#include <utility>

namespace ccp::ops {
namespace {

// A series name is UTF-8 (the command line's), kept as it is; control
// characters are escaped, never dropped, so that the line names the series
// that a query names.
std::string jsonText(const std::string& text) {
    return jsonUtf8String(text);
}

} // namespace

store::Result<std::unique_ptr<store::Store>> openProductionStore(const std::string& where,
                                                                 const std::string& pending) {
    store::Result<std::unique_ptr<store::Store>> opened = store::Store::open(where);
    if (opened.ok() && !pending.empty()) {
        const store::Result<std::int64_t> taken = (*opened.value)->importJsonLines(pending);
        if (!taken.ok())
            return {std::nullopt, taken.failure};
    }
    return opened;
}

std::string withSeries(const std::string& line, const std::string& series) {
    if (series.empty() || line.empty() || line.back() != '}')
        return line;
    return line.substr(0, line.size() - 1) + ",\"series\":" + jsonText(series) + "}";
}

StoredRecords::StoredRecords(store::Store* store, std::string storeFailure, ProductionLog& file,
                             std::string pending, std::function<void(const std::string&)> complain)
    : store_(store), storeFailure_(std::move(storeFailure)), file_(file),
      pending_(std::move(pending), {}), complain_(std::move(complain)) {
}

void StoredRecords::setStore(store::Store* store, std::string storeFailure) {
    store_ = store;
    storeFailure_ = std::move(storeFailure);
}

void StoredRecords::append(const WriteRecord& record) {
    if (opener_) {
        store::Result<std::unique_ptr<store::Store>> opened = std::exchange(opener_, {})();
        if (opened.ok()) {
            opened_ = std::move(*opened.value);
            setStore(opened_.get(), {});
        } else {
            setStore(nullptr, opened.failure.message);
        }
    }
    const std::string line = withSeries(toJsonLine(record), series_);
    file_.appendLine(line);
    if (store_ == nullptr && storeFailure_.empty())
        return;
    std::string failure = storeFailure_;
    if (store_ != nullptr) {
        store::Record row = store::recordFromJsonLine(line);
        const store::Status stored = store_->append(row);
        if (stored.ok())
            return;
        failure = stored.failure.message;
    }
    allStored_ = false;
    const std::optional<std::string> notKept =
        pending_.path().empty() ? std::optional<std::string>("there is no pending file")
                                : pending_.appendLine(line);
    if (notKept) {
        // Said for every record lost, not once: each is a pager without one.
        ++lost_;
        if (complain_)
            complain_("Production record lost: the store did not take it (" + failure +
                      ") and it could not be kept: " + *notKept +
                      "; put this pager aside and note its serial no. and capcodes by hand");
        return;
    }
    if (!complained_ && complain_) {
        complained_ = true;
        complain_("Production record not stored: " + failure + "; it is kept in " +
                  pending_.path() + " until the store takes it");
    }
}

} // namespace ccp::ops
