// Time from exec to a viewable window for several programs, run in turns on
// the same X server: the probe watches the root window for the first map of a
// top-level window after it starts a program, then ends the program. Prints
// the median, fastest and slowest time of each program in milliseconds, and
// the median and fastest as multiples of the first program's.
// usage: window_start_probe RUNS PROGRAM [ARG...] [:: PROGRAM [ARG...]]...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Program {
    std::vector<char*> argv; // ends with nullptr
    std::vector<double> ms;
};

// Milliseconds from fork to the first MapNotify of a window that is not
// override-redirect; a negative number when none came in 30 s.
double timeOneStart(xcb_connection_t* x, Program& program) {
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(program.argv[0], program.argv.data());
        std::perror(program.argv[0]);
        _exit(127);
    }
    double ms = -1;
    const int fd = xcb_get_file_descriptor(x);
    while (Clock::now() - start < std::chrono::seconds(30)) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(x),
                                                                         &std::free);
        if (!event) {
            fd_set read;
            FD_ZERO(&read);
            FD_SET(fd, &read);
            timeval wait{0, 10'000};
            select(fd + 1, &read, nullptr, nullptr, &wait);
            continue;
        }
        if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
            auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            if (!map->override_redirect) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    return ms;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS PROGRAM [ARG...] [:: PROGRAM [ARG...]]...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Program> programs(1);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "::") == 0) {
            programs.emplace_back();
            continue;
        }
        programs.back().argv.push_back(argv[i]);
    }
    for (Program& program : programs)
        program.argv.push_back(nullptr);

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    // One start of each to warm the file cache, then the programs in turns.
    for (Program& program : programs)
        timeOneStart(x, program);
    for (int run = 0; run < runs; ++run) {
        for (Program& program : programs) {
            const double ms = timeOneStart(x, program);
            if (ms < 0) {
                std::fprintf(stderr, "%s showed no window\n", program.argv[0]);
                return 1;
            }
            program.ms.push_back(ms);
        }
    }
    // On a busy machine preemption stretches single starts; the fastest
    // start of each is its cost with the machine to itself.
    const Program& first = programs.front();
    const double firstMedian = median(first.ms);
    const double firstMin = *std::min_element(first.ms.begin(), first.ms.end());
    for (const Program& program : programs) {
        std::string command;
        for (char* const* arg = program.argv.data(); *arg != nullptr; ++arg)
            command += std::string(command.empty() ? "" : " ") + *arg;
        const double least = *std::min_element(program.ms.begin(), program.ms.end());
        std::printf("%8.1f ms median %8.1f min %8.1f max  x%.2f median x%.2f min  %s\n",
                    median(program.ms), least,
                    *std::max_element(program.ms.begin(), program.ms.end()),
                    median(program.ms) / firstMedian, least / firstMin, command.c_str());
    }
    xcb_disconnect(x);
    return 0;
}
