#include "tool/command_line.h"

#include "app/config_text.h"
#include "ops/production_log.h"
#include "tool/jigs_command.h"
#include "tool/json_report.h"
#include "tool/latin1.h"
#include "tool/pager_diff.h"
#include "tool/record_command.h"
#include "tool/self_test_run.h"
#include "tool/series_command.h"
#include "tool/station_run.h"
#include "tool/text_format.h"
#include "tool/tool_run.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <sstream>
#include <string_view>

namespace ccp::tool {
namespace {

constexpr int kUsageError = 2;

struct Options {
    std::optional<int> profile;
    std::optional<int> platform;
    bool repair = false;
    std::optional<std::string> jig;
    bool read = false;
    std::optional<std::string> load;
    std::optional<std::string> importText;
    std::optional<std::string> exportText;
    std::vector<std::string> settings;
    bool write = false;
    std::optional<std::string> save;
    std::optional<std::string> trace;
    std::string answer = "no";
    bool json = false;
    std::optional<std::string> productionLog;
    std::optional<std::string> db;
    std::optional<std::string> series;
    bool station = false;

    bool usesJig() const { return jig || read || write || trace || answer != "no"; }
};

void addProfileAndPlatform(CLI::App& app, Options& options) {
    app.add_option("--profile", options.profile,
                   "customer profile 0-6 (default: the build's start profile)")
        ->check(CLI::Range(0, 6));
    app.add_option("--platform", options.platform, "hardware platform 0-6 to step to")
        ->check(CLI::Range(0, 6));
}

// Checks every --set before the window starts: its form, and that its value
// can be typed in the window's single-byte character set.
std::optional<std::vector<Assignment>> parseSettings(const std::vector<std::string>& texts,
                                                     std::ostream& err) {
    std::vector<Assignment> settings;
    for (const std::string& text : texts) {
        std::optional<Assignment> setting = parseAssignment(text);
        if (!setting) {
            err << "--set takes NAME=VALUE, not '" << text << "'";
            return std::nullopt;
        }
        std::string offending;
        if (!utf8ToLatin1(setting->value, &offending)) {
            err << setting->name << ": '" << offending
                << "' is not a character of the pager's set (Latin-1)\n";
            return std::nullopt;
        }
        settings.push_back(std::move(*setting));
    }
    return settings;
}

// The pager steps and the trace need a jig to work on.
bool checkJig(const Options& run, RunRequest& request, std::ostream& err) {
    if (!run.jig) {
        for (auto [given, name] : {std::pair{run.read, "--read"}, std::pair{run.write, "--write"},
                                   std::pair{run.trace.has_value(), "--trace"}}) {
            if (given) {
                err << name << " needs --jig";
                return false;
            }
        }
        return true;
    }
    request.jig = jig::parseJig(*run.jig);
    if (!request.jig) {
        err << "--jig takes " << jig::kJigForms << ", not '" << *run.jig << "'";
        return false;
    }
    return true;
}

// The main options that a subcommand takes as its own when they stand before
// it (`capcode-tool --db URL series list`), where it has them too.
constexpr std::string_view kTakenBefore[] = {"--profile", "--platform", "--jig", "--json", "--db"};

// The innermost subcommand chosen ("create" of "series create"); nullptr for
// a run of the window's steps.
CLI::App* chosenCommand(CLI::App& app) {
    CLI::App* command = nullptr;
    for (CLI::App* at = &app; !at->get_subcommands().empty();)
        command = at = at->get_subcommands().front();
    return command;
}

std::string commandName(const CLI::App& command) {
    std::string name = command.get_name();
    for (const CLI::App* at = command.get_parent(); at->get_parent() != nullptr;
         at = at->get_parent())
        name = at->get_name() + " " + name;
    return name;
}

// Every main option given must be one that `command` takes: never ignored.
std::optional<std::string> refusedBefore(const CLI::App& app, const CLI::App& command) {
    std::vector<std::string> names;
    for (const std::string_view name : kTakenBefore) {
        if (command.get_option_no_throw(std::string(name)) != nullptr)
            names.emplace_back(name);
    }
    std::string taken = names.empty() ? "no option" : "only";
    for (std::size_t i = 0; i < names.size(); ++i)
        taken += (i == 0 ? " " : (i + 1 == names.size() ? " and " : ", ")) + names[i];
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = option->get_name();
        if (option->count() == 0 || (std::find(std::begin(kTakenBefore), std::end(kTakenBefore),
                                               name) != std::end(kTakenBefore) &&
                                     command.get_option_no_throw(name) != nullptr))
            continue;
        return name + " does not go with " + commandName(command) + " (before it, " +
               commandName(command) + " takes " + taken + "; its own options go after it)";
    }
    return std::nullopt;
}

// Hands `command` the options of kTakenBefore written before it, as if they
// stood after it; the reason when one stands in both places with two values.
std::optional<std::string> takeBefore(CLI::App& app, CLI::App& command) {
    for (const std::string_view name : kTakenBefore) {
        const CLI::Option* before = app.get_option_no_throw(std::string(name));
        CLI::Option* own = command.get_option_no_throw(std::string(name));
        if (before == nullptr || own == nullptr || before->count() == 0)
            continue;
        if (own->count() > 0) {
            if (own->results() != before->results())
                return std::string(name) + " is given before " + commandName(command) +
                       " and after it, with two values";
            continue;
        }
        own->add_result(before->results());
        own->run_callback();
    }
    return std::nullopt;
}

} // namespace

