// The clamp watch over a shift of a press that clamps every 10 s (1.5 s up, 5 s held, 1 s down, 2.5 s at
// rest). Prints one figure a line as "name: value":
//   missed                     full press cycles of the simulated press (partial ones at the start and the
//                              end left out) without a clamp whose plateau lies within that cycle's hold:
//                              every channel reading of the plateau from that press cycle, and each cycle on
//                              it, taken without noise when its channels were read, at 95 % of the hold's
//                              load or more, as the program draws its plateau (goal 0). The window runs with
//                              the shipped settings against the simulator in-process on its virtual clock, as
//                              fast as it can, for [minutes] simulated minutes
//   doubled                    clamps beyond the first that fall in one full press cycle (goal 0)
//   plateau_error_pct          the worst, over all clamps and the four channels, of |clamp's channel − what
//                              the amplifier would send in the hold without noise| / that value, in percent
//                              (goal below 1)
//   alarm_late_clamps          after a reference taught with TEACH in the same run (10 clamps), bar 2 carries
//                              15 % more from the press cycle at two thirds of the run on: the clamps after
//                              that which passed without a share alarm of bar 2 before the first that raised
//                              one (goal 0)
//   cpu_pct                    the program's CPU (all its threads; the simulator is a process of its own), in
//                              percent of one core, while it measures with the clamp watch on and the graph
//                              recording at 140 ms on the graph page, in real time for [cpu-seconds] (goal
//                              below 3)
//   cpu_pct_without_detection  the same right after, with the watch no longer fed the complete cycles
//   bytes_per_cycle            what 2000 clamps stored through the store add to a fresh Vantoria.db, in bytes
//                              per clamp, the whole file after the closing checkpoint (goal below 300)
//   chart_ms_2000              median of 11 draws of the cycles page's chart with 2000 clamps and a
//                              reference, show() and replot, offscreen at 1030 x 520 (goal below 50)
// Notes on how a figure came about go to stderr.
// Run from anywhere: build/bench/cycles/bench_cycles [minutes=30, at least 5] [cpu-seconds=120]
//                    build/bench/cycles/bench_cycles cpu [cpu-seconds]   (the CPU figures alone);
// bench_cycles cpu [cpu-seconds] gives the two CPU figures alone
//                    build/bench/cycles/bench_cycles plant [rows]   (the plant figures alone)

#include "BenchSupport.h"
#include "PlantScale.h"
#include "SimulatedRig.h"
#include "cycles/CycleWatch.h"
#include "cycles/CyclesChart.h"
#include "cycles/CyclesPage.h"
#include "device/DeviceSession.h"
#include "evaluation/Deviation.h"
#include "graph/DataLog.h"
#include "records/RecordMaking.h"
#include "records/SqliteStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include <ctime>

