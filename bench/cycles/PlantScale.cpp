// The plant's server after weeks of clamps from 40 presses, and the plant's control chart query on it.
//
//   bench_cycles plant [--rows N] [--program-rows N] [--threads N] [--round N] [--live N]
//
//   --rows N          clamps on the server in the end, default 5,000,000 (rounded up to a whole number per
//                     press): 125,000 per press, 3 weeks of a clamp every 15 s
//   --program-rows N  of them, the newest ones sent by the PCs through the program's sending queue, default
//                     240,000 (6,000 per press: the queried day and a little more). The older ones are the
//                     plant's history, filled by one INSERT ... SELECT per 500,000 rows with the same values'
//                     distribution, since the queue's rate would make 5 million a matter of many minutes
//                     (it is what insert_rows_per_s tells)
//   --threads N       threads the 40 PCs' connections are shared by, default 4: each PC keeps a connection of
//                     its own, as in the plant, and a thread sends for its PCs in turn. The writers' lock
//                     lets one PC insert at a time anyway, so more threads only add switching on 2 cores
//   --round N         clamps a PC has waiting when its queue sends, default 500 (one batch of the queue): the
//                     simulated time runs faster than the wall clock, so the PCs are always behind
//   --live N          the last N clamps of each PC sent one at a time, as a PC does while it keeps up with
//   its
//                     press, default 25
//
// Figures:
//   rows                 clamps on the server
//   program_rows         of them, sent through the program's queue
//   insert_rows_per_s    clamps per second through the queue in batches (40 PCs sending in turn)
//   live_sends_per_s     sends of one clamp per second the server takes from the 40 PCs; the plant needs 2.7
//   bulk_rows_per_s      the history's fill, for comparison
//   cycles_mb            the table on disk, without its indexes
//   cycles_indexes_mb    its indexes
//   plant_query_ms_5m    the control chart query of records-server.md ("per machine over the last 24 hours"),
//                        median of 5 runs on the full table after one to warm it, goal < 500
//   plant_query_ms_5m_stale_brin  the same with the newest fifth of the table unsummarized by the BRIN index,
//                        as a server without its autosummarize would have it before autovacuum came by
//   total_s              the whole benchmark, the server's set-up included
// The query's EXPLAIN (ANALYZE, BUFFERS) and the indexes' sizes go to the standard error output. The query's
// answer is checked against what the PCs sent: clamps and alarms per press exactly, mean and Cpk as rounded.

#include "PlantScale.h"

#include "BenchSupport.h"
#include "PgCluster.h"
#include "cycles/Cycle.h"
#include "cycles/CycleStats.h"
#include "cycles/Reference.h"
#include "evaluation/Deviation.h"
#include "records/Outbox.h"
#include "records/PostgresStore.h"
#include "records/RecordsSender.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <barrier>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

using records::OutboxItem;

constexpr int Pcs = 40;
constexpr qint64 ClampEveryMs = 15'000;
// The presses' clocks are not in step: each clamps a little after the one before it.
constexpr qint64 OffsetMs = ClampEveryMs / Pcs;
constexpr qint64 ClampMs = 4'200;
constexpr qint64 DayMs = 24 * 3600 * 1000;
constexpr int TolerancePct = 15;
// How often something goes wrong at a press: a nut of a tie bar works loose (its bar carries 10 % more for
// that clamp), or a die is set too low (the whole clamp 7 % short). Both raise alarms against the reference.
constexpr double LooseBarChance = 1.0 / 2000;
constexpr double LowDieChance = 1.0 / 5000;
constexpr double TotalSpread = 0.008, BarSpread = 0.004;

void figure(const char* key, double value, int decimals = 1) {
    std::printf("%s: %.*f\n", key, decimals, value);
    std::fflush(stdout);
}

QString machineOf(int pc) { return QStringLiteral("Presse %1").arg(pc + 1, 2, 10, QLatin1Char('0')); }
QString loginOf(int pc) { return QStringLiteral("press_%1").arg(pc + 1, 2, 10, QLatin1Char('0')); }
double nominalKn(int pc) { return 2000 + 40.0 * pc; }
QString newId() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }
QString sqlTime(const QDateTime& t) {
    return QLatin1Char('\'') + t.toUTC().toString(Qt::ISODateWithMs) + QStringLiteral("'::timestamptz");
}