int runCommandLine(int argc, const char* const* argv, int defaultProfile, std::ostream& out,
                   std::ostream& err) {
    CLI::App app{"The Capcode Programmer's window without a window: make, show and compare "
                 "image files, read and program pagers.",
                 "capcode-tool"};
    app.set_version_flag("--version", std::string("capcode-tool ") + CCP_VERSION,
                         "print the program's name and version, then exit");
    Options run;
    addProfileAndPlatform(app, run);
    app.add_flag("--repair", run.repair, "switch repair mode on (Help > Repair)");
    app.add_option("--jig", run.jig,
                   "the programming jig: sim:FILE (a virtual pager kept in FILE), lpt1, lpt2, "
                   "usb, or sim-usb:FILE (the virtual pager behind a virtual USB jig)")
        ->type_name("JIG");
    app.add_flag("--read", run.read, "Read From Pager (needs --jig)");
    app.add_option("--load", run.load, "File > Open with FILE")->type_name("FILE");
    app.add_option("--import", run.importText,
                   "File > Import text... with FILE, a configuration text (profile and "
                   "platform from it)")
        ->type_name("FILE");
    app.add_option("--set", run.settings, "set a control as a user would; repeatable, in order")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    app.add_flag("--write", run.write, "Write To Pager (needs --jig)");
    app.add_option("--save", run.save, "File > Save with FILE")->type_name("FILE");
    app.add_option("--export", run.exportText, "File > Export as text... with FILE, after the save")
        ->type_name("FILE");
    app.add_option("--trace", run.trace,
                   "write every access to the jig (every report of a USB jig) to FILE")
        ->type_name("FILE");
    app.add_option("--answer", run.answer, "the answer to every yes/no question (default: no)")
        ->check(CLI::IsMember({"yes", "no"}));
    app.add_flag("--json", run.json, "print the window's state as one JSON document");
    app.add_option("--production-log", run.productionLog,
                   "append a record of every write attempt to FILE (default: "
                   "$XDG_DATA_HOME/capcode-programmer/production.jsonl)")
        ->type_name("FILE");
    app.add_option("--db", run.db,
                   "the production store: a postgresql:// URL, or a SQLite file (default: "
                   "$XDG_DATA_HOME/capcode-programmer/production.db)")
        ->type_name("URL");
    app.add_option("--series", run.series,
                   "write the next pager of series NAME (needs --jig and --write)")
        ->type_name("NAME");
    app.add_flag("--station", run.station,
                 "with --series and --jig: write each pager placed on the jig, one write per "
                 "placement, until SIGINT or SIGTERM");

    bool textFormat = false;
    app.add_flag("--text-format", textFormat,
                 "print the configuration text's format, field by field, as a Markdown table");

    Options diff;
    std::string fileA;
    std::string fileB;
    CLI::App* diffCommand = app.add_subcommand(
        "diff", "compare two image files setting by setting and byte by byte; "
                "'diff pager FILE --jig JIG' compares FILE with the pager on the jig");
    diffCommand->add_option("FILE_A", fileA)->required();
    diffCommand->add_option("FILE_B", fileB)->required();
    addProfileAndPlatform(*diffCommand, diff);
    diffCommand->add_option("--jig", diff.jig, "the jig of 'diff pager'")->type_name("JIG");
    SelfTestOptions selfTest;
    addSelfTestCommand(app, selfTest);
    SeriesOptions series;
    addSeriesCommand(app, series);
    RecordOptions record;
    addRecordCommand(app, record);
    JigsOptions jigs;
    addJigsCommand(app, jigs);

    // A command line that is refused still answers a script that asked for
    // JSON: the document holds only the reason.
    const bool json = std::any_of(
        argv + 1, argv + argc, [](const char* arg) { return std::string_view(arg) == "--json"; });
    auto refuse = [&](std::string reason) {
        while (!reason.empty() && reason.back() == '\n')
            reason.pop_back();
        err << "capcode-tool: " << reason << '\n';
        if (json)
            printJson(withError(Json::object(), reason), out);
        return kUsageError;
    };
    try {
        app.parse(argc, argv);
        if (CLI::App* command = chosenCommand(app)) {
            std::optional<std::string> reason = refusedBefore(app, *command);
            if (!reason)
                reason = takeBefore(app, *command);
            if (reason)
                return refuse(*reason);
        }
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return 0;
    } catch (const CLI::ParseError& error) {
        return refuse(error.what());
    }

    if (textFormat) {
        out << textFormatTable(run.profile.value_or(defaultProfile));
        return 0;
    }
    if (diffCommand->parsed() && fileA == "pager") {
        const std::optional<jig::JigChoice> jig =
            diff.jig ? jig::parseJig(*diff.jig) : std::nullopt;
        if (!jig) {
            err << "capcode-tool: diff pager takes FILE, --jig " << jig::kJigForms
                << ", --profile and --platform\n";
            return kUsageError;
        }
        return runPagerDiff({fileB, *jig, diff.profile.value_or(defaultProfile), diff.platform},
                            out, err);
    }
    if (diffCommand->parsed()) {
        if (diff.jig) {
            err << "capcode-tool: diff takes only FILE_A, FILE_B, --profile and --platform\n";
            return kUsageError;
        }
        // A configuration text says the profile and platform it was made under.
        std::optional<int> profile = diff.profile;
        std::optional<int> platform = diff.platform;
        for (const std::string& file : {fileA, fileB})
            app::isConfigTextFile(file, profile ? nullptr : &profile,
                                  platform ? nullptr : &platform);
        return runDiff({fileA, fileB, profile.value_or(defaultProfile), platform}, out, err);
    }
    if (selfTest.command->parsed())
        return runSelfTest(selfTest, defaultProfile, out, err);
    if (jigs.command->parsed())
        return runJigsCommand(jigs, out);
    if (series.command->parsed())
        return runSeriesCommand(series, defaultProfile, out, err);
    if (record.command->parsed())
        return runRecordCommand(record, out, err);

    if (run.station) {
        if (!run.series || !run.jig || run.write || run.read || run.load || run.importText ||
            run.save || run.exportText || run.trace || run.profile || run.platform || run.repair)
            return refuse("--station takes --series NAME and --jig, and no --write, --read, "
                          "--load, --import, --save, --export, --trace, --repair, --profile or "
                          "--platform: it writes each pager placed on the jig from the series");
        run.write = true;
    }
    if (run.series) {
        if (!run.jig || !run.write || run.load || run.importText || run.read || run.profile ||
            run.platform || run.repair)
            return refuse("--series takes --jig and --write, and no --load, --import, --read, "
                          "--repair, --profile or --platform: the series holds them");
        for (const std::string& text : run.settings) {
            const std::string name = text.substr(0, text.find('='));
            if (name.starts_with("address") || name.starts_with("autoinc"))
                return refuse("--set " + name + ": the series holds the capcodes and steps");
        }
    }

    RunRequest request;
    std::ostringstream reason;
    if (!checkJig(run, request, reason))
        return refuse(reason.str());
    std::optional<std::vector<Assignment>> settings = parseSettings(run.settings, reason);
    if (!settings)
        return refuse(reason.str());
    if (run.load && run.importText)
        return refuse("--load and --import both give the image: give one");
    // An imported text runs under the profile it was made under.
    std::optional<int> textProfile;
    if (run.importText && !run.profile)
        app::isConfigTextFile(*run.importText, &textProfile);
    request.profile = run.profile.value_or(textProfile.value_or(defaultProfile));
    request.platform = run.platform;
    request.repair = run.repair;
    request.load = run.load;
    request.importText = run.importText;
    request.exportText = run.exportText;
    request.settings = std::move(*settings);
    request.read = run.read;
    request.write = run.write;
    request.save = run.save;
    request.trace = run.trace;
    request.answerYes = run.answer == "yes";
    request.json = run.json;
    request.productionLog = run.productionLog.value_or("");
    request.db = run.db.value_or("");
    request.series = run.series;
    if (run.station)
        return runStation(request, out, err);
    return runSteps(request, out, err);
}

} // namespace ccp::tool
