#pragma once
// What the benchmarks share: order statistics, the process's CPU time, and the simulated amplifier as a
// process of its own with the settings that point the program at it.

#include "TestWindow.h"

#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace bench {

inline double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * (values.size() - 1))];
}
inline double median(std::vector<double> values) { return percentile(std::move(values), 0.5); }

inline double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// The process's CPU while its event loop runs for the given time, in percent of one core.
inline double cpuPercentOver(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    const double before = processCpuSeconds();
    loop.exec();
    return 100.0 * (processCpuSeconds() - before) / seconds;
}

// The window as the CPU figures take it: 1030 x 760, shown, on the graph page.
inline void showGraphPage(TfrmMain& window) {
    window.resize(1030, 760);
    window.show();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabSystem"));
    tabs->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("tabGraph")));
}

// Starts the simulator on COM2 of the working folder (with the faults given as its options) and writes
// settings that open that port; false when the simulator did not come up.
inline bool startSimulator(QProcess& simulator, const char* binary, bool singleValues = true,
                           const QStringList& faults = {}) {
    simulator.start(QString::fromLocal8Bit(binary), QStringList{"--type", "QT34", "--com", "2"} + faults);
    if (!simulator.waitForStarted() || !simulator.waitForReadyRead(5000))
        return false;
    writeSettingsWith({{5, singleValues ? "YES" : "NO"}, {7, "Manual"}, {9, "2"}});
    return true;
}

// Runs this benchmark again as a child with the arguments "window-cpu SECONDS", in the working folder and
// against the simulator started with the options given, so that the child's process holds nothing but the
// window; its output goes where the parent's goes.
inline void runWindowAgainstSimulator(const char* simulatorBinary, const QStringList& simulatorOptions,
                                      const QString& self, double seconds) {
    QProcess simulator;
    if (!startSimulator(simulator, simulatorBinary, true, simulatorOptions)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return;
    }
    QProcess window;
    window.setProcessChannelMode(QProcess::ForwardedChannels);
    window.start(self, {QStringLiteral("window-cpu"), QString::number(seconds)});
    window.waitForFinished(-1);
    simulator.terminate();
    simulator.waitForFinished();
}

} // namespace bench
