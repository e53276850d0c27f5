// CPU time of one device tick that sends or receives on a pseudo-terminal. The tick runs 50 times a
// second on the window's thread, so it must stay far below the 20 ms interval; the goal is a median below
// 50 microseconds. Run from an empty folder: build/bench/device_tick/bench_device_tick [ticks]

#include "BenchSupport.h"
#include "SimulatedRig.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

using bench::percentile;
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(100, atoi(argv[1])) : 5000;
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());

    SimulatedRig rig;
    if (!rig.connect()) {
        std::fprintf(stderr, "the simulated amplifier was not found\n");
        return 1;
    }
    ProgramState& state = rig.state();
    TfrmMain& window = rig.window();
    std::vector<double> sending, receiving;
    for (int i = 0; i < ticks; ++i) {
        const double before = threadCpuMicroseconds();
        window.timerDeviceComTimer();
        const double spent = threadCpuMicroseconds() - before;
        (state.stateTick == 1 ? sending : receiving).push_back(spent);
        rig.sim().pump(rig.nowMs() + 20 * (i + 1), state.stateTick == 1 ? 500 : 0);
    }
    std::vector<double> all = sending;
    all.insert(all.end(), receiving.begin(), receiving.end());
    std::printf("device tick, %d ticks in the polling loop (QT34 on a pseudo-terminal)\n", ticks);
    std::printf("  all       median %6.1f us  p90 %6.1f us  p99 %6.1f us  max %7.1f us\n",
                percentile(all, 0.5), percentile(all, 0.9), percentile(all, 0.99), percentile(all, 1.0));
    std::printf("  sending   median %6.1f us  (%zu ticks)\n", percentile(sending, 0.5), sending.size());
    std::printf("  receiving median %6.1f us  (%zu ticks)\n", percentile(receiving, 0.5), receiving.size());
    std::printf("  goal: median below 50 us: %s\n", percentile(all, 0.5) < 50 ? "met" : "NOT met");
    return 0;
}
