// The clamp watch's rows in the records database: clamps, taught references, alarms and their
// acknowledgements, on the store's own connection and in its transactions, so that a row and its place in
// the server's queue are written together.
#include "records/SqliteStore.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace records {
namespace {

using namespace cycles;

QString timeText(const QDateTime& time) { return time.toUTC().toString(Qt::ISODateWithMs); }
QDateTime timeOf(const QVariant& value) {
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs).toUTC();
}
QVariant text(const QString& s) { return s.isNull() ? QStringLiteral("") : s; }
QVariant number(const std::optional<double>& n) {
    return n ? QVariant(*n) : QVariant(QMetaType::fromType<double>());
}
std::optional<double> numberOf(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional(v.toDouble());
}

const char* const AlarmKinds[] = {"total", "share", "deviation", "no_clamp"}; // in AlarmKind's order
QString kindText(AlarmKind kind) { return QLatin1String(AlarmKinds[static_cast<int>(kind)]); }
AlarmKind kindOf(const QString& text) {
    for (int k = 0; k < 4; ++k)
        if (text == QLatin1String(AlarmKinds[k]))
            return static_cast<AlarmKind>(k);
    return AlarmKind::Total;
}

const QString CycleColumns = QStringLiteral(
    "id, machine, started_at, ended_at, plateau_ms, snapshots, unit, channel1, channel2, channel3, channel4, "
    "main_value, total_kn, total_tons, deviation, share1, share2, share3, share4, short, alarm");
const QString ReferenceColumns = QStringLiteral(
    "id, machine, taught_at, operator, unit, clamps, channel1_mean, channel2_mean, channel3_mean, "
    "channel4_mean, channel1_sd, channel2_sd, channel3_sd, channel4_sd, share1_mean, share2_mean, "
    "share3_mean, share4_mean, share1_sd, share2_sd, share3_sd, share4_sd, total_mean, total_sd, cycle_ms");
const QString AlarmColumns = QStringLiteral(
    "a.id, a.cycle_id, a.machine, a.kind, a.bar, a.value, a.reference, a.band, a.limit_value, a.unit, "
    "a.raised_at");

QString insertInto(const QString& table, const QString& columns) {
    return QStringLiteral("INSERT OR IGNORE INTO %1 (%2) VALUES (?%3)")
        .arg(table, QString(columns).remove(QStringLiteral("a.")),
             QStringLiteral(", ?").repeated(columns.count(QLatin1Char(','))));
}

QVariantList valuesOf(const CycleRow& r) {
    QVariantList v{text(r.id),  text(r.machine), timeText(r.startedAt), timeText(r.endedAt),
                   r.plateauMs, r.snapshots,     text(r.unit)};
    for (double c : r.channels)
        v << c;
    for (const auto& n : {r.mainValue, r.totalKn, r.totalTons, r.deviation})
        v << number(n);
    for (double s : r.shares)
        v << s;
    return v << int(r.isShort) << int(r.alarm);
}

CycleRow cycleAt(const QSqlQuery& q) {
    int i = 0;
    const auto next = [&] { return q.value(i++); };
    CycleRow r;
    r.id = next().toString(), r.machine = next().toString();
    r.startedAt = timeOf(next()), r.endedAt = timeOf(next());
    r.plateauMs = next().toLongLong(), r.snapshots = next().toInt(), r.unit = next().toString();
    for (double& c : r.channels)
        c = next().toDouble();
    for (auto* n : {&r.mainValue, &r.totalKn, &r.totalTons, &r.deviation})
        *n = numberOf(next());
    for (double& s : r.shares)
        s = next().toDouble();
    r.isShort = next().toInt() != 0;
    r.alarm = next().toInt() != 0;
    return r;
}

