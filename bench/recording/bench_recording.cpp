// A shift recorded as a quality engineer records it, in real time: the program measures the simulated
// amplifier's press cycle with graph sampling on, the cable is pulled and plugged in again, the log is saved
// as a new file and appended to twice, and the window is closed. Prints one figure a line:
//   rows                  rows in the data log
//   rows_per_clock_pct    rows against sampling time / interval, in percent (goal within 1 of 100)
//   rows_not_one_cycle    rows whose readings are not those of one complete cycle of the amplifier's
//                         replies, nor all "E01" (goal 0)
//   rows_all_e01          rows taken while the amplifier was lost (all "E01")
//   file_rows_differ      rows of the saved file that differ from the log, in order (goal 0: nothing twice,
//                         nothing missing)
//   questions_on_close    questions at the close after the last save (goal 0), journal_left (goal 0)
// Run: build/bench/recording/bench_recording [minutes=30] [unplugs=3] [interval-ms=140]

#include "BenchSupport.h"
#include "Main.h"
#include "graph/DataLog.h"
#include "graph/Journal.h"
#include "settings/TextFile.h"

#include "ampsim/PtyAmplifier.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <array>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

namespace {
using Cycle = std::array<QString, 7>; // channels 1 to 4, main value, kN, tons, as the program shows them

void figure(const char* name, double value) {
    std::printf("%s: %.2f\n", name, value);
    std::fflush(stdout);
}

// The amplifier on a thread of its own, answering as it would over the cable, and noting every complete
// cycle of replies that it gave.
class Amplifier {
public:
    Amplifier() : amp_("QT34", 2) {
        amp_.setKeepLog(false);
        amp_.setLogSink([this](const ampsim::LogEntry& entry) { note(entry); });
        if (!amp_.start())
            std::fprintf(stderr, "simulator: %s\n", amp_.lastError().c_str());
        clock_.start();
        thread_ = std::thread([this] { run(); });
    }
    ~Amplifier() {
        running_ = false;
        thread_.join();
    }
    void unplug() { plugged_ = false; }
    void plugIn() { plugged_ = true; }
    std::set<Cycle> cycles() {
        std::lock_guard lock(mutex_);
        return cycles_;
    }

private:
    void run() {
        bool connected = true;
        while (running_) {
            if (connected != plugged_) {
                connected = plugged_;
                connected ? static_cast<void>(amp_.reconnect()) : amp_.disconnect();
            }
            if (connected)
                amp_.pump(std::uint64_t(clock_.elapsed()), 2);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    void note(const ampsim::LogEntry& entry) {
        static const char* const Commands[] = {"S1", "S2", "S3", "S4", "S5", "kN", "to"};
        const std::string bytes(entry.bytes.begin(), entry.bytes.end());
        if (entry.toDevice) {
            command_ = -1;
            for (int i = 0; i < 7; ++i)
                if (bytes == Commands[i])
                    command_ = i;
            return;
        }
        if (command_ < 0 || entry.bytes.size() != 2)
            return;
        const auto raw = std::int16_t(entry.bytes[0] | entry.bytes[1] << 8);
        const int limit = command_ < 4 ? 9999 : 30000; // the program's range check at a K-factor of 2.00
        current_[command_] = raw < -limit || raw > limit ? QStringLiteral("E01") : QString::number(raw);
        seen_ = command_ == 0 ? 1 : seen_ | 1 << command_;
        if (command_ == 6 && seen_ == 0x7F) {
            std::lock_guard lock(mutex_);
            cycles_.insert(current_);
        }
        command_ = -1;
    }

    ampsim::PtyAmplifier amp_;
    QElapsedTimer clock_;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<bool> plugged_{true};
    int command_ = -1;
    int seen_ = 0;
    Cycle current_;
    std::mutex mutex_;
    std::set<Cycle> cycles_;
};

void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 30.0;
    const int unplugs = argc > 2 ? std::atoi(argv[2]) : 3;
    const int intervalMs = argc > 3 ? std::atoi(argv[3]) : 140;
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    writeSettingsWith({{5, "NO"}, {7, "Manual"}, {9, "2"}}); // channels only, from COM2

    Amplifier amplifier;
    CSerial port;
    ProgramState state;
    ScriptedDialogs dialogs;
    TfrmMain window(port, state, dialogs);
    runFor(3);
    window.findChild<QAbstractButton*>(QStringLiteral("btnMeasurement"))->click();
    runFor(1);
    window.findChild<QLineEdit*>(QStringLiteral("editGraphSampling"))->setText(QString::number(intervalMs));
    window.btnGraphStartStopClick();
    QElapsedTimer sampling;
    sampling.start();

    // Saves at a third and two thirds of the shift and at its end; unplugs spread between them.
    const double total = minutes * 60;
    std::vector<std::pair<double, int>> events; // when, what: 0 save new, 1 append, 2 unplug
    events.push_back({total / 3, 0});
    events.push_back({2 * total / 3, 1});
    for (int i = 1; i <= unplugs; ++i)
        events.push_back({total * i / (unplugs + 1) + total / 10, 2});
    std::sort(events.begin(), events.end());
    for (const auto& [at, what] : events) {
        runFor(std::max(0.0, at - sampling.elapsed() / 1000.0));
        if (what == 2) {
            amplifier.unplug();
            runFor(5);
            amplifier.plugIn();
            continue;
        }
        dialogs.saveAnswers = {what == 0 ? QStringLiteral("shift") : QStringLiteral("shift.csv")};
        window.btnCSVSaveClick();
    }
    runFor(std::max(0.0, total - sampling.elapsed() / 1000.0));
    window.btnGraphStartStopClick();
    const double sampledMs = double(sampling.elapsed());
    dialogs.saveAnswers = {QStringLiteral("shift.csv")};
    window.btnCSVSaveClick();

    const DataLog& log = window.dataLog();
    const QStringList logLines = log.lines();
    const std::set<Cycle> cycles = amplifier.cycles();
    int notOneCycle = 0;
    int allE01 = 0;
    for (qsizetype i = 1; i < logLines.size(); ++i) {
        const QStringList fields = logLines[i].split(QLatin1Char(';'));
        const Cycle row{fields.value(1),  fields.value(2),  fields.value(3), fields.value(4),
                        fields.value(13), fields.value(14), fields.value(15)};
        if (std::all_of(row.begin(), row.end(), [](const QString& f) { return f == QLatin1String("E01"); }))
            ++allE01;
        else if (!cycles.count(row))
            ++notOneCycle;
    }
    const QStringList fileLines = textfile::read(QStringLiteral("shift.csv")).lines;
    int differ = int(std::abs(fileLines.size() - logLines.size()));
    for (qsizetype i = 1; i < std::min(fileLines.size(), logLines.size()); ++i)
        differ += fileLines[i] != logLines[i];

    const qsizetype questionsBefore = dialogs.questions.size();
    window.FormClose();
    figure("rows", double(log.rowCount()));
    figure("rows_per_clock_pct", 100.0 * double(log.rowCount()) / (sampledMs / intervalMs));
    figure("rows_not_one_cycle", notOneCycle);
    figure("rows_all_e01", allE01);
    figure("complete_cycles_of_the_amplifier", double(cycles.size()));
    figure("file_rows_differ", differ);
    figure("questions_on_close", double(dialogs.questions.size() - questionsBefore));
    figure("journal_left", QFile::exists(QString::fromLatin1(Journal::DefaultFileName)) ? 1 : 0);
    std::fprintf(stderr, "errors: %s\n", qPrintable(dialogs.errors.join(QLatin1Char('|'))));
    return 0;
}
