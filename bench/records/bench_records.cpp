// Figures of the measurement records, one "name value" line each; each part of the records adds its own
// function. Run it in a folder on the file system that the program's working folder will be on:
//   build/bench/records/bench_records [insert size store100k trend protocol push history historytrend]
//   (those parts; all without)
// VANTORIA_BENCH_CPU=1 gives the process's CPU time instead of wall-clock time (on a machine busy with other
// work); VANTORIA_BENCH_KEEP=1 keeps the databases made (RecordsBenchData.h fills them) for a look inside.
//   insert_ms            median time to store one record (synchronous=FULL, the disk's own flush), goal < 10
//   bytes_per_record     Vantoria.db's size per record after 10,000 realistic records, goal < 1,000
//   store_open_ms_100k   opening a database of 100,000 records (with its quick check)
//   store_page_ms_100k   the slowest of pages of 100 records at offsets 0, 50,000 and 99,900, with and
//                        without the machine filter
//   store_search_ms_100k counting and fetching the first page of a search over 100,000 records
//   store_trend_ms_10k   the trend of a machine with 10,000 records
//   protocol_ms          median time to write one protocol PDF with a trend of 10 records, goal < 1,000
//   protocol_first_ms    the first of them, which loads the fonts: what the user waits for once
//   history_open_ms_100k the history page opened on 100,000 records until its first rows and the trend of
//                        the newest machine are drawn, goal < 300 (median of 5)
//   trend_ms_10k         the trend chart of a machine with 10,000 records set and drawn, goal < 50
//                        (median of 5; reading them from the store is store_trend_ms_10k)
//   push_s_10k           10,000 records queued on this PC sent to a private PostgreSQL server on this machine
//                        (Unix socket) and pulled back, in seconds, goal < 10
// With a million records (part "million"; the file is made once, in about a minute, and kept beside the
// benchmark as records-1m.db):
//   open_ms_1m           the window's store opened and the history page shown until its first rows and the
//                        newest machine's trend are there, goal < 1,000
//   first_page_ms_1m     the part of it after the store's open: the history page's own
//   search_ms_1m         a search typed (after the field's delay) until its first page of 200 rows is shown:
//                        "nachgezogen", in every 25th record, goal < 500 (median of 3)
//   search_rare_ms_1m    a search that matches nothing, until the table knows (every record looked at)
//   search_count_ms_1m   the common search until its count is shown
//   export_s_1m          every record exported to CSV, from the click until the file is written, goal < 30
//   gui_block_ms_1m      the longest time the window's thread did not turn to its events during the
//                        searches and the export above (a 2 ms timer's longest gap), goal < 100
//   gui_busy_ms_1m       the same, counting only the thread's own processor time: what is left of the gap
//                        when other work (the reading threads, other programs) is not counted

#include "BenchSupport.h"
#include "PgCluster.h"
#include "RecordsBenchData.h"
#include "records/HistoryPage.h"
#include "records/HistoryTrend.h"
#include "records/PostgresStore.h"
#include "records/ProtocolOutput.h"
#include "records/RecordsModel.h"
#include "records/RecordsSender.h"
#include "settings/Language.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <qcustomplot.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

void figure(const char* name, double value) {
    std::printf("%s %.2f\n", name, value);
    std::fflush(stdout);
}

// Wall-clock time; with VANTORIA_BENCH_CPU set, the process's CPU time instead (on a loaded machine).
double msOf(const std::function<void()>& work) {
    static const bool cpu = qEnvironmentVariableIsSet("VANTORIA_BENCH_CPU");
    QElapsedTimer clock;
    clock.start();
    const double before = bench::processCpuSeconds();
    work();
    return cpu ? (bench::processCpuSeconds() - before) * 1e3 : clock.nsecsElapsed() / 1e6;
}

std::unique_ptr<records::SqliteStore> openStore(const QString& path) {
    auto store = records::SqliteStore::open(path);
    if (!store)
        qFatal("cannot open %s", qPrintable(path));
    return store;
}