// A PC's queue in memory: what the program's SQLite queue hands the sender, in the same order (a kind at a
// time, each oldest first), without the disk in between, which is the PC's cost, not the server's.
class PcQueue : public records::Outbox {
public:
    void add(const QList<OutboxItem>& items) {
        for (OutboxItem item : items) {
            item.seq = ++seq_;
            waiting_.append(item);
        }
        std::stable_sort(waiting_.begin(), waiting_.end(),
                         [](const OutboxItem& a, const OutboxItem& b) { return a.kind < b.kind; });
    }
    QList<OutboxItem> pending(int limit, bool clampWatch) override {
        return clampWatch ? waiting_.first(std::min<qsizetype>(limit, waiting_.size())) : QList<OutboxItem>{};
    }
    int pendingCount() override { return static_cast<int>(waiting_.size()); }
    bool markSent(const QList<qint64>& seqs, QString*) override {
        waiting_.removeIf([&](const OutboxItem& item) { return seqs.contains(item.seq); });
        return true;
    }
    bool setAside(qint64 seq, const QString& reason, QString*) override {
        qFatal("the server refused item %lld: %s", static_cast<long long>(seq), qPrintable(reason));
    }
    records::Refused refused() override { return {}; }
    bool requeue(QString*) override { return true; }
    bool keepFromServer(const QList<records::Record>&, const QList<records::Note>&, QString*) override {
        return true;
    }
    qint64 serverPosition() override { return 0; }
    bool setServerPosition(qint64, QString*) override { return true; }

private:
    QList<OutboxItem> waiting_;
    qint64 seq_ = 0;
};

// One press and its PC: its clamps as the detector would make them, judged by the program's own check.
struct Press {
    int index = 0;
    QString machine;
    std::mt19937_64 random;
    std::normal_distribution<double> gauss{0, 1};
    std::uniform_real_distribution<double> uniform{0, 1};
    cycles::CycleReference reference;
    qint64 next = 0, end = 0; // clamp numbers still to send
    // What the plant query must find for this press in its window.
    QList<double> windowTotals;
    int windowClamps = 0, windowAlarms = 0;

    cycles::CycleRow clamp(const QDateTime& start, qint64 k) {
        cycles::CycleRow row;
        row.id = newId();
        row.machine = machine;
        row.startedAt = start.addMSecs(k * ClampEveryMs + index * OffsetMs);
        row.endedAt = row.startedAt.addMSecs(ClampMs);
        row.plateauMs = 3000;
        row.snapshots = 30;
        row.unit = QStringLiteral("kN");
        double factor = 1 + TotalSpread * gauss(random);
        std::array<double, 4> bar{};
        for (double& b : bar)
            b = 1 + BarSpread * gauss(random);
        if (uniform(random) < LowDieChance)
            factor *= 0.93;
        const double loose = uniform(random);
        const int looseBar = std::min(3, static_cast<int>(uniform(random) * 4));
        if (loose < LooseBarChance)
            bar[looseBar] *= 1.10;
        for (int n = 0; n < 4; ++n)
            row.channels[n] = nominalKn(index) / 4 * factor * bar[n];
        const double total = row.total();
        for (int n = 0; n < 4; ++n)
            row.shares[n] = 100 * row.channels[n] / total;
        row.mainValue = row.totalKn = total;
        row.totalTons = total / 9.80665;
        std::array<std::int32_t, 4> whole{};
        for (int n = 0; n < 4; ++n)
            whole[n] = static_cast<std::int32_t>(std::lround(row.channels[n]));
        row.deviation = static_cast<std::int32_t>(deviation::percent(whole));
        return row;
    }

