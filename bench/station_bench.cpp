// The station's look at the jig, on the real clock, on both virtual jigs
// with a folder for a socket: how much bus time the looks take while the
// socket is empty (a look every half second), and how long after a pager is
// moved into the socket the station's look finds it, which is when its
// write starts and sends its first command to the jig. The pager is moved
// in at a random moment of the half-second cycle, as a person would.
//
//   station_bench [--trials N]
#include "jig/jig.h"
#include "jig/simulated_jig.h"
#include "ops/placement_probe.h"
#include "tool/headless_form.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace ccp;
using Clock = std::chrono::steady_clock;

constexpr auto kLookInterval = std::chrono::milliseconds(500);
constexpr int kIdleLooks = 20;
// The series' platform: 6, device select 0, no decoder.
constexpr int kPlatform = 6;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double powerUpMs = 0;          // the first look, which powers the bus
    double idleLookMs = 0;         // a later look at the empty socket, median
    std::vector<double> toWriteMs; // placement to the look that finds the pager
    double presentLookMs = 0;      // a look that finds the pager, median
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

Figures measure(bool usb, const std::string& folder, int trials) {
    Figures figures;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string shelf = folder + ".pager.bin";
    std::ofstream(shelf, std::ios::binary)
        << std::string(jig::kPagerFileBytes, static_cast<char>(0xFF));
    jig::OpenedJig opened = jig::openJig(
        {usb ? jig::JigKind::SimulatedUsb : jig::JigKind::Simulated, folder}, {.realTime = true});
    if (!opened.jig) {
        std::fprintf(stderr, "station_bench: %s\n", opened.reason.c_str());
        return figures;
    }
    const tool::JigServices services{opened.jig->port(), opened.jig->clock(), opened.jig->hid()};
    tool::HeadlessForm headless(1, nullptr, nullptr, &services);
    headless.stepToPlatform(kPlatform);
    app::TForm1& form = headless.form();
    opened.jig->ready({form.EepromDeviceSelect, [&form] { form.LPT21Click(); }});
    ops::PlacementProbe probe(form.pagerOperations, form.transfers, form.EepromDeviceSelect);

    Clock::time_point start = Clock::now();
    probe.look();
    figures.powerUpMs = msSince(start);
    std::vector<double> idle;
    for (int k = 0; k < kIdleLooks; ++k) {
        start = Clock::now();
        if (probe.look() != ops::Placement::Absent)
            std::fprintf(stderr, "station_bench: the empty socket did not look empty\n");
        idle.push_back(msSince(start));
    }
    figures.idleLookMs = median(idle);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> phase(0, 499);
    std::vector<double> present;
    const std::string seated = folder + "/pager.bin";
    for (int t = 0; t < trials; ++t) {
        // The station's loop: a look, then half a second, while a person
        // moves the pager in at some moment of it.
        Clock::time_point placed{};
        std::thread person([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
            placed = Clock::now();
            std::filesystem::rename(shelf, seated);
        });
        ops::Placement found = ops::Placement::Absent;
        Clock::time_point next = Clock::now();
        while (found != ops::Placement::Present) {
            std::this_thread::sleep_until(next);
            next += kLookInterval;
            start = Clock::now();
            found = probe.look();
            if (found == ops::Placement::Present)
                present.push_back(msSince(start));
        }
        person.join();
        figures.toWriteMs.push_back(msSince(placed));
        std::filesystem::rename(seated, shelf);
        while (probe.look() != ops::Placement::Absent)
            std::this_thread::sleep_for(kLookInterval);
    }
    figures.presentLookMs = median(present);
    probe.stop();
    std::filesystem::remove_all(folder);
    std::filesystem::remove(shelf);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    int trials = 10;
    if (argc == 3 && std::strcmp(argv[1], "--trials") == 0)
        trials = std::max(1, std::atoi(argv[2]));
    const std::string folder = (std::filesystem::temp_directory_path() /
                                ("ccp-station-bench-" + std::to_string(::getpid())))
                                   .string();
    std::printf("%-9s %10s %10s %14s %12s %12s %12s\n", "jig", "power-up", "idle look",
                "idle bus/s", "found look", "to write", "worst");
    for (const bool usb : {false, true}) {
        const Figures f = measure(usb, folder, trials);
        const double perSecond = f.idleLookMs * 1000.0 / 500.0;
        std::printf(
            "%-9s %8.1f ms %7.2f ms %8.2f ms/s %9.1f ms %9.0f ms %9.0f ms\n",
            usb ? "USB" : "parallel", f.powerUpMs, f.idleLookMs, perSecond, f.presentLookMs,
            median(f.toWriteMs),
            f.toWriteMs.empty() ? 0.0 : *std::max_element(f.toWriteMs.begin(), f.toWriteMs.end()));
    }
    std::printf("(to write: placement to the look that finds the pager, median of %d; the "
                "write's first command follows at once)\n",
                trials);
    return 0;
}
