// The graph and the data log over a whole shift. Prints one figure a line as "name: value":
//   replot_ms_4x1M      median replot of four series of 1,000,000 points each, full range, 1030 x 600,
//                       2-pixel lines (goal below 16)
//   bytes_per_point     memory of the series per point (goal at most 20)
//   append_us           median cost of one sample's point at 1,000,000 points (goal below 100)
//   log_bytes_per_row   memory of the data log per row with 1,000,000 rows (goal at most 200)
//   log_save_s_1M       saving those rows as a new file (goal below 2)
//   log_append_s_1M     appending them to a file of 1,000,000 rows (goal below 3)
//   cpu_measuring_pct   the program's CPU (all its threads), in percent of one core, while it measures
//                       against the simulator's press cycle with the window shown on the graph page and
//                       graph sampling off (goal below 1 on a quiet machine)
//   cpu_recording_pct   the same with graph sampling on at 140 ms (goal below 3)
// Run from anywhere: build/bench/graph/bench_graph [cpu] [cpu-seconds=20]; "cpu" runs the CPU part alone

#include "BenchSupport.h"
#include "ProgramState.h"
#include "TestWindow.h"
#include "graph/CsvFile.h"
#include "graph/DataLog.h"
#include "graph/LiveGraph.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
using bench::median;

void figure(const char* name, double value) {
    std::printf("%s: %.3f\n", name, value);
    std::fflush(stdout);
}

void benchChart() {
    constexpr std::uint32_t Points = 1000000;
    QCustomPlot plot;
    plot.resize(1030, 600);
    plot.show();
    LiveGraph graph(&plot);
    graph.setLimit(LiveGraph::XMaximum, Points);
    for (std::uint32_t x = 0; x < Points; ++x)
        for (int n = 0; n < 4; ++n) // a press cycle with noise, as the channels of a shift look
            graph.addPoint(n, x, std::int32_t(400 * std::sin(x / 2000.0 + n) + (x * 7919 + n * 31) % 60));
    std::vector<double> replots;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer clock;
        clock.start();
        graph.replotNow();
        replots.push_back(clock.nsecsElapsed() / 1e6);
    }
    figure("replot_ms_4x1M", median(replots));
    figure("bytes_per_point", double(graph.memoryBytes()) / (4.0 * Points));
    std::vector<double> appends;
    for (std::uint32_t i = 0; i < 10000; ++i) {
        QElapsedTimer clock;
        clock.start();
        graph.addPoint(int(i % 4), Points + i, 100);
        appends.push_back(clock.nsecsElapsed() / 1e3);
    }
    figure("append_us", median(appends));
}

void benchLog() {
    constexpr int Rows = 1000000;
    TestWindow w;
    for (int entry = 0; entry < Reading::Count; ++entry)
        w.state.cycleSnapshot.texts[entry] = QString::number(100 + entry * 37);
    w.state.cycleSnapshot.unit = 2;
    w.edit("editMachine")->setText(QStringLiteral("Presse 7"));
    w.edit("editSerialNr")->setText(QStringLiteral("SN-4711"));
    w.label("labelTime")->setText(QStringLiteral("14:03:07"));
    w.label("labelDate")->setText(QStringLiteral("02.01.2026"));
    DataLog& log = w.window->dataLog();
    for (int i = 0; i < Rows; ++i)
        log.appendRow();
    figure("log_bytes_per_row", double(log.memoryBytes()) / Rows);
    QElapsedTimer clock;
    clock.start();
    csv_file::writeNew(QStringLiteral("shift.csv"), log);
    figure("log_save_s_1M", clock.nsecsElapsed() / 1e9);
    clock.restart();
    csv_file::appendRows(QStringLiteral("shift.csv"), log);
    figure("log_append_s_1M", clock.nsecsElapsed() / 1e9);
    w.window->FormClose(); // a normal end: no journal left behind
}

// The window measuring against the simulator, in a process that holds nothing else (no simulator pipes in
// its event loop), with real timers; run as a child of the benchmark.
void measureWindow(double seconds) {
    CSerial port;
    ProgramState state;
    ScriptedDialogs dialogs;
    TfrmMain window(port, state, dialogs);
    bench::showGraphPage(window);
    bench::cpuPercentOver(3); // connect
    window.findChild<QAbstractButton*>(QStringLiteral("btnMeasurement"))->click();
    bench::cpuPercentOver(1);
    figure("cpu_measuring_pct", bench::cpuPercentOver(seconds));
    window.findChild<QLineEdit*>(QStringLiteral("editGraphSampling"))->setText(QStringLiteral("140"));
    window.findChild<QAbstractButton*>(QStringLiteral("btnGraphStartStop"))->click();
    figure("cpu_recording_pct", bench::cpuPercentOver(seconds));
    std::fprintf(stderr, "rows logged: %lld\n", static_cast<long long>(window.dataLog().rowCount()));
    window.FormClose();
}

void benchCpu(double seconds, const QString& self) {
    bench::runWindowAgainstSimulator(AMPSIM_BIN, {}, self, seconds);
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray part = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const bool named = part == "cpu" || part == "window-cpu";
    const int secondsArg = named ? 2 : 1;
    const double seconds = argc > secondsArg ? std::max(2.0, std::atof(argv[secondsArg])) : 20.0;
    if (part == "window-cpu") { // in the folder the benchmark prepared
        measureWindow(seconds);
        return 0;
    }
    const bool cpuOnly = part == "cpu";
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    if (!cpuOnly) {
        benchChart();
        benchLog();
    }
    benchCpu(seconds, QCoreApplication::applicationFilePath());
    return 0;
}
