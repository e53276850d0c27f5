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
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <qcustomplot.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
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
    for (const auto& [filter, offset] : {std::pair{all, 0},
                                         {all, 50'000},
                                         {all, 99'900},
                                         {oneMachine, 0},
                                         {oneMachine, 1'250},
                                         {oneMachine, 2'400}})
        slowest = std::max(slowest, msOf([&] { store->page(filter, offset, 100); }));
    figure("store_page_ms_100k", slowest);
    figure("store_search_ms_100k", msOf([&] {
               const records::Filter search{{}, "nachgezogen"};
               store->count(search);
               store->page(search, 0, 100);
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
                &delimiter};
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
            form.table->viewport()->grab();
            form.chart->replot();
            if (history.model().rowCount() == 0)
                qFatal("history: no rows");
        }));
    }
    figure("history_open_ms_100k", bench::median(ms));
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
    const std::vector<std::pair<QString, void (*)(const QDir&)>> parts = {
        {"insert", insertMs},           {"size", bytesPerRecord},           {"store100k", storeFigures100k},
        {"trend", trendMs10k},          {"protocol", protocolMs},           {"push", pushS10k},
        {"history", historyOpenMs100k}, {"historytrend", historyTrendMs10k}};
    const QStringList chosen = app.arguments().mid(1); // parts by name; all without
    for (const auto& [name, part] : parts)
        if (chosen.isEmpty() || chosen.contains(name))
            part(folder);
    return 0;
}
