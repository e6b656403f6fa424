#include "tool/series_command.h"

#include "app/config_text.h"
#include "jig/jig.h"
#include "line/series_pager.h"
#include "ops/production_log.h"
#include "ops/stored_records.h"
#include "tool/headless_form.h"
#include "tool/json_report.h"
#include "tool/series_settle.h"
#include "tool/user_setting.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace ccp::tool {
namespace {

constexpr const char* kProgram = "capcode-tool: ";

int say(std::ostream& err, const std::string& reason, Outcome outcome) {
    err << kProgram << reason << '\n' << std::flush;
    return exitStatusOf(outcome);
}

Json statusJson(const store::SeriesStatus& s) {
    Json entries = Json::array();
    for (int i = 0; i < s.definition.entries; ++i) {
        const auto e = static_cast<std::size_t>(i);
        entries.push_back({{"entry", i + 1},
                           {"next", s.exhausted ? Json() : Json(s.next[e])},
                           {"step", s.definition.steps[e]}});
    }
    Json doubts = Json::array();
    for (const store::Doubt& d : s.inDoubt) {
        Json capcodes = Json::array();
        for (int i = 0; i < s.definition.entries; ++i)
            capcodes.push_back(d.capcodes[static_cast<std::size_t>(i)]);
        doubts.push_back({{"slot", d.slot}, {"capcodes", capcodes}, {"since", d.since}});
    }
    return {{"name", s.definition.name},
            {"profile", s.definition.profile},
            {"platform", s.definition.platform},
            {"created", s.created},
            {"entries", entries},
            {"written", s.written},
            {"failed", s.failed},
            {"reserved", s.reserved},
            {"in_doubt", doubts},
            {"scrapped", s.scrapped},
            {"exhausted", s.exhausted}};
}

std::string nextText(const store::SeriesStatus& s) {
    if (s.exhausted)
        return "none left";
    std::string text;
    for (int i = 0; i < s.definition.entries; ++i)
        text += (i ? " " : "") + std::to_string(s.next[static_cast<std::size_t>(i)]);
    return text;
}

void printStatus(const store::SeriesStatus& s, std::ostream& out) {
    std::string steps;
    for (int i = 0; i < s.definition.entries; ++i)
        steps += (i ? " " : "") + std::to_string(s.definition.steps[static_cast<std::size_t>(i)]);
    out << "series " << s.definition.name << ": profile " << s.definition.profile << ", platform "
        << s.definition.platform << ", created " << s.created << '\n'
        << "next capcodes: " << nextText(s) << '\n'
        << "steps: " << steps << '\n'
        << "pagers written: " << s.written << '\n'
        << "attempts failed: " << s.failed << '\n'
        << "being written: " << s.reserved << '\n'
        << "in doubt: " << s.inDoubt.size() << '\n';
    for (const store::Doubt& d : s.inDoubt) {
        out << "  slot " << d.slot << ":";
        for (int i = 0; i < s.definition.entries; ++i)
            out << ' ' << d.capcodes[static_cast<std::size_t>(i)];
        out << " (sending since " << d.since << "; settle it from its pager)\n";
    }
    if (s.scrapped > 0)
        out << "scrapped: " << s.scrapped << '\n';
}

int create(const SeriesOptions& o, int profile, std::ostream& out, std::ostream& err) {
    // Every record of the series carries its name, and queries name it: a
    // control character or a byte that is not UTF-8 would not come back whole.
    if (o.name.empty())
        return say(err, "the series name is empty", Outcome::Refused);
    if (const std::optional<std::string> fault = ops::utf8TextFault(o.name))
        return say(err, "the series name " + *fault, Outcome::Refused);
    std::vector<Assignment> settings;
    for (const std::string& text : o.settings) {
        std::optional<Assignment> setting = parseAssignment(text);
        if (!setting)
            return say(err, "--set takes NAME=VALUE, not '" + text + "'", Outcome::Refused);
        settings.push_back(std::move(*setting));
    }
    auto opened = ops::openProductionStore(o.db, ops::defaultProductionLogPath());
    if (!opened.ok())
        return say(err, opened.failure.message, Outcome::Failed);
    store::Store& store = **opened.value;
    const auto existing = store.series(o.name);
    if (!existing.ok())
        return say(err, existing.failure.message, Outcome::Failed);
    if (*existing.value)
        return say(err, "series '" + o.name + "' already exists", Outcome::Refused);

    HeadlessForm headless(profile, nullptr, &err);
    StepResult step = o.platform ? headless.stepToPlatform(*o.platform) : StepResult{};
    if (step.done()) {
        const std::string& file = o.importText.empty() ? o.load : o.importText;
        step = o.importText.empty() ? headless.load(file) : headless.importText(file);
        if (!step.done())
            step.reason = file + " not loaded: " + step.reason;
    }
    for (const Assignment& setting : settings) {
        if (!step.done())
            break;
        step = applySetting(headless, setting);
    }
    if (!step.done())
        return say(err, step.reason, step.outcome);
    std::string reason;
    const std::optional<store::SeriesDefinition> definition =
        seriesOfWindow(headless, o.name, reason);
    if (!definition)
        return say(err, reason, Outcome::Refused);
    const store::Status created = store.createSeries(*definition);
    if (!created.ok())
        return say(err, created.failure.message, Outcome::Failed);
    const auto status = store.series(o.name);
    if (status.ok() && *status.value)
        printStatus(**status.value, out);
    return 0;
}

} // namespace

