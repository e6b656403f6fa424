#include "tool/record_command.h"

#include "ops/production_log.h"
#include "ops/stored_records.h"
#include "tool/json_report.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace ccp::tool {

void addRecordCommand(CLI::App& app, RecordOptions& o) {
    o.command = app.add_subcommand("record", "the production record: every write attempt");
    o.command->add_option("--series", o.series, "only this series' pagers")->type_name("NAME");
    o.command->add_option("--capcode", o.capcode, "only pagers that hold this capcode")
        ->check(CLI::Range(0, 2097151))
        ->type_name("C");
    o.command->add_option("--serial", o.serial, "only pagers with this serial no.")->type_name("S");
    o.command->add_option("--since", o.since, "only attempts at or after this UTC date or time")
        ->type_name("DATE");
    CLI::Option* json = o.command->add_flag("--json", o.json, "print one JSON array");
    o.command->add_flag("--jsonl", o.jsonl, "print each record's JSON line")->excludes(json);
    o.command
        ->add_option("--db", o.db,
                     "the store: a postgresql:// URL, or a SQLite file (default: "
                     "$XDG_DATA_HOME/capcode-programmer/production.db)")
        ->type_name("URL");
}

int runRecordCommand(const RecordOptions& o, std::ostream& out, std::ostream& err) {
    auto opened = ops::openProductionStore(o.db, ops::defaultProductionLogPath());
    if (!opened.ok()) {
        err << "capcode-tool: " << opened.failure.message << '\n';
        return 1;
    }
    const auto found = (*opened.value)->records({o.series, o.capcode, o.serial, o.since});
    if (!found.ok()) {
        err << "capcode-tool: " << found.failure.message << '\n';
        return 1;
    }
    Json all = Json::array();
    for (const store::Record& r : *found.value) {
        if (o.jsonl) {
            out << r.line << '\n';
        } else if (o.json) {
            Json record = Json::parse(r.line, nullptr, false);
            if (record.is_discarded())
                record = Json{{"line", r.line}};
            if (!r.series.empty() && !record.contains("series"))
                record["series"] = r.series;
            all.push_back(std::move(record));
        } else {
            std::string capcodes;
            for (const std::string& c : r.capcodes)
                capcodes += (capcodes.empty() ? "" : " ") + c;
            out << r.time << "  " << r.result << "  serial " << r.serial << "  capcodes "
                << capcodes << (r.series.empty() ? "" : "  series " + r.series) << '\n';
        }
    }
    if (o.json)
        printJson(all, out);
    out.flush();
    return 0;
}

} // namespace ccp::tool
