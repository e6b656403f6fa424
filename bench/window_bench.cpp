// Time to build the main window model (with its start-up sequence), build
// the Qt window from it and show it, on the offscreen platform unless the
// environment chose another. The target is 300 ms.
#include "app/tform1.h"
#include "link/os_info.h"
#include "sim/simulated_parallel_port.h"
#include "sim/virtual_clock.h"
#include "view/main_window.h"
#include "view/qt_user_interface.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

class DotOs : public ccp::link::OsInfo {
public:
    ccp::link::ParallelPortPolicy parallelPortPolicy() const override {
        return ccp::link::ParallelPortPolicy::Available;
    }
    char decimalSeparator() const override { return '.'; }
};

// The window's services with a simulated port, so no hardware is touched.
struct Machine {
    ccp::view::QtUserInterface ui;
    ccp::sim::VirtualClock clock;
    ccp::sim::SimulatedParallelPort port{clock};
    DotOs os;
    ccp::app::Services services() { return {ui, port, clock, os}; }
};

void BM_ConstructAndShowMainWindow(benchmark::State& state) {
    for (auto _ : state) {
        Machine machine;
        ccp::app::TForm1 form(machine.services(), 1);
        ccp::view::MainWindow window(form);
        auto& ui = machine.ui;
        ui.attach(&window);
        window.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_ConstructAndShowMainWindow)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ConstructFormModelOnly(benchmark::State& state) {
    for (auto _ : state) {
        Machine machine;
        ccp::app::TForm1 form(machine.services(), 1);
        benchmark::DoNotOptimize(form.controls().size());
    }
}
BENCHMARK(BM_ConstructFormModelOnly)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