std::optional<store::SeriesDefinition>
seriesOfWindow(HeadlessForm& headless, const std::string& name, std::string& reason) {
    return line::seriesOfWindowNow(headless.form(), name, reason);
}

void addSeriesCommand(CLI::App& app, SeriesOptions& o) {
    o.command = app.add_subcommand("series", "a series of pagers with their own capcodes");
    o.command->require_subcommand(1);
    auto addDb = [&o](CLI::App* command) {
        command
            ->add_option("--db", o.db,
                         "the store: a postgresql:// URL, or a SQLite file (default: "
                         "$XDG_DATA_HOME/capcode-programmer/production.db)")
            ->type_name("URL");
    };
    o.create = o.command->add_subcommand(
        "create", "make a series from a template: its image, first capcodes and steps");
    o.create->add_option("NAME", o.name)->required();
    o.create->add_option("--profile", o.profile, "customer profile 0-6")->check(CLI::Range(0, 6));
    o.create->add_option("--platform", o.platform, "hardware platform 0-6 to step to")
        ->check(CLI::Range(0, 6));
    CLI::Option* load =
        o.create->add_option("--load", o.load, "the template image file")->type_name("TEMPLATE");
    o.create->add_option("--import", o.importText, "the template as a configuration text")
        ->type_name("TEXT")
        ->excludes(load);
    o.create->add_option("--set", o.settings, "set a control as a user would; repeatable")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    addDb(o.create);
    o.show = o.command->add_subcommand("show", "next capcodes, pagers written, attempts failed");
    o.show->add_option("NAME", o.name)->required();
    o.show->add_flag("--json", o.json, "print one JSON document");
    addDb(o.show);
    o.list = o.command->add_subcommand("list", "every series, one line each");
    addDb(o.list);
    o.settle = o.command->add_subcommand(
        "settle", "settle a slot in doubt from its pager on the jig, or as scrapped");
    o.settle->add_option("NAME", o.name)->required();
    o.settle->add_option("--jig", o.jig, "read the pager on this jig")->type_name("JIG");
    o.settle->add_option("--slot", o.slot, "the slot in doubt")->type_name("N");
    o.settle->add_flag("--scrapped", o.scrapped, "the slot's pager is gone (needs --slot)");
    addDb(o.settle);
}

int runSeriesCommand(const SeriesOptions& o, int defaultProfile, std::ostream& out,
                     std::ostream& err) {
    if (o.create->parsed()) {
        std::optional<int> textProfile;
        if (!o.importText.empty() && !o.profile)
            app::isConfigTextFile(o.importText, &textProfile);
        if (o.load.empty() && o.importText.empty())
            return say(err, "series create takes --load TEMPLATE or --import TEXT",
                       Outcome::Refused);
        return create(o, o.profile.value_or(textProfile.value_or(defaultProfile)), out, err);
    }
    auto opened = ops::openProductionStore(o.db, ops::defaultProductionLogPath());
    if (!opened.ok())
        return say(err, opened.failure.message, Outcome::Failed);
    store::Store& store = **opened.value;
    if (o.settle->parsed()) {
        if (o.scrapped == o.jig.has_value() || (o.scrapped && !o.slot))
            return say(err, "series settle takes --jig JIG [--slot N], or --slot N --scrapped",
                       Outcome::Refused);
        if (o.jig && !jig::parseJig(*o.jig))
            return say(err, std::string("--jig takes ") + jig::kJigForms + ", not '" + *o.jig + "'",
                       Outcome::Refused);
        return runSettle({o.name, o.jig, o.slot, o.scrapped}, store, out, err);
    }
    if (o.show->parsed()) {
        const auto status = store.series(o.name);
        if (!status.ok())
            return say(err, status.failure.message, Outcome::Failed);
        if (!*status.value)
            return say(err, "there is no series '" + o.name + "'", Outcome::Refused);
        if (o.json)
            printJson(statusJson(**status.value), out);
        else
            printStatus(**status.value, out);
        return 0;
    }
    const auto all = store.listSeries();
    if (!all.ok())
        return say(err, all.failure.message, Outcome::Failed);
    for (const store::SeriesStatus& s : *all.value)
        out << s.definition.name << ": next " << nextText(s) << ", written " << s.written
            << ", failed " << s.failed
            << (s.inDoubt.empty() ? std::string()
                                  : ", in doubt " + std::to_string(s.inDoubt.size()))
            << '\n';
    return 0;
}

} // namespace ccp::tool