void insertMs(const QDir& folder) {
    auto store = openStore(folder.filePath("insert.db"));
    std::vector<double> ms;
    for (int i = 0; i < 200; ++i) {
        const records::Record record = benchdata::realisticRecord(i);
        QString error;
        ms.push_back(msOf([&] {
            if (!store->insert(record, &error))
                qFatal("insert: %s", qPrintable(error));
        }));
    }
    figure("insert_ms", bench::median(ms));
}

void bytesPerRecord(const QDir& folder) {
    const QString path = folder.filePath("size.db");
    benchdata::fillRecords(*openStore(path), 0, 10'000); // closing it checkpoints the log into the file
    figure("bytes_per_record", QFileInfo(path).size() / 10'000.0);
}

void storeFigures100k(const QDir& folder) {
    const QString path = folder.filePath("plant.db");
    benchdata::fillRecords(*openStore(path), 0, 100'000);
    std::unique_ptr<records::SqliteStore> store;
    figure("store_open_ms_100k", msOf([&] { store = openStore(path); }));
    double slowest = 0;
    const records::Filter all, oneMachine{"Presse 17", {}}; // 2,500 records
    for (const auto& [filter, depth] : {std::pair{all, 0},
                                        {all, 50'000},
                                        {all, 99'900},
                                        {oneMachine, 0},
                                        {oneMachine, 1'250},
                                        {oneMachine, 2'400}}) {
        const records::PageKey after = depth ? store->page(filter, {}, depth).next : records::PageKey{};
        slowest = std::max(slowest, msOf([&] { store->page(filter, after, 100); }));
    }
    figure("store_page_ms_100k", slowest);
    figure("store_search_ms_100k", msOf([&] {
               const records::Filter search{{}, "nachgezogen"};
               store->count(search);
               store->page(search, {}, 100);
           }));
}

void trendMs10k(const QDir& folder) {
    const QString path = folder.filePath("trend.db");
    auto store = openStore(path);
    benchdata::fillRecords(*store, 0, 10'000, 1);
    store = openStore(path);
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i)
        ms.push_back(msOf([&] {
            if (store->trend("Presse 01", 10'000).size() != 10'000)
                qFatal("trend: records missing");
        }));
    figure("store_trend_ms_10k", bench::median(ms));
}

void protocolMs(const QDir& folder) {
    QList<records::Record> trend;
    for (int i = 0; i < 10; ++i)
        trend << benchdata::realisticRecord(i * 40); // one machine's checks
    const records::ProtocolTexts texts = records::protocolTexts(QStringLiteral("DE"));
    std::vector<double> ms;
    for (int i = 0; i < 20; ++i)
        ms.push_back(msOf([&] {
            QString error;
            if (!records::writeProtocolPdf(folder.filePath("protocol.pdf"), trend.last(), trend, texts,
                                           &error))
                qFatal("protocol: %s", qPrintable(error));
        }));
    figure("protocol_first_ms", ms.front());
    figure("protocol_ms", bench::median(ms));
}

// One round of the sending queue: the batches sent, acknowledged, and the plant's records pulled back.
void pushS10k(const QDir& folder) {
    PgCluster server;
    QFile sql(QStringLiteral(SERVER_SQL));
    if (!server.error.isEmpty() || !sql.open(QIODevice::ReadOnly) ||
        !server.psql(QString::fromUtf8(sql.readAll())))
        qFatal("no server: %s", qPrintable(server.error));
    auto pc = openStore(folder.filePath("push.db"));
    pc->setQueueForServer(true);
    for (int i = 0; i < 10'000; ++i)
        if (!pc->insert(benchdata::realisticRecord(i), nullptr))
            qFatal("insert failed");
    records::PostgresStore plant(
        server.conninfo(QStringLiteral("vantoria_writer"), QStringLiteral("vantoria_records")));
    const std::atomic<bool> stop = false;
    records::RoundResult round;
    const double ms = msOf([&] { round = records::sendAndPull(*pc, plant, stop); });
    if (round.status.state != records::ServerStatus::State::Sent || plant.count({}) != 10'000)
        qFatal("push: %s", qPrintable(round.status.reason));
    figure("push_s_10k", ms / 1000);
}

// The history page's controls as the form lays them out, on a page of their own.
struct HistoryForm {
    QTabWidget tabs;
    QWidget* other = new QWidget;
    QWidget* page = new QWidget;
    QTableView* table = new QTableView(page);
    QCustomPlot* chart = new QCustomPlot(page);
    QPlainTextEdit languageLines;
    QLineEdit delimiter{QStringLiteral(";")};
    HistoryView view() {
        return {&tabs,
                page,
                new QComboBox(page),
                new QLineEdit(page),
                table,
                chart,
                new QPushButton(page),
                new QPushButton(page),
                new QPushButton(page),
                &delimiter,
                new QSpinBox(page),
                new QLabel(page)};
    }
    HistoryForm() {
        tabs.addTab(other, QStringLiteral("main"));
        tabs.addTab(page, QStringLiteral("history"));
        tabs.resize(1030, 637);
        table->setGeometry(8, 46, 1010, 282);
        chart->setGeometry(8, 336, 1010, 258);
        tabs.show();
    }
};

void historyOpenMs100k(const QDir& folder) {
    const QString path = folder.filePath("history.db");
    benchdata::fillRecords(*openStore(path), 0, 100'000);
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        auto store = openStore(path);
        HistoryForm form;
        Language language(&form.languageLines);
        ScriptedDialogs dialogs;
        ms.push_back(msOf([&] {
            records::HistoryPage history(form.view(), *store, dialogs, language);
            form.tabs.setCurrentWidget(form.page);
            // The rows are read off the window's thread.
            for (QDeadlineTimer deadline(10000); history.model().rowCount() == 0 && !deadline.hasExpired();)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            form.table->viewport()->grab();
            form.chart->replot();
            if (history.model().rowCount() == 0)
                qFatal("history: no rows");
        }));
    }
    figure("history_open_ms_100k", bench::median(ms));
}

// The million records' file, made once and kept beside the benchmark.
QString millionFile() {
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath("records-1m.db");
    if (const auto reader = records::SqliteStore::openReader(path);
        QFileInfo::exists(path) && reader && reader->count({}) == 1'000'000)
        return path;
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    QElapsedTimer clock;
    clock.start();
    if (!benchdata::fillPlantSql(path, 1'000'000))
        qFatal("cannot make %s", qPrintable(path));
    qInfo("made %s in %.0f s", qPrintable(path), clock.elapsed() / 1000.0);
    return path;
}

// This thread's CPU time, in milliseconds.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The longest time the window's thread went without turning to its events: what a user feels as a frozen
// window. `wall` counts the time another process or thread had the processor too; `busy` only the
// thread's own work, the part the program itself can shorten.
struct Frozen {
    double wall = 0;
    double busy = 0;
};

// Runs the event loop until `done`; the milliseconds that took.
double waitWatching(const std::function<bool()>& done, Frozen* frozen) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    double lastCpu = threadCpuMs();
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double cpu = threadCpuMs();
        frozen->wall = std::max(frozen->wall, (now - last) / 1e6);
        frozen->busy = std::max(frozen->busy, cpu - lastCpu);
        last = now, lastCpu = cpu;
        if (done())
            loop.quit();
    });
    tick.start(2);
    loop.exec();
    return clock.nsecsElapsed() / 1e6;
}

void million(const QDir& folder) {
    const QString path = millionFile();
    std::unique_ptr<records::SqliteStore> store;
    QElapsedTimer clock;
    clock.start();
    store = openStore(path);
    const double openMs = clock.nsecsElapsed() / 1e6;
    HistoryForm form;
    Language language(&form.languageLines);
    ScriptedDialogs dialogs;
    const HistoryView view = form.view();
    Frozen gap;
    clock.restart();
    records::HistoryPage history(view, *store, dialogs, language);
    form.tabs.setCurrentWidget(form.page);
    waitWatching([&] { return history.model().rowCount() > 0 && form.chart->graph(0)->dataCount() > 0; },
                 &gap);
    form.table->viewport()->grab();
    form.chart->replot();
    const double pageMs = clock.nsecsElapsed() / 1e6;
    figure("open_ms_1m", openMs + pageMs);
    figure("first_page_ms_1m", pageMs);
    waitWatching([&] { return history.model().total() >= 0; }, &gap);

    gap = {};
    const auto search = [&](const QString& text, const std::function<bool()>& done) {
        const QSignalBlocker typed(view.search); // no waiting for the next key: the search itself
        view.search->setText(text);
        QElapsedTimer started;
        started.start();
        const double cpu = threadCpuMs();
        history.applyFilter();
        gap.wall = std::max(gap.wall, started.nsecsElapsed() / 1e6);
        gap.busy = std::max(gap.busy, threadCpuMs() - cpu);
        waitWatching(done, &gap);
        return started.nsecsElapsed() / 1e6;
    };
    const records::RecordsModel& model = history.model();
    const auto firstPage = [&] {
        return model.rowCount() >= records::RecordsModel::PageSize || !model.reading();
    };
    std::vector<double> ms;
    for (int i = 0; i < 3; ++i) {
        search("nichts", [&] { return model.rowCount() > 0 || !model.reading(); }); // another filter between
        ms.push_back(search("nachgezogen", firstPage));
    }
    figure("search_ms_1m", bench::median(ms));
    figure("search_count_ms_1m", search("nachgezogen", [&] { return model.total() >= 0; }));
    figure("search_rare_ms_1m",
           search("Form 99-999", [&] { return !model.reading() && model.total() >= 0; }));

    search({}, [&] { return model.total() >= 0; });
    dialogs.saveAnswers = {folder.filePath("all.csv")};
    clock.restart();
    view.exportCsv->click();
    waitWatching([&] { return !dialogs.notices.isEmpty() || !dialogs.errors.isEmpty(); }, &gap);
    if (dialogs.notices.isEmpty() || !dialogs.notices.last().contains("1000000"))
        qFatal("export: %s", qPrintable(dialogs.errors.join(' ') + dialogs.notices.join(' ')));
    figure("export_s_1m", clock.nsecsElapsed() / 1e9);
    figure("gui_block_ms_1m", gap.wall);
    figure("gui_busy_ms_1m", gap.busy);
}

void historyTrendMs10k(const QDir& folder) {
    const QString path = folder.filePath("history-trend.db");
    benchdata::fillRecords(*openStore(path), 0, 10'000, 1);
    const QList<records::Record> records = openStore(path)->trend("Presse 01", 10'000);
    if (records.size() != 10'000)
        qFatal("trend: %lld records", static_cast<long long>(records.size()));
    QCustomPlot chart;
    chart.resize(1010, 258);
    chart.show();
    records::HistoryTrend trend(&chart);
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i)
        ms.push_back(msOf([&] {
            trend.show(records, records[i * 100].id);
            trend.replotNow();
        }));
    figure("trend_ms_10k", bench::median(ms));
}

} // namespace

int main(int argc, char** argv) {
    // The protocol needs fonts and the history page widgets, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work(QDir::current().filePath("bench-records-XXXXXX"));
    work.setAutoRemove(!qEnvironmentVariableIsSet("VANTORIA_BENCH_KEEP")); // to look into the databases
    const QDir folder(work.path());
    const std::vector<std::pair<QString, void (*)(const QDir&)>> parts = {{"insert", insertMs},
                                                                          {"size", bytesPerRecord},
                                                                          {"store100k", storeFigures100k},
                                                                          {"trend", trendMs10k},
                                                                          {"protocol", protocolMs},
                                                                          {"push", pushS10k},
                                                                          {"history", historyOpenMs100k},
                                                                          {"historytrend", historyTrendMs10k},
                                                                          {"million", million}};
    const QStringList chosen = app.arguments().mid(1); // parts by name; all without
    for (const auto& [name, part] : parts)
        if (chosen.isEmpty() || chosen.contains(name))
            part(folder);
    return 0;
}