    // The clamp and its alarms as the PC queues them; counted for the check when inside the queried window.
    QList<OutboxItem> clampItems(const QDateTime& start, qint64 k, const QDateTime& windowEnd) {
        OutboxItem item;
        item.kind = OutboxItem::Kind::Cycle;
        item.cycle = clamp(start, k);
        QList<cycles::CycleAlarm> alarms =
            cycles::check(item.cycle, reference, cycles::Limits{}, TolerancePct);
        item.cycle.alarm = !alarms.isEmpty();
        const QDateTime windowStart = windowEnd.addMSecs(-DayMs);
        if (item.cycle.startedAt >= windowStart && item.cycle.startedAt < windowEnd) {
            ++windowClamps;
            if (!item.cycle.isShort && item.cycle.unit == reference.unit)
                windowTotals << item.cycle.total();
        }
        QList<OutboxItem> items{item};
        for (cycles::CycleAlarm& alarm : alarms) {
            alarm.id = newId();
            if (alarm.raisedAt >= windowStart && alarm.raisedAt < windowEnd)
                ++windowAlarms;
            OutboxItem a;
            a.kind = OutboxItem::Kind::Alarm;
            a.alarm = alarm;
            items << a;
        }
        return items;
    }

    // Taught from its first clamps by the program's own teaching.
    cycles::CycleReference teach(const QDateTime& at, double scale) {
        cycles::Teaching teaching(20);
        for (qint64 k = 0;; ++k) {
            cycles::CycleRow row = clamp(at.addSecs(-3600), k);
            for (double& c : row.channels)
                c *= scale;
            if (std::optional<cycles::CycleReference> taught = teaching.add(row)) {
                taught->id = newId();
                taught->machine = machine;
                taught->taughtAt = at;
                taught->operatorName = QStringLiteral("Einrichter");
                return *taught;
            }
        }
    }
};

void sendRound(PcQueue& queue, records::PostgresStore& store, const QList<OutboxItem>& items) {
    static const std::atomic<bool> stop = false;
    queue.add(items);
    const records::RoundResult round = records::sendAndPull(queue, store, stop);
    if (round.status.state != records::ServerStatus::State::Sent)
        qFatal("send: %s", qPrintable(round.status.reason));
}

QSqlQuery exec(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        qFatal("%s\n%s", qPrintable(query.lastError().text()), qPrintable(sql.left(400)));
    return query;
}