namespace {
using bench::median;

const QString Machine = QStringLiteral("KM 350 Halle 2");
const QStringList PressOptions = {"--ramp", "1500", "--hold", "5000", "--release", "1000", "--rest", "2500"};

// The thread's own clock: getrusage() counts a thread's time in scheduler ticks, too coarse for calls of a
// fraction of a millisecond (it put the chart's redraws at a quarter of what they take).
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void figure(const char* name, double value) {
    std::printf("%s: %.3f\n", name, value);
    std::fflush(stdout);
}

// The press of the simulator as PressOptions give it to the simulator program.
void setPress(ampsim::PressModel& model) {
    ampsim::PressParams press = model.params();
    press.rampMs = 1500;
    press.holdMs = 5000;
    press.releaseMs = 1000;
    press.pauseMs = 2500;
    model.setParams(press);
}

// A complete measurement cycle as the window published it, with the simulator's times of the four channel
// replies in it: a cycle takes several hundred ms, so its readings are not of one moment.
struct Snapshot {
    qint64 ms; // the window's clock when it was published
    std::array<double, 4> channels;
    double load;
    std::array<std::uint64_t, 4> readAt;
};

struct Clamp {
    cycles::CycleRow row;
    qint64 startMs, endMs; // the window's clock
};

// Detection and alarm: the real window measuring the simulated press on the virtual clock.
void detection(double minutes) {
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    freshFolder();
    SimulatedRig rig;
    ampsim::PtyAmplifier& sim = rig.sim();
    const std::uint64_t runMs = std::uint64_t(minutes * 60000);
    ampsim::PressModel& model = sim.amplifier().model();
    setPress(model);
    const std::uint64_t period = model.periodMs();
    // At rest between two clamps, so that no clamp is half in one load and half in the other; and not before
    // the ten clamps of teaching and some to spare, which a short run would otherwise teach the drift.
    const std::uint64_t driftMs = std::max<std::uint64_t>(runMs * 2 / 3, 20 * period) / period * period;
    ampsim::PressParams drifting = model.params();
    drifting.drifts = {{2, 1.15, driftMs}};
    model.setParams(drifting);
    const ampsim::PressParams& press = model.params();

    std::array<std::uint64_t, 4> lastRead{};
    int asked = -1;
    sim.setKeepLog(false);
    sim.setLogSink([&](const ampsim::LogEntry& entry) {
        static const char* const Channels[] = {"S1", "S2", "S3", "S4"};
        if (entry.toDevice) {
            const std::string bytes(entry.bytes.begin(), entry.bytes.end());
            asked = -1;
            for (int n = 0; n < 4; ++n)
                if (bytes == Channels[n])
                    asked = n;
            return;
        }
        if (asked >= 0 && entry.bytes.size() == 2)
            lastRead[asked] = entry.ms;
        asked = -1;
    });

    std::vector<Snapshot> snapshots;
    std::vector<Clamp> clamps;
    TfrmMain& window = rig.window();
    QObject::connect(&window.session(), &DeviceSession::cycleChanged, &window, [&] {
        const CycleSnapshot& s = rig.state().cycleSnapshot;
        Snapshot snapshot{rig.w().monotonicMs, {}, 0, lastRead};
        for (int n = 0; n < 4; ++n) {
            const records::Number value = records::numberShown(s.texts[Reading::FirstChannel + n]);
            if (!value)
                return; // forgotten: no load
            snapshot.channels[n] = *value;
            snapshot.load += *value;
        }
        snapshots.push_back(snapshot);
    });
    QObject::connect(&window.cycleWatch(), &cycles::CycleWatch::clampStored, &window,
                     [&](const cycles::CycleRow& row) {
                         const qint64 end = rig.w().monotonicMs;
                         clamps.push_back({row, end - row.startedAt.msecsTo(row.endedAt), end});
                     });

    std::optional<std::uint64_t> taughtMs;
    QObject::connect(&window.cycleWatch(), &cycles::CycleWatch::referenceChanged, &window, [&] {
        if (window.cycleWatch().reference() && !taughtMs)
            taughtMs = rig.nowMs();
    });
    QElapsedTimer wall;
    wall.start();
    rig.w().edit("editMachine")->setText(Machine);
    rig.w().clickTab(QStringLiteral("tabMainView"));
    if (!rig.connect()) {
        std::fprintf(stderr, "the window did not connect to the simulator\n");
        return;
    }
    QTest::mouseClick(rig.w().button("btnMeasurement"), Qt::LeftButton);
    const std::uint64_t restFrom = press.rampMs + press.holdMs + press.releaseMs;
    if (!rig.tickUntil([&] { return !snapshots.empty() && rig.nowMs() % period >= restFrom; }, 2000)) {
        std::fprintf(stderr, "no measurement came about\n");
        return;
    }
    rig.w().clickTab(QStringLiteral("tabCycles"));
    QTest::mouseClick(rig.w().button("btnCycleTeach"), Qt::LeftButton);
    const std::uint64_t teachMs = rig.nowMs();
    rig.w().clickTab(QStringLiteral("tabMainView"));
    while (rig.nowMs() < runMs)
        rig.tick();
    std::fprintf(stderr, "note: %.0f simulated minutes in %.1f s, %zu clamps, %zu complete cycles\n", minutes,
                 wall.elapsed() / 1000.0, clamps.size(), snapshots.size());

    // What the amplifier sends for a channel in the hold without noise: the mean of its two zeroed gauges
    // in its unit, here micro-strain (µm/m) as the window measures by default, before rounding to whole
    // digits. A model of its own with the same seed keeps the gauges' offsets.
    const ampsim::Amplifier& amp = sim.amplifier();
    ampsim::PressParams quiet = press;
    quiet.noiseMicroStrain = 0;
    const ampsim::PressModel clean(model.seed(), quiet);
    const auto plateauValue = [&](int n, std::uint64_t ms) {
        const auto& zero = amp.zeroOffsets();
        const double strain = (clean.sensorStrain(2 * n + 1, ms) - zero[2 * n] +
                               clean.sensorStrain(2 * n + 2, ms) - zero[2 * n + 1]) /
                              2;
        const double kn = ampsim::strainToKiloNewton(strain, amp.eModulus(), amp.barDiameter());
        return amp.unit() == ampsim::UnitKiloNewton ? kn
               : amp.unit() == ampsim::UnitTons     ? kn / ampsim::kKiloNewtonPerTon
                                                    : strain;
    };
    const QString ampUnit = records::unitName(amp.unit(), false);

    // Which press cycle each clamp stands for: the one whose hold its plateau's readings fall in. A complete
    // cycle takes several hundred ms, so a cycle on the plateau may hold a channel read just before the hold
    // or just after it; the program's plateau is every cycle at 95 % of the clamp's peak or more. So the
    // plateau counts as within the hold when all its readings are of that press cycle and each of its cycles,
    // taken without noise at the moments its channels were read, carries at least that share of the hold's
    // load. How many plateaus reach past the hold itself is noted.
    const double plateauShare = window.cycleWatch().settings().detector.plateauPct / 100;
    const std::uint64_t firstCycle = (std::uint64_t(snapshots.front().ms) + period - 1) / period;
    const std::uint64_t endCycle = std::uint64_t(snapshots.back().ms) / period; // the first not complete
    std::vector<int> standsFor(endCycle, 0), clampsOf(endCycle, 0);
    double worstError = 0, lowestReading = 1;
    int unlikeProgram = 0, offHold = 0, pastHold = 0, otherUnit = 0;
    for (const Clamp& clamp : clamps) {
        std::vector<const Snapshot*> seen;
        for (const Snapshot& s : snapshots)
            if (s.ms >= clamp.startMs && s.ms < clamp.endMs)
                seen.push_back(&s);
        double peak = 0;
        for (const Snapshot* s : seen)
            peak = std::max(peak, s->load);
        std::vector<const Snapshot*> plateau;
        for (const Snapshot* s : seen)
            if (s->load >= peak * plateauShare)
                plateau.push_back(s);
        if (plateau.empty())
            continue;
        if (int(plateau.size()) != clamp.row.snapshots ||
            plateau.back()->ms - plateau.front()->ms != clamp.row.plateauMs)
            ++unlikeProgram;
        std::uint64_t from = UINT64_MAX, to = 0;
        for (const Snapshot* s : plateau)
            for (std::uint64_t at : s->readAt) {
                from = std::min(from, at);
                to = std::max(to, at);
            }
        const std::uint64_t cycle = (from + to) / 2 / period;
        if (cycle < firstCycle || cycle >= endCycle)
            continue; // a press cycle only partly measured
        ++clampsOf[cycle];
        const std::uint64_t holdFrom = cycle * period + press.rampMs, holdTo = holdFrom + press.holdMs;
        const std::uint64_t holdMiddle = holdFrom + press.holdMs / 2;
        double holdLoad = 0;
        for (int n = 0; n < 4; ++n)
            holdLoad += plateauValue(n, holdMiddle);
        bool inHold = from >= cycle * period && to < (cycle + 1) * period;
        for (const Snapshot* s : plateau) {
            double load = 0;
            for (int n = 0; n < 4; ++n) {
                load += plateauValue(n, s->readAt[n]);
                lowestReading = std::min(lowestReading, clean.envelope(s->readAt[n]));
            }
            inHold = inHold && load >= holdLoad * plateauShare;
        }
        if (!inHold) {
            ++offHold;
            std::fprintf(stderr,
                         "note: clamp ending at %lld ms has its plateau at %llu..%llu ms, off the hold\n",
                         static_cast<long long>(clamp.endMs), static_cast<unsigned long long>(from),
                         static_cast<unsigned long long>(to));
            continue;
        }
        pastHold += from < holdFrom || to > holdTo;
        ++standsFor[cycle];
        if (clamp.row.unit != ampUnit)
            ++otherUnit;
        for (int n = 0; n < 4; ++n) {
            const double expected = plateauValue(n, holdMiddle);
            worstError = std::max(worstError, std::abs(clamp.row.channels[n] - expected) / expected * 100);
        }
    }
    int missed = 0, doubled = 0;
    for (std::uint64_t cycle = firstCycle; cycle < endCycle; ++cycle) {
        missed += standsFor[cycle] == 0;
        doubled += std::max(0, clampsOf[cycle] - 1);
    }
    figure("missed", missed);
    figure("doubled", doubled);
    figure("plateau_error_pct", worstError);
    std::fprintf(stderr,
                 "note: %llu full press cycles; %d clamps off the hold; %d whose plateau has a channel read "
                 "in the ramp or the release, the lowest at %.0f %% of the load; %d whose plateau the "
                 "benchmark saw otherwise than the program; %d in another unit than the amplifier's %s\n",
                 static_cast<unsigned long long>(endCycle - firstCycle), offHold, pastHold,
                 lowestReading * 100, unlikeProgram, otherUnit, qPrintable(ampUnit));

    // The alarm: the clamps after the drift began, up to the first with the share alarm of bar 2.
    const auto reference = window.cycleWatch().reference();
    if (!reference || !taughtMs || *taughtMs > driftMs)
        std::fprintf(stderr, "note: NO reference was taught before the drift began\n");
    else
        std::fprintf(stderr,
                     "note: TEACH at %llu ms, taught at %llu ms: reference of %d clamps, total %.1f %s, "
                     "shares %.2f %.2f "
                     "%.2f %.2f\n",
                     static_cast<unsigned long long>(teachMs), static_cast<unsigned long long>(*taughtMs),
                     reference->clamps, reference->totalMean, qPrintable(reference->unit),
                     reference->shareMean[0], reference->shareMean[1], reference->shareMean[2],
                     reference->shareMean[3]);
    QSet<QString> barTwoShare;
    int alarmsBeforeDrift = 0;
    for (const auto& entry : window.recordStore()->alarms(Machine, 100000)) {
        if (entry.alarm.kind == cycles::AlarmKind::Share && entry.alarm.bar == 2)
            barTwoShare.insert(entry.alarm.cycleId);
        if (entry.alarm.raisedAt.isValid() && !entry.alarm.cycleId.isEmpty())
            for (const Clamp& clamp : clamps)
                if (clamp.row.id == entry.alarm.cycleId && clamp.startMs < qint64(driftMs))
                    ++alarmsBeforeDrift;
    }
    int late = 0;
    bool raised = false;
    for (const Clamp& clamp : clamps) {
        if (clamp.startMs < qint64(driftMs))
            continue;
        if (barTwoShare.contains(clamp.row.id)) {
            raised = true;
            break;
        }
        ++late;
    }
    figure("alarm_late_clamps", late);
    std::fprintf(stderr, "note: drift of bar 2 from %llu ms; %s; %d alarms on clamps before it\n",
                 static_cast<unsigned long long>(driftMs),
                 raised ? "its share alarm was raised" : "its share alarm was NEVER raised",
                 alarmsBeforeDrift);
}

// The CPU, in a process of its own that holds nothing but the window: the real timers and event loop
// against the simulator started by the parent.
void cpuWindow(double seconds) {
    CSerial port;
    ProgramState state;
    ScriptedDialogs dialogs;
    TfrmMain window(port, state, dialogs);
    bench::showGraphPage(window);
    window.findChild<QLineEdit*>(QStringLiteral("editMachine"))->setText(Machine);
    int clamps = 0;
    cycles::CycleWatch& watch = window.cycleWatch();
    QObject::connect(&watch, &cycles::CycleWatch::clampStored, &window, [&] { ++clamps; });
    // The watch fed through a slot that also times it, so that its own share of the CPU shows; switched off,
    // the watch is no longer fed at all.
    double watchSeconds = 0;
    bool watching = true;
    QObject::disconnect(&window.session(), &DeviceSession::cycleChanged, &watch,
                        &cycles::CycleWatch::cycleArrived);
    QObject::connect(&window.session(), &DeviceSession::cycleChanged, &watch, [&] {
        if (!watching)
            return;
        const double before = threadCpuSeconds();
        watch.cycleArrived();
        watchSeconds += threadCpuSeconds() - before;
    });
    bench::cpuPercentOver(3); // connect
    window.findChild<QAbstractButton*>(QStringLiteral("btnMeasurement"))->click();
    bench::cpuPercentOver(1);
    window.findChild<QLineEdit*>(QStringLiteral("editGraphSampling"))->setText(QStringLiteral("140"));
    window.findChild<QAbstractButton*>(QStringLiteral("btnGraphStartStop"))->click();
    bench::cpuPercentOver(2);
    // The chart's redraws, timed the same way: the largest part of recording.
    auto* chart = window.findChild<QCustomPlot*>(QStringLiteral("Graph"));
    double replotStarted = 0;
    double replotSeconds = 0;
    int replots = 0;
    QObject::connect(chart, &QCustomPlot::beforeReplot, chart, [&] { replotStarted = threadCpuSeconds(); });
    QObject::connect(chart, &QCustomPlot::afterReplot, chart, [&] {
        replotSeconds += threadCpuSeconds() - replotStarted;
        ++replots;
    });
    clamps = 0;
    watchSeconds = 0;
    figure("cpu_pct", bench::cpuPercentOver(seconds));
    std::fprintf(
        stderr,
        "note: the watch itself took %.3f %% of a core, the chart's %d redraws %.3f %% (%.2f ms each); "
        "%d clamps kept while the CPU was measured, %lld rows recorded\n",
        100 * watchSeconds / seconds, replots, 100 * replotSeconds / seconds,
        1000 * replotSeconds / std::max(1, replots), clamps,
        static_cast<long long>(window.dataLog().rowCount()));
    watching = false;
    clamps = 0;
    figure("cpu_pct_without_detection", bench::cpuPercentOver(seconds));
    if (clamps != 0)
        std::fprintf(stderr, "note: %d clamps kept with the watch unfed\n", clamps);
    window.FormClose();
}

void cpu(double seconds, const QString& self) {
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    bench::runWindowAgainstSimulator(AMPSIM_BIN, PressOptions, self, seconds);
}

// Clamps as a press makes them at 400 µm/m: each bar's load with the gauges' noise, medians of 6 or 7
// cycles, one clamp every 10 s with a little jitter, now and then an alarm.
QList<cycles::CycleRow> pressClamps(int count) {
    std::mt19937 random(4711);
    std::normal_distribution<double> noise(0, 0.8);
    const std::array<double, 4> bars{1.00, 1.03, 0.97, 1.02};
    const QDateTime shiftStart(QDate(2026, 3, 2), QTime(6, 0), Qt::UTC);
    QList<cycles::CycleRow> rows;
    for (int i = 0; i < count; ++i) {
        cycles::CycleRow row;
        row.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
        row.machine = Machine;
        row.startedAt = shiftStart.addMSecs(i * 10000LL + std::lround(noise(random) * 30));
        row.endedAt = row.startedAt.addMSecs(7100 + std::lround(noise(random) * 40));
        row.snapshots = 6 + i % 2;
        row.plateauMs = (row.snapshots - 1) * 740;
        row.unit = records::unitName(1, false);
        double sum = 0;
        std::array<std::int32_t, 4> whole{};
        for (int n = 0; n < 4; ++n) {
            row.channels[n] = std::round((400 * bars[n] + noise(random)) * 2) / 2;
            whole[n] = std::int32_t(std::lround(row.channels[n]));
            sum += row.channels[n];
        }
        row.mainValue = std::round(sum / 4);
        row.totalKn = std::round(ampsim::strainToKiloNewton(sum, 210, 100));
        row.totalTons = std::round(*row.totalKn / ampsim::kKiloNewtonPerTon);
        row.deviation = std::round(deviation::percent(whole));
        for (int n = 0; n < 4; ++n)
            row.shares[n] = 100 * row.channels[n] / sum;
        row.alarm = i % 97 == 13;
        rows.append(row);
    }
    return rows;
}

qint64 fileBytes(const QString& db) {
    qint64 bytes = 0;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        bytes += QFileInfo(db + QLatin1String(suffix)).size();
    return bytes;
}

// Bytes per clamp: the store as the watch uses it, one insert per clamp.
void storage() {
    constexpr int Clamps = 2000;
    QTemporaryDir folder;
    const QString empty = folder.filePath(QStringLiteral("empty/Vantoria.db"));
    const QString db = folder.filePath(QStringLiteral("Vantoria.db"));
    QDir(folder.path()).mkdir(QStringLiteral("empty"));
    records::SqliteStore::open(empty).reset();
    auto store = records::SqliteStore::open(db);
    if (!store) {
        std::fprintf(stderr, "no store could be opened\n");
        return;
    }
    const QList<cycles::CycleRow> rows = pressClamps(Clamps);
    QElapsedTimer clock;
    clock.start();
    for (const cycles::CycleRow& row : rows) {
        QString error;
        if (!store->insertCycle(row, &error)) {
            std::fprintf(stderr, "insert failed: %s\n", qPrintable(error));
            return;
        }
    }
    const double insertMs = clock.nsecsElapsed() / 1e6 / Clamps;
    store.reset(); // the last connection checkpoints the log into the file
    const qint64 bytes = fileBytes(db);
    // What a clamp adds to the file; the tables of a fresh store (records, queue, references) are there
    // before the first clamp and do not grow with them.
    figure("bytes_per_cycle", double(bytes - fileBytes(empty)) / Clamps);
    std::fprintf(stderr, "note: %lld bytes after %d clamps, %lld for a fresh store, %.2f ms per insert\n",
                 static_cast<long long>(bytes), Clamps, static_cast<long long>(fileBytes(empty)), insertMs);
}

// The chart: the cycles page's chart with a shift of clamps.
void chart() {
    QCustomPlot plot;
    plot.resize(1030, 520);
    plot.show();
    cycles::CyclesChart chart(&plot);
    chart.setTexts(QStringLiteral("Gesamt (µm/m)"), QStringLiteral("Anteil (%)"),
                   {QStringLiteral("Zugstange 1"), QStringLiteral("Zugstange 2"),
                    QStringLiteral("Zugstange 3"), QStringLiteral("Zugstange 4")});
    const QList<cycles::CycleRow> rows = pressClamps(cycles::CyclesPage::ClampsShown);
    cycles::Teaching teaching(10);
    std::optional<cycles::CycleReference> reference;
    for (const cycles::CycleRow& row : rows)
        if (!reference)
            reference = teaching.add(row);
    std::vector<double> draws, shows;
    for (int i = 0; i < 11; ++i) {
        QElapsedTimer clock;
        clock.start();
        chart.show(rows, reference, cycles::Limits{});
        shows.push_back(clock.nsecsElapsed() / 1e6);
        chart.replotNow();
        draws.push_back(clock.nsecsElapsed() / 1e6);
    }
    figure("chart_ms_2000", median(draws));
    std::fprintf(stderr, "note: of that %.1f ms in show(), the rest in the replot\n", median(shows));
    if (chart.pointCount() != rows.size())
        std::fprintf(stderr, "note: the chart drew %d of %lld clamps\n", chart.pointCount(),
                     static_cast<long long>(rows.size()));
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("plant"))
        return bench::plantScale(args.mid(1));
    if (args.value(0) == QLatin1String("cpu")) { // the CPU figures alone
        cpu(std::max(2.0, args.value(1).toDouble()), QCoreApplication::applicationFilePath());
        return 0;
    }
    if (args.value(0) == QLatin1String("cpu")) { // the CPU figures alone
        cpu(std::max(2.0, args.value(1).toDouble()), QCoreApplication::applicationFilePath());
        return 0;
    }
    if (args.value(0) == QLatin1String("window-cpu")) { // in the folder the parent prepared
        cpuWindow(std::max(2.0, args.value(1).toDouble()));
        return 0;
    }
    const double minutes = args.size() > 0 ? std::max(5.0, args.value(0).toDouble()) : 30.0;
    const double cpuSeconds = args.size() > 1 ? std::max(2.0, args.value(1).toDouble()) : 120.0;
    detection(minutes);
    cpu(cpuSeconds, QCoreApplication::applicationFilePath());
    storage();
    chart();
    return 0;
}
