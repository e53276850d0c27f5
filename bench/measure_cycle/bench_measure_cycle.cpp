// Measurement cycles per second with the real device timer and event loop, against the simulated amplifier
// running as a separate process and answering at once. With a 20 ms tick a cycle ideally takes 21 ticks
// (channel values only) or 37 (with the eight sensor values); the goal is 0.95 of that rate or better.
// Also reports the program's CPU time per cycle.
// With a third argument N the simulator puts a garbage byte before every Nth reply: the cycles must go on,
// each faulty reply costing one repeated command.
// Usage: bench_measure_cycle [cycles=100] [mode=both|1|2] [garbage-every=0]

#include "BenchSupport.h"
#include "Main.h"
#include "ProgramState.h"
#include "ScriptedDialogs.h"
#include "serial/Serial.h"
#include "TestWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {
struct Result {
    double cyclesPerSecond = 0;
    double cpuMsPerCycle = 0;
    bool ok = false;
};

Result run(int pollMode, int cycles, int garbageEvery) {
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    QProcess simulator;
    const QStringList faults =
        garbageEvery > 0 ? QStringList{"--garbage-every", QString::number(garbageEvery)} : QStringList();
    if (!bench::startSimulator(simulator, AMPSIM_BIN, pollMode == 2, faults))
        return {};

    CSerial port;
    ProgramState state;
    ScriptedDialogs dialogs;
    TfrmMain window(port, state, dialogs);
    QEventLoop loop;
    QElapsedTimer clock;
    double cpuAtStart = 0;
    int entered = 0;
    bool started = false;
    std::int32_t previous = state.sessionState;
    QObject::connect(&window.timerDeviceCom(), &QTimer::timeout, &loop, [&] {
        // Runs after the window's own tick handler, which was connected first.
        if (state.sessionState == StateReadSettings && !started) {
            started = true;
            window.btnMeasurementClick();
        }
        if (state.sessionState == StateMeasure && previous != StateMeasure) {
            if (entered == 0) {
                clock.start();
                cpuAtStart = bench::processCpuSeconds();
            }
            if (++entered > cycles)
                loop.quit();
        }
        previous = state.sessionState;
    });
    QTimer::singleShot(cycles * 37 * 20 * 2 + 10000, &loop, &QEventLoop::quit);
    loop.exec();
    Result result;
    if (entered > cycles) {
        const double seconds = clock.nsecsElapsed() / 1e9;
        result = {cycles / seconds, (bench::processCpuSeconds() - cpuAtStart) * 1000 / cycles, true};
    }
    simulator.terminate();
    simulator.waitForFinished();
    return result;
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? qMax(5, atoi(argv[1])) : 100;
    const QString mode = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("both");
    const int garbageEvery = argc > 3 ? qMax(0, atoi(argv[3])) : 0;
    bool allMet = true;
    for (int pollMode : {1, 2}) {
        if (mode != QLatin1String("both") && mode.toInt() != pollMode)
            continue;
        const int idealTicks = pollMode == 1 ? 21 : 37;
        const double ideal = 1000.0 / (idealTicks * 20);
        const Result result = run(pollMode, cycles, garbageEvery);
        if (!result.ok) {
            std::printf("poll mode %d: no measurement came about\n", pollMode);
            return 1;
        }
        const double ratio = result.cyclesPerSecond / ideal;
        allMet = allMet && ratio >= 0.95;
        std::printf(
            "poll mode %d (%s): %d cycles, %.3f cycles/s, ideal %.3f (%d ticks of 20 ms): ratio %.3f %s; "
            "CPU %.2f ms per cycle\n",
            pollMode, pollMode == 1 ? "channels" : "channels and sensors", cycles, result.cyclesPerSecond,
            ideal, idealTicks, ratio, ratio >= 0.95 ? "(goal 0.95 met)" : "(goal 0.95 NOT met)",
            result.cpuMsPerCycle);
    }
    return allMet ? 0 : 2;
}
