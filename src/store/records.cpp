// The record half of the store: one row per write attempt, its JSON line kept
// whole beside the columns a query filters on.
#include "store/store.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace ccp::store {
namespace {

std::string capcodeColumn(const std::vector<std::string>& capcodes) {
    std::string column = " ";
    for (const std::string& capcode : capcodes) {
        // "0002004" and "2004" are the same capcode.
        try {
            column += std::to_string(std::stoll(capcode)) + " ";
        } catch (const std::exception&) {
            column += capcode + " ";
        }
    }
    return column;
}

const std::string& at(const std::optional<std::string>& value) {
    static const std::string kEmpty;
    return value ? *value : kEmpty;
}

} // namespace

Record recordFromJsonLine(const std::string& line) {
    Record record;
    record.line = line;
    const nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    if (!json.is_object())
        return record;
    auto string = [&json](const char* key) {
        const auto it = json.find(key);
        return it != json.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    record.time = string("time");
    record.series = string("series");
    record.serial = string("serial");
    record.result = string("result");
    if (const auto capcodes = json.find("capcodes");
        capcodes != json.end() && capcodes->is_array()) {
        for (const nlohmann::json& entry : *capcodes) {
            if (entry.is_object() && entry.contains("capcode") && entry["capcode"].is_string())
                record.capcodes.push_back(entry["capcode"].get<std::string>());
        }
    }
    return record;
}

Status Store::append(const Record& r) {
    return guarded<Done>([&] {
        db_->exec("INSERT INTO records (time, series, serial, capcodes, result, line) VALUES "
                  "(?, ?, ?, ?, ?, ?)",
                  {r.time, r.series.empty() ? Value{} : Value{r.series}, r.serial,
                   capcodeColumn(r.capcodes), r.result, r.line});
        return Done{};
    });
}

Result<std::vector<Record>> Store::records(const RecordQuery& q) {
    return guarded<std::vector<Record>>([&] {
        std::string sql = "SELECT time, series, serial, capcodes, result, line FROM records "
                          "WHERE 1 = 1";
        std::vector<Value> params;
        if (q.series) {
            sql += " AND series = ?";
            params.emplace_back(*q.series);
        }
        if (q.capcode) {
            sql += " AND capcodes LIKE ?";
            params.emplace_back("% " + std::to_string(*q.capcode) + " %");
        }
        if (q.serial) {
            sql += " AND serial = ?";
            params.emplace_back(*q.serial);
        }
        if (q.since) {
            sql += " AND time >= ?";
            params.emplace_back(*q.since);
        }
        sql += " ORDER BY time, id";
        std::vector<Record> records;
        for (const Row& row : db_->query(sql, params)) {
            Record r = recordFromJsonLine(at(row.at(5)));
            r.time = at(row[0]);
            r.series = at(row[1]);
            r.serial = at(row[2]);
            r.result = at(row[4]);
            records.push_back(std::move(r));
        }
        return records;
    });
}

Result<std::int64_t> Store::importJsonLines(const std::string& file) {
    return guarded<std::int64_t>([&]() -> std::int64_t {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return 0;
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        const std::string source = std::string(host) + ":" + file;
        return inWriteTransaction(*db_, [&]() -> std::int64_t {
            const std::vector<Row> done =
                db_->query("SELECT bytes FROM imports WHERE source = ?", {source});
            const std::int64_t from = done.empty() ? 0 : std::stoll(at(done[0][0]));
            in.seekg(from);
            std::int64_t taken = 0;
            std::int64_t offset = from;
            // Only whole lines: one being appended right now waits for the next
            // time.
            for (std::string line; std::getline(in, line) && !in.eof();) {
                offset += static_cast<std::int64_t>(line.size()) + 1;
                if (line.empty())
                    continue;
                const Record r = recordFromJsonLine(line);
                db_->exec("INSERT INTO records (time, series, serial, capcodes, result, line) "
                          "VALUES (?, ?, ?, ?, ?, ?)",
                          {r.time, r.series.empty() ? Value{} : Value{r.series}, r.serial,
                           capcodeColumn(r.capcodes), r.result, r.line});
                ++taken;
            }
            if (offset == from)
                return 0;
            if (done.empty())
                db_->exec("INSERT INTO imports (source, bytes) VALUES (?, ?)", {source, offset});
            else
                db_->exec("UPDATE imports SET bytes = ? WHERE source = ?", {offset, source});
            return taken;
        });
    });
}

} // namespace ccp::store