QVariantList valuesOf(const CycleReference& r) {
    QVariantList v{text(r.id),           text(r.machine), timeText(r.taughtAt),
                   text(r.operatorName), text(r.unit),    r.clamps};
    for (const auto* values : {&r.channelMean, &r.channelSd, &r.shareMean, &r.shareSd})
        for (double x : *values)
            v << x;
    return v << r.totalMean << r.totalSd << r.cycleMs;
}

CycleReference referenceAt(const QSqlQuery& q) {
    int i = 0;
    const auto next = [&] { return q.value(i++); };
    CycleReference r;
    r.id = next().toString(), r.machine = next().toString(), r.taughtAt = timeOf(next());
    r.operatorName = next().toString(), r.unit = next().toString(), r.clamps = next().toInt();
    for (auto* values : {&r.channelMean, &r.channelSd, &r.shareMean, &r.shareSd})
        for (double& x : *values)
            x = next().toDouble();
    r.totalMean = next().toDouble(), r.totalSd = next().toDouble(), r.cycleMs = next().toLongLong();
    return r;
}

QVariantList valuesOf(const CycleAlarm& a) {
    // A clamp-less alarm names no clamp: NULL, not '', so that it never seems to name one.
    return {text(a.id),
            a.cycleId.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(a.cycleId),
            text(a.machine),
            kindText(a.kind),
            a.bar,
            a.value,
            a.reference,
            a.band,
            a.limit,
            text(a.unit),
            timeText(a.raisedAt)};
}

CycleAlarm alarmAt(const QSqlQuery& q) {
    return {q.value(0).toString(),         q.value(1).toString(), q.value(2).toString(),
            kindOf(q.value(3).toString()), q.value(4).toInt(),    q.value(5).toDouble(),
            q.value(6).toDouble(),         q.value(7).toDouble(), q.value(8).toDouble(),
            q.value(9).toString(),         timeOf(q.value(10))};
}

} // namespace

bool SqliteStore::insertQueued(const QString& sql, const QVariantList& values, const char* kind,
                               const QString& ref, QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    if (values.value(0).toString().isEmpty()) {
        if (error)
            *error = QStringLiteral("the row has no id");
        return false;
    }
    return inTransaction(
        [&] {
            bool ok = false;
            QSqlQuery added = run(sql, values, &ok);
            if (ok && queue_ && added.numRowsAffected() > 0)
                run(QStringLiteral("INSERT INTO outbox (kind, ref) VALUES (?, ?)"),
                    {QLatin1String(kind), ref.isEmpty() ? added.lastInsertId().toString() : ref}, &ok);
            return ok;
        },
        error);
}

bool SqliteStore::insertCycle(const CycleRow& row, QString* error) {
    // Known by machine, start and id: the index of the machine's clamps finds it.
    static const QString sql =
        QStringLiteral("INSERT INTO cycles (%1) SELECT ?%2 WHERE NOT EXISTS (SELECT 1 FROM cycles WHERE "
                       "machine = ? AND started_at = ? AND id = ?)")
            .arg(CycleColumns, QStringLiteral(", ?").repeated(CycleColumns.count(QLatin1Char(','))));
    QVariantList values = valuesOf(row);
    values << values[1] << values[2] << values[0];
    return insertQueued(sql, values, "cycle", {}, error);
}

bool SqliteStore::insertReference(const CycleReference& reference, QString* error) {
    static const QString sql = insertInto(QStringLiteral("cycle_references"), ReferenceColumns);
    return insertQueued(sql, valuesOf(reference), "reference", reference.id, error);
}

bool SqliteStore::insertAlarm(const CycleAlarm& alarm, QString* error) {
    static const QString sql = insertInto(QStringLiteral("cycle_alarms"), AlarmColumns);
    return insertQueued(sql, valuesOf(alarm), "alarm", alarm.id, error);
}