// The plant's history up to clamp `upto` of every press, in clamps of 15 s of simulated time, each row as the
// PCs would have sent it: the same spread, the same faults, judged against the newest reference as the
// program's check does (total ± 5 %, shares ± 2 points, the deviation over 15 %).
void fillHistory(QSqlDatabase& db, const QDateTime& start, qint64 upto) {
    const QString gaussian = QStringLiteral("sqrt(-2 * ln(1 - random())) * cos(2 * pi() * random())");
    constexpr qint64 Chunk = 500'000 / Pcs;
    for (qint64 k0 = 0; k0 < upto; k0 += Chunk) {
        const qint64 k1 = std::min(upto, k0 + Chunk);
        exec(db, QStringLiteral("BEGIN"));
        exec(db, QStringLiteral(R"(
CREATE TEMP TABLE drawn ON COMMIT DROP AS
SELECT k, m, format('Presse %s', to_char(m + 1, 'FM00')) AS machine, format('press_%s', to_char(m + 1, 'FM00')) AS login,
       %1 + k * interval '%2 ms' + m * interval '%3 ms' AS started_at,
       (2000 + 40.0 * m) / 4 * (1 + %4 * %6) * CASE WHEN random() < %7 THEN 0.93 ELSE 1 END AS quarter,
       1 + %5 * %6 AS b1, 1 + %5 * %6 AS b2, 1 + %5 * %6 AS b3, 1 + %5 * %6 AS b4,
       random() < %8 AS loose, least(3, floor(random() * 4))::int + 1 AS loose_bar
FROM generate_series(%9, %10) k, generate_series(0, %11) m)")
                     .arg(sqlTime(start))
                     .arg(ClampEveryMs)
                     .arg(OffsetMs)
                     .arg(TotalSpread)
                     .arg(BarSpread)
                     .arg(gaussian)
                     .arg(LowDieChance)
                     .arg(LooseBarChance)
                     .arg(k0)
                     .arg(k1 - 1)
                     .arg(Pcs - 1));
        exec(db, QStringLiteral(R"(
CREATE TEMP TABLE judged ON COMMIT DROP AS
WITH reference AS (
    SELECT DISTINCT ON (machine) * FROM cycle_references ORDER BY machine, taught_at DESC
), channels AS (
    SELECT d.*, gen_random_uuid() AS id, d.started_at + interval '%1 ms' AS ended_at,
           d.quarter * d.b1 * CASE WHEN d.loose AND d.loose_bar = 1 THEN 1.1 ELSE 1 END AS c1,
           d.quarter * d.b2 * CASE WHEN d.loose AND d.loose_bar = 2 THEN 1.1 ELSE 1 END AS c2,
           d.quarter * d.b3 * CASE WHEN d.loose AND d.loose_bar = 3 THEN 1.1 ELSE 1 END AS c3,
           d.quarter * d.b4 * CASE WHEN d.loose AND d.loose_bar = 4 THEN 1.1 ELSE 1 END AS c4
    FROM drawn d
), totals AS (
    SELECT c.*, c.c1 + c.c2 + c.c3 + c.c4 AS total,
           trunc((greatest(round(c.c1), round(c.c2), round(c.c3), round(c.c4)) /
                  least(round(c.c1), round(c.c2), round(c.c3), round(c.c4)) - 1) * 100) AS deviation
    FROM channels c
)
SELECT t.*, 100 * t.c1 / t.total AS s1, 100 * t.c2 / t.total AS s2, 100 * t.c3 / t.total AS s3,
       100 * t.c4 / t.total AS s4, r.total_mean, abs(r.total_mean) * 0.05 AS allowed,
       r.share1_mean, r.share2_mean, r.share3_mean, r.share4_mean
FROM totals t JOIN reference r USING (machine))")
                     .arg(ClampMs));
        exec(db, QStringLiteral(R"(
CREATE TEMP TABLE raised ON COMMIT DROP AS
SELECT j.id AS cycle_id, j.machine, j.login, j.ended_at, a.*
FROM judged j CROSS JOIN LATERAL (VALUES
    ('total', 0, j.total, j.total_mean, 5.0, CASE WHEN j.total > j.total_mean + j.allowed THEN j.total_mean + j.allowed
                                             WHEN j.total < j.total_mean - j.allowed THEN j.total_mean - j.allowed END),
    ('share', 1, j.s1, j.share1_mean, 2.0, CASE WHEN j.s1 > j.share1_mean + 2 THEN j.share1_mean + 2
                                           WHEN j.s1 < j.share1_mean - 2 THEN j.share1_mean - 2 END),
    ('share', 2, j.s2, j.share2_mean, 2.0, CASE WHEN j.s2 > j.share2_mean + 2 THEN j.share2_mean + 2
                                           WHEN j.s2 < j.share2_mean - 2 THEN j.share2_mean - 2 END),
    ('share', 3, j.s3, j.share3_mean, 2.0, CASE WHEN j.s3 > j.share3_mean + 2 THEN j.share3_mean + 2
                                           WHEN j.s3 < j.share3_mean - 2 THEN j.share3_mean - 2 END),
    ('share', 4, j.s4, j.share4_mean, 2.0, CASE WHEN j.s4 > j.share4_mean + 2 THEN j.share4_mean + 2
                                           WHEN j.s4 < j.share4_mean - 2 THEN j.share4_mean - 2 END),
    ('deviation', 0, j.deviation, %1, 0, CASE WHEN j.deviation > %1 THEN %1 END)
) a (kind, bar, value, reference, band, limit_value)
WHERE a.limit_value IS NOT NULL)")
                     .arg(TolerancePct));
        exec(db, QStringLiteral(R"(
INSERT INTO cycles (id, machine, started_at, ended_at, plateau_ms, snapshots, unit, channel1, channel2, channel3,
                    channel4, main_value, total_kn, total_tons, deviation, share1, share2, share3, share4, short,
                    alarm, sent_by)
SELECT id, machine, started_at, ended_at, 3000, 30, 'kN', c1, c2, c3, c4, total, total, total / 9.80665, deviation,
       s1, s2, s3, s4, false, EXISTS (SELECT 1 FROM raised r WHERE r.cycle_id = j.id), login
FROM judged j ORDER BY k, m)"));
        exec(db, QStringLiteral(R"(
INSERT INTO cycle_alarms (id, cycle_id, machine, kind, bar, value, reference, band, limit_value, unit, raised_at,
                          sent_by)
SELECT gen_random_uuid(), cycle_id, machine, kind, bar, value, reference, band, limit_value, 'kN', ended_at, login
FROM raised ORDER BY ended_at)"));
        exec(db, QStringLiteral("COMMIT"));
    }
}

// The control chart query as records-server.md gives it to the plant's IT person: its first SQL block after
// the section's heading. Measuring that very text keeps the guide and the figure together.
QString plantQuery(const QDateTime& now) {
    QFile guide(QFileInfo(QStringLiteral(SERVER_SQL)).dir().filePath(QStringLiteral("records-server.md")));
    if (!guide.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(guide.fileName()));
    const QStringList lines = QString::fromUtf8(guide.readAll()).split(QLatin1Char('\n'));
    const qsizetype heading = lines.indexOf(QStringLiteral("## 10. Control charts of the plant"));
    QStringList sql;
    for (qsizetype i = heading; heading >= 0 && i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("    ")))
            sql << lines[i].mid(4);
        else if (!sql.isEmpty() && !lines[i].isEmpty())
            break;
    }
    if (sql.isEmpty())
        qFatal("records-server.md has no control chart query");
    // The simulated clock's present instead of the server's.
    return sql.join(QLatin1Char('\n')).replace(QStringLiteral("now()"), sqlTime(now));
}

