// A production line on the real clock: virtual USB jigs whose EEPROM reports
// take as long to answer as a real jig's, each writing pagers of one series
// from one SQLite store, one thread and one store connection per jig. Eight
// jigs writing one pager each should take hardly longer than one jig alone:
// nothing the series does holds one jig up while another transfers.
#include "jig/absent_port.h"
#include "link/clock.h"
#include "link/usb_jig.h"
#include "sim/eeprom_24c04.h"
#include "sim/pcd5003.h"
#include "sim/simulated_hid_backend.h"
#include "sim/virtual_usb_jig.h"
#include "store/store.h"
#include "tool/headless_form.h"
#include "tool/series_command.h"
#include "tool/series_run.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

using namespace ccp;

// What a jig takes to answer one EEPROM report.
constexpr unsigned kReportMs = 20;

// The EEPROM's select pins as the series' platform names them.
std::uint8_t deviceSelect = 0;

std::string storePath() {
    static const std::string path = [] {
        const std::string folder = std::filesystem::temp_directory_path() /
                                   ("ccp-line-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string db = folder + "/production.db";
        auto store = store::Store::open(db);
        tool::HeadlessForm window(1, nullptr, nullptr);
        window.stepToPlatform(6);
        window.form().autoinc[0].setIndex(1);
        deviceSelect = window.form().EepromDeviceSelect;
        std::string reason;
        (*store.value)->createSeries(*tool::seriesOfWindow(window, "bench", reason));
        return db;
    }();
    return path;
}

// One jig writing `pagers` pagers of the series, each in repair mode on a
// fresh virtual pager.
void writePagers(int pagers) {
    auto opened = store::Store::open(storePath());
    store::Store& store = **opened.value;
    const store::SeriesStatus series = **store.series("bench").value;
    link::SteadyClock clock;
    for (int n = 0; n < pagers; ++n) {
        sim::Eeprom24c04 eeprom(clock, deviceSelect);
        sim::Pcd5003 decoder(clock);
        sim::VirtualUsbJig usb(eeprom, decoder);
        usb.answerAfter(link::usb::kReadEeprom, kReportMs);
        usb.answerAfter(link::usb::kWriteEeprom, kReportMs);
        sim::SimulatedHidBackend hid(clock);
        hid.plug(usb);
        jig::AbsentPort noPort;
        const tool::JigServices services{noPort, clock, &hid, {}, &store, {}, {}};
        tool::HeadlessForm window(series.definition.profile, nullptr, nullptr, &services);
        window.stepToPlatform(series.definition.platform);
        window.toggleRepair();
        tool::SeriesPager pager(store, series);
        pager.reserve(window);
        const bool written = window.writeToPager().done();
        pager.finish(written);
        if (!written)
            std::abort();
    }
}

void onJigs(benchmark::State& state) {
    const int jigs = static_cast<int>(state.range(0));
    const int pagersEach = static_cast<int>(state.range(1));
    storePath();
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int j = 0; j < jigs; ++j)
            threads.emplace_back(writePagers, pagersEach);
        for (std::thread& t : threads)
            t.join();
    }
    state.counters["pagers"] = jigs * pagersEach;
}

BENCHMARK(onJigs)
    ->Args({1, 1})
    ->Args({8, 1})
    ->Args({8, 8})
    ->ArgNames({"jigs", "pagers_each"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
