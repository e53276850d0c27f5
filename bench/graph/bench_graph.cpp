// The graph and the data log over a whole shift. Prints one figure a line as "name: value":
//   replot_ms_4x1M      median replot of four series of 1,000,000 points each, full range, 1030 x 600,
//                       2-pixel lines (goal below 16)
//   bytes_per_point     memory of the series per point (goal at most 20)
//   append_us           median cost of one sample's point at 1,000,000 points (goal below 100)
//   log_bytes_per_row   memory of the data log per row with 1,000,000 rows (goal at most 200)
//   log_save_s_1M       saving those rows as a new file (goal below 2)
//   log_append_s_1M     appending them to a file of 1,000,000 rows (goal below 3)
//   cpu_percent_sampling / cpu_percent_measuring
//                       the program's CPU, in percent of one core, measuring against the simulator with
//                       graph sampling on at 140 ms, and with sampling off (goal below 3 with sampling)
// Run from anywhere: build/bench/graph/bench_graph [cpu-seconds=20]

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
using bench::processCpuSeconds;

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

// The program measuring against the simulator in a process of its own, with real timers.
void benchCpu(double seconds) {
    QProcess simulator;
    if (!bench::startSimulator(simulator, AMPSIM_BIN)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return;
    }
    CSerial port;
    ProgramState state;
    ScriptedDialogs dialogs;
    TfrmMain window(port, state, dialogs);
    auto run = [](double forSeconds) {
        QEventLoop loop;
        QTimer::singleShot(int(forSeconds * 1000), &loop, &QEventLoop::quit);
        const double before = processCpuSeconds();
        loop.exec();
        return 100.0 * (processCpuSeconds() - before) / forSeconds;
    };
    run(3); // connect
    window.findChild<QAbstractButton*>(QStringLiteral("btnMeasurement"))->click();
    run(1);
    figure("cpu_percent_measuring", run(seconds));
    window.findChild<QLineEdit*>(QStringLiteral("editGraphSampling"))->setText(QStringLiteral("140"));
    window.btnGraphStartStopClick();
    figure("cpu_percent_sampling", run(seconds));
    std::fprintf(stderr, "rows logged: %lld\n", static_cast<long long>(window.dataLog().rowCount()));
    window.FormClose();
    simulator.terminate();
    simulator.waitForFinished();
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(2.0, std::atof(argv[1])) : 20.0;
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    benchChart();
    benchLog();
    benchCpu(seconds);
    return 0;
}