struct ChartRow {
    int clamps = 0;
    double mean = 0;
    QVariant cpk;
    int alarms = 0;
};

// What the query says for each machine; stops when it differs from what the PCs sent.
void checkAnswer(QSqlQuery& query, const std::vector<std::unique_ptr<Press>>& presses) {
    int machines = 0;
    while (query.next()) {
        ++machines;
        const QString machine = query.value(0).toString();
        const auto found = std::find_if(presses.begin(), presses.end(),
                                        [&](const auto& press) { return press->machine == machine; });
        if (found == presses.end())
            qFatal("plant query: unknown machine %s", qPrintable(machine));
        const Press& press = **found;
        const cycles::MeanSd stats = cycles::meanSd(press.windowTotals);
        const double band = std::abs(press.reference.totalMean) * cycles::Limits{}.totalBandPct / 100;
        const std::optional<cycles::Capability> capability = cycles::capability(
            press.windowTotals, press.reference.totalMean - band, press.reference.totalMean + band);
        const int clamps = query.value(1).toInt(), alarms = query.value(7).toInt();
        const double mean = query.value(3).toDouble(), cpk = query.value(6).toDouble();
        if (clamps != press.windowClamps || alarms != press.windowAlarms ||
            std::abs(mean - stats.mean) > 0.051 || !capability || std::abs(cpk - capability->cpk) > 0.0051)
            qFatal(
                "plant query: %s has %d clamps, mean %.1f, Cpk %.2f, %d alarms; the PCs sent %d, %.2f, %.3f, "
                "%d",
                qPrintable(machine), clamps, mean, cpk, alarms, press.windowClamps, stats.mean,
                capability ? capability->cpk : 0.0, press.windowAlarms);
    }
    if (machines != Pcs)
        qFatal("plant query: %d machines instead of %d", machines, Pcs);
}

// The median of 5 runs after one that warms the cache, the rows fetched.
double medianMs(QSqlDatabase& db, const QString& sql) {
    std::vector<double> ms;
    for (int run = 0; run < 6; ++run) {
        QElapsedTimer timer;
        timer.start();
        QSqlQuery answer = exec(db, sql);
        while (answer.next()) {
        }
        if (run > 0)
            ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return bench::median(ms);
}

qint64 option(const QStringList& args, const QString& name, qint64 fallback) {
    const qsizetype at = args.indexOf(name);
    if (at < 0)
        return fallback;
    bool ok = false;
    const qint64 value = args.value(at + 1).remove(QLatin1Char(',')).remove(QLatin1Char('_')).toLongLong(&ok);
    if (!ok || value < 0)
        qFatal("%s wants a number", qPrintable(name));
    return value;
}

} // namespace