bool SqliteStore::acknowledge(const QList<AlarmAck>& acks, QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    // One transaction for all: a click on ACKNOWLEDGE may answer a whole shift of alarms, and one disk
    // write each would hold the window for as many syncs.
    return inTransaction(
        [&] {
            for (const AlarmAck& ack : acks) {
                bool ok = false;
                QSqlQuery known =
                    run(QStringLiteral("SELECT 1 FROM cycle_alarms WHERE id = ?"), {ack.alarmId}, &ok);
                if (!ok)
                    return false;
                if (!known.next()) {
                    lastError_ = QStringLiteral("there is no alarm %1").arg(ack.alarmId);
                    return false;
                }
                known.finish();
                QSqlQuery added = run(QStringLiteral("INSERT OR IGNORE INTO cycle_alarm_acks (alarm_id, "
                                                     "acknowledged_by, acknowledged_at) VALUES (?, ?, ?)"),
                                      {text(ack.alarmId), text(ack.by), timeText(ack.at)}, &ok);
                if (ok && queue_ && added.numRowsAffected() > 0)
                    run(QStringLiteral("INSERT INTO outbox (kind, ref) VALUES ('ack', ?)"), {ack.alarmId},
                        &ok);
                if (!ok)
                    return false;
            }
            return true;
        },
        error);
}

std::optional<CycleReference> SqliteStore::reference(const QString& machine) {
    QSqlQuery query = run(QStringLiteral("SELECT %1 FROM cycle_references WHERE machine = ? ORDER BY "
                                         "taught_at DESC, rowid DESC LIMIT 1")
                              .arg(ReferenceColumns),
                          {machine});
    return query.next() ? std::optional(referenceAt(query)) : std::nullopt;
}

QList<CycleRow> SqliteStore::lastCycles(const QString& machine, int limit) {
    QSqlQuery query = run(QStringLiteral("SELECT %1 FROM cycles WHERE machine = ? ORDER BY started_at DESC "
                                         "LIMIT ?")
                              .arg(CycleColumns),
                          {machine, limit});
    QList<CycleRow> rows;
    while (query.next())
        rows.prepend(cycleAt(query));
    return rows;
}

QList<CycleRow> SqliteStore::cyclesSince(const QString& machine, const QDateTime& since) {
    QSqlQuery query = run(QStringLiteral("SELECT %1 FROM cycles WHERE machine = ? AND started_at >= ? ORDER "
                                         "BY started_at")
                              .arg(CycleColumns),
                          {machine, timeText(since)});
    QList<CycleRow> rows;
    while (query.next())
        rows << cycleAt(query);
    return rows;
}

QList<CycleStore::AlarmEntry> SqliteStore::alarms(const QString& machine, int limit) {
    QSqlQuery query =
        run(QStringLiteral("SELECT %1, k.acknowledged_by, k.acknowledged_at FROM cycle_alarms a "
                           "LEFT JOIN cycle_alarm_acks k ON k.alarm_id = a.id WHERE a.machine = ? "
                           "ORDER BY a.raised_at DESC, a.rowid DESC LIMIT ?")
                .arg(AlarmColumns),
            {machine, limit});
    QList<AlarmEntry> entries;
    while (query.next()) {
        AlarmEntry entry{alarmAt(query), std::nullopt};
        if (!query.value(12).isNull())
            entry.ack = AlarmAck{entry.alarm.id, query.value(11).toString(), timeOf(query.value(12))};
        entries << entry;
    }
    return entries;
}

