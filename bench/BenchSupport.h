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

} // namespace bench