namespace bench {

int plantScale(const QStringList& args) {
    QElapsedTimer wholeRun;
    wholeRun.start();
    const qint64 perPress = (option(args, QStringLiteral("--rows"), 5'000'000) + Pcs - 1) / Pcs;
    const qint64 live = option(args, QStringLiteral("--live"), 25);
    const qint64 sentPerPress = std::clamp<qint64>(
        (option(args, QStringLiteral("--program-rows"), 240'000) + Pcs - 1) / Pcs, live, perPress);
    const int threads = std::clamp<int>(option(args, QStringLiteral("--threads"), 4), 1, Pcs);
    const int round = std::max<int>(1, option(args, QStringLiteral("--round"), 500));
    if (sentPerPress < DayMs / ClampEveryMs + 1)
        qWarning("the PCs send less than the queried day: the query's answer is not checked");

    // The simulated clock ends now, so that the rows look like any plant's; the query's "now()" is that end.
    const QDateTime now =
        QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() / 3600 * 3600, Qt::UTC);
    const QDateTime start = now.addMSecs(-perPress * ClampEveryMs);

    {
        PgCluster server;
        if (!server.error.isEmpty() || !server.psqlFile(QStringLiteral(SERVER_SQL)))
            qFatal("no server: %s", qPrintable(server.error));
        // One login per PC, as records-server.md recommends.
        QString roles;
        for (int pc = 0; pc < Pcs; ++pc)
            roles += QStringLiteral("CREATE ROLE %1 LOGIN IN ROLE vantoria_writer;\n").arg(loginOf(pc));
        if (QString output; !server.psql(roles, QStringLiteral("postgres"), &output))
            qFatal("roles: %s", qPrintable(output));

        std::vector<std::unique_ptr<Press>> presses;
        for (int pc = 0; pc < Pcs; ++pc) {
            auto press = std::make_unique<Press>();
            press->index = pc;
            press->machine = machineOf(pc);
            press->random.seed(0x5eed + pc);
            press->next = perPress - sentPerPress;
            press->end = perPress;
            presses.push_back(std::move(press));
        }

        // Every PC teaches its press twice, through its own queue: once long ago for another die (its totals
        // 8 % higher), and before the clamps here begin. The newest counts; a query that took the other would
        // be caught by the check.
        std::barrier step(threads + 1);
        std::vector<QThread*> workers;
        for (int t = 0; t < threads; ++t) {
            workers.push_back(QThread::create([&, t] {
                std::vector<Press*> mine;
                std::vector<std::unique_ptr<records::PostgresStore>> stores;
                std::vector<PcQueue> queues((Pcs - t + threads - 1) / threads);
                for (int pc = t; pc < Pcs; pc += threads) {
                    mine.push_back(presses[pc].get());
                    stores.push_back(std::make_unique<records::PostgresStore>(
                        server.conninfo(loginOf(pc), QStringLiteral("vantoria_records"))));
                }
                for (size_t i = 0; i < mine.size(); ++i) {
                    Press& press = *mine[i];
                    OutboxItem old, newest;
                    old.kind = newest.kind = OutboxItem::Kind::Reference;
                    old.reference = press.teach(start.addDays(-60), 1.08);
                    newest.reference = press.reference = press.teach(start.addSecs(-600), 1.0);
                    sendRound(queues[i], *stores[i], {old, newest});
                }
                step.arrive_and_wait(); // the history is filled
                step.arrive_and_wait();
                for (bool more = true; more;) {
                    more = false;
                    for (size_t i = 0; i < mine.size(); ++i) {
                        Press& press = *mine[i];
                        QList<OutboxItem> items;
                        for (const qint64 upto = std::min(press.next + round, press.end - live);
                             press.next < upto;)
                            items << press.clampItems(start, press.next++, now);
                        if (!items.isEmpty())
                            sendRound(queues[i], *stores[i], items);
                        more = more || press.next < press.end - live;
                    }
                }
                step.arrive_and_wait(); // the PCs have caught up with their presses
                for (bool more = true; more;) {
                    more = false;
                    for (size_t i = 0; i < mine.size(); ++i) {
                        Press& press = *mine[i];
                        if (press.next < press.end) {
                            sendRound(queues[i], *stores[i], press.clampItems(start, press.next++, now));
                            more = true;
                        }
                    }
                }
            }));
            workers.back()->start();
        }

        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("plant-scale"));
        db.setConnectOptions(server.conninfo(QStringLiteral("postgres"), QStringLiteral("vantoria_records")));
        if (!db.open())
            qFatal("admin connection: %s", qPrintable(db.lastError().text()));

        step.arrive_and_wait();
        QElapsedTimer clock;
        clock.start();
        const qint64 history = perPress - sentPerPress;
        fillHistory(db, start, history);
        const double bulkS = clock.nsecsElapsed() / 1e9;
        qInfo("history: %lld clamps in %.1f s", static_cast<long long>(history * Pcs), bulkS);

        step.arrive_and_wait();
        clock.restart();
        step.arrive_and_wait();
        const double batchedS = clock.nsecsElapsed() / 1e9;
        clock.restart();
        for (QThread* worker : workers) {
            worker->wait();
            delete worker;
        }
        const double liveS = clock.nsecsElapsed() / 1e9;

        // What autovacuum has done on a server that took these clamps over weeks.
        clock.restart();
        exec(db, QStringLiteral("VACUUM (ANALYZE) cycles, cycle_alarms, cycle_references"));
        qInfo("vacuum analyze: %.1f s", clock.nsecsElapsed() / 1e9);

        QSqlQuery count = exec(db, QStringLiteral("SELECT count(*) FROM cycles"));
        count.next();
        figure("rows", count.value(0).toDouble(), 0);
        figure("program_rows", static_cast<double>(sentPerPress * Pcs), 0);
        figure("insert_rows_per_s", (sentPerPress - live) * Pcs / batchedS, 0);
        figure("live_sends_per_s", live * Pcs / liveS, 0);
        if (history > 0)
            figure("bulk_rows_per_s", history * Pcs / bulkS, 0);
        QSqlQuery sizes =
            exec(db, QStringLiteral("SELECT pg_relation_size('cycles'), pg_indexes_size('cycles')"));
        sizes.next();
        figure("cycles_mb", sizes.value(0).toDouble() / (1 << 20));
        figure("cycles_indexes_mb", sizes.value(1).toDouble() / (1 << 20));
        QSqlQuery indexes = exec(
            db, QStringLiteral("SELECT indexrelid::regclass, pg_relation_size(indexrelid) / 1048576.0 FROM "
                               "pg_index WHERE indrelid = 'cycles'::regclass ORDER BY 1"));
        while (indexes.next())
            qInfo("index %s: %.1f MB", qPrintable(indexes.value(0).toString()), indexes.value(1).toDouble());

        const QString sql = plantQuery(now);
        const double queryMs = medianMs(db, sql);
        QSqlQuery answer = exec(db, sql);
        if (sentPerPress > DayMs / ClampEveryMs)
            checkAnswer(answer, presses);
        figure("plant_query_ms_5m", queryMs);
        // A server whose BRIN index summarized nothing of the newest fifth of the table: how one without
        // autosummarize reads its last day just before autovacuum's insert-driven run.
        exec(db,
             QStringLiteral("SELECT count(brin_desummarize_range('cycles_started', b)) FROM generate_series("
                            "pg_relation_size('cycles') / 8192 * 4 / 5 / 128 * 128, "
                            "pg_relation_size('cycles') / 8192, 128) b"));
        figure("plant_query_ms_5m_stale_brin", medianMs(db, sql));
        exec(db, QStringLiteral("SELECT brin_summarize_new_values('cycles_started')"));
        QSqlQuery plan = exec(db, QStringLiteral("EXPLAIN (ANALYZE, BUFFERS) ") + sql);
        while (plan.next())
            qInfo("%s", qPrintable(plan.value(0).toString()));
        answer = exec(db, sql);
        for (int shown = 0; answer.next() && shown < 3; ++shown)
            qInfo("%s: %d clamps, mean %.1f %s, limits %.1f..%.1f, Cpk %.2f, %d alarms",
                  qPrintable(answer.value(0).toString()), answer.value(1).toInt(), answer.value(3).toDouble(),
                  qPrintable(answer.value(2).toString()), answer.value(4).toDouble(),
                  answer.value(5).toDouble(), answer.value(6).toDouble(), answer.value(7).toInt());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("plant-scale"));
    figure("total_s", wholeRun.nsecsElapsed() / 1e9);
    return 0;
}

} // namespace bench
