#pragma once
// What the benchmarks share: order statistics, the process's CPU time, and the simulated amplifier as a
// process of its own with the settings that point the program at it.

#include "TestWindow.h"

#include <QProcess>
#include <QStringList>

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