bool SqliteStore::loadClampWatchItem(OutboxItem& item, const QString& ref) {
    using Kind = OutboxItem::Kind;
    const QString sql =
        item.kind == Kind::Cycle ? QStringLiteral("SELECT %1 FROM cycles WHERE nr = ?").arg(CycleColumns)
        : item.kind == Kind::Reference
            ? QStringLiteral("SELECT %1 FROM cycle_references WHERE id = ?").arg(ReferenceColumns)
        : item.kind == Kind::Alarm
            ? QStringLiteral("SELECT %1 FROM cycle_alarms a WHERE id = ?").arg(AlarmColumns)
            : QStringLiteral("SELECT alarm_id, acknowledged_by, acknowledged_at FROM "
                             "cycle_alarm_acks WHERE alarm_id = ?");
    QSqlQuery query = run(sql, {ref});
    if (!query.next())
        return false;
    if (item.kind == Kind::Cycle)
        item.cycle = cycleAt(query);
    else if (item.kind == Kind::Reference)
        item.reference = referenceAt(query);
    else if (item.kind == Kind::Alarm)
        item.alarm = alarmAt(query);
    else
        item.ack = {query.value(0).toString(), query.value(1).toString(), timeOf(query.value(2))};
    return true;
}

bool SqliteStore::requeueClampWatch() {
    // As the records: slices of the file's own order, each its own write, so that a year of clamps stored
    // before the server was named does not hold the window's inserts for long.
    constexpr qint64 Slice = 20000;
    bool ok = true;
    for (const auto& [kind, table, key] : {std::tuple{"cycle", "cycles", "CAST(nr AS TEXT)"},
                                           {"reference", "cycle_references", "id"},
                                           {"alarm", "cycle_alarms", "id"},
                                           {"ack", "cycle_alarm_acks", "alarm_id"}}) {
        QSqlQuery last =
            run(QStringLiteral("SELECT coalesce(max(rowid), 0) FROM %1").arg(QLatin1String(table)), {}, &ok);
        const qint64 end = ok && last.next() ? last.value(0).toLongLong() : 0;
        last.finish();
        for (qint64 from = 0; ok && from < end; from += Slice)
            // An acknowledgement's reference is its alarm's id: the kind tells the two apart.
            run(QStringLiteral("INSERT INTO outbox (kind, ref) SELECT ?, %2 FROM %1 WHERE rowid > ? AND "
                               "rowid <= ? AND NOT EXISTS (SELECT 1 FROM outbox WHERE ref = %2 AND kind = ?) "
                               "ORDER BY rowid")
                    .arg(QLatin1String(table), QLatin1String(key)),
                {QLatin1String(kind), from, from + Slice, QLatin1String(kind)}, &ok);
        if (!ok)
            return false;
    }
    return true;
}

bool SqliteStore::addClampWatch() {
    // The outbox of version 3 takes records and notes only, and SQLite changes no CHECK in place: it is made
    // anew from the schema and takes the old rows with their numbers and marks. Its AUTOINCREMENT counter
    // goes along, so that a number the server acknowledged once is never handed out again.
    const QStringList schema = schemaStatements();
    static const QRegularExpression outboxPart(QStringLiteral("^CREATE (TABLE|INDEX \\w+ ON) outbox "),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression clampPart(QStringLiteral("^CREATE (TABLE|INDEX \\w+ ON) cycle"),
                                              QRegularExpression::MultilineOption);
    bool ok = false;
    QSqlQuery counter = run(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'outbox'"), {}, &ok);
    const QVariant last = ok && counter.next() ? counter.value(0) : QVariant();
    counter.finish();
    QStringList steps{QStringLiteral("DROP INDEX outbox_by_ref"), QStringLiteral("DROP INDEX outbox_waiting"),
                      QStringLiteral("ALTER TABLE outbox RENAME TO outbox_3")};
    steps << schema.filter(outboxPart);
    steps << QStringLiteral("INSERT INTO outbox (seq, kind, ref, sent_at, refused) SELECT seq, kind, ref, "
                            "sent_at, refused FROM outbox_3 ORDER BY seq")
          << QStringLiteral("DROP TABLE outbox_3");
    steps << schema.filter(clampPart);
    for (const QString& step : steps)
        if (run(step, {}, &ok), !ok)
            return false;
    if (last.isValid() &&
        (run(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'outbox'"), {}, &ok), ok))
        run(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('outbox', ?)"), {last}, &ok);
    return ok;
}

} // namespace records
