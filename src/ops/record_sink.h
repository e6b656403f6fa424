// Where Write To Pager hands the record of each attempt: a JSON-lines file
// (ProductionLog), the production store (StoredRecords), or both.
#pragma once

namespace ccp::ops {

struct WriteRecord;

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void append(const WriteRecord& record) = 0;
};

} // namespace ccp::ops
