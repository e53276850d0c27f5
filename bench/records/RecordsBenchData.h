#pragma once
// Records as a plant gathers them, for the records benchmarks: realistic values and texts, spread over
// several years and machines, so that file size, pages and trends are measured on what users will have.

#include "records/SqliteStore.h"

#include <QList>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace benchdata {

// Record i of a plant with `machines` presses: every machine checked in turn, about every 6 hours overall.
inline records::Record realisticRecord(int i, int machines = 40) {
    QRandomGenerator random(quint32(i) * 2654435761u);
    const auto around = [&](double centre, double spread) {
        return centre + spread * (random.generateDouble() - 0.5);
    };
    static const QStringList comments = {"", "Werkzeug 4711, nach Werkzeugwechsel", "Jahresprüfung",
                                         "after the mould crash, bolts retightened",
                                         "Abnahme neue Form 23-118"};
    static const QStringList operators = {"Anna Berger", "Marco Rossi", "Jürgen Weiß", "Li Wei"};
    records::Record r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.takenAt = QDateTime(QDate(2021, 1, 4), QTime(6, 0), Qt::UTC).addSecs(qint64(i) * 6 * 3600 + i % 3600);
    r.utcOffsetMin = i % 3 ? 60 : 120;
    const int machine = i % machines + 1;
    r.machine = QStringLiteral("Presse %1").arg(machine, 2, 10, QLatin1Char('0'));
    r.serialNr =
        QStringLiteral("KM-%1-%2").arg(2010 + machine % 12).arg(machine * 37 % 1000, 4, 10, QLatin1Char('0'));
    r.comment = comments[i % comments.size()];
    r.operatorName = operators[(i / 7) % operators.size()];
    r.amplifier = QStringLiteral("QT34");
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.unit = QStringLiteral("µm/m");
    double sum = 0;
    for (records::Number& channel : r.channels)
        sum += *(channel = std::round(around(420, 60) * 10) / 10);
    if (i % 4 == 0) // sensors polled on a quarter of the machines
        for (records::Number& sensor : r.sensors)
            sensor = std::round(around(420, 80) * 10) / 10;
    r.mainValue = std::round(sum / 4 * 10) / 10;
    r.totalKn = std::round(sum * 5.2);
    r.totalTons = std::round(*r.totalKn / 9.80665 * 10) / 10;
    r.deviation = std::round(around(6, 10) * 10) / 10;
    r.tolerance = 10;
    r.withinTolerance = *r.deviation <= *r.tolerance;
    r.kFactor = 2.05;
    r.eModulus = 210;
    r.barDiameter = 160;
    r.program = QStringLiteral("Vantoria 4.0.3");
    r.host = QStringLiteral("PRESS-PC-%1").arg(machine, 2, 10, QLatin1Char('0'));
    r.note = i % 25 == 0 ? QStringLiteral("Holm 3 nachgezogen") : QString();
    return r;
}

// Adds records first .. first+count-1 of the plant, in large transactions (as a pull from the server does).
inline bool fillRecords(records::SqliteStore& store, int first, int count, int machines = 40) {
    for (int start = first; start < first + count; start += 1000) {
        QList<records::Record> batch;
        for (int i = start; i < std::min(first + count, start + 1000); ++i)
            batch << realisticRecord(i, machines);
        QString error;
        if (!store.keepFromServer(batch, {}, &error)) {
            qWarning("fill: %s", qPrintable(error));
            return false;
        }
    }
    return true;
}

// A plant's records in one statement, as realisticRecord writes them (the same machines, texts and notes;
// numbers of the same spread, from a hash instead of the generator; every record from a server): a million
// take a minute instead of the half hour of a million inserts. The store makes the file and its schema;
// the indexes are built once at the end instead of row by row.
inline bool fillPlantSql(const QString& path, int count, int machines = 40) {
    if (!records::SqliteStore::open(path))
        return false;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        const auto run = [&](const QString& sql) {
            if (ok && !q.exec(sql)) {
                qWarning("fill: %s", qPrintable(q.lastError().text()));
                ok = false;
            }
        };
        ok = db.open();
        run(QStringLiteral("PRAGMA synchronous = OFF"));
        QStringList indexes;
        run(QStringLiteral(
            "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'records' "
            "AND sql IS NOT NULL"));
        QStringList names;
        while (ok && q.next())
            names << q.value(0).toString(), indexes << q.value(1).toString();
        run(QStringLiteral("BEGIN"));
        for (const QString& name : names)
            run(QStringLiteral("DROP INDEX ") + name);
        // A number around `centre` within `spread`, from a hash of the record's number.
        const auto around = [](int centre, int spread, int times, int plus) {
            return QStringLiteral("round(%1 + %2 * (((n * %3 + %4) % 1000) / 1000.0 - 0.5), 1)")
                .arg(centre)
                .arg(spread)
                .arg(times)
                .arg(plus);
        };
        // The SQL holds printf's and strftime's own % signs: its blanks are named, not numbered.
        QString insert = QStringLiteral(
            "WITH RECURSIVE i(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM i WHERE n < @count - 1), "
            "v AS (SELECT n, @c1 AS c1, @c2 AS c2, @c3 AS c3, @c4 AS c4, @dev AS dev FROM i) "
            "INSERT INTO records (id, nr, taken_at, utc_offset_min, machine, serial_nr, comment, operator, "
            "amplifier, port, unit, channel1, channel2, channel3, channel4, sensor11, sensor12, sensor21, "
            "sensor22, sensor31, sensor32, sensor41, sensor42, main_value, total_kn, total_tons, deviation, "
            "tolerance, within_tolerance, k_factor, e_modulus, bar_diameter, program, host, note, "
            "from_server) SELECT "
            "lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || substr(hex(randomblob(2)), "
            "2) || '-a' || substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6))), n + 1, "
            "strftime('%Y-%m-%dT%H:%M:%fZ', 1609740000 + n * 21600 + n % 3600, 'unixepoch'), "
            "iif(n % 3, 60, 120), printf('Presse %02d', n % @machines + 1), "
            "printf('KM-%d-%04d', 2010 + (n % @machines + 1) % 12, (n % @machines + 1) * 37 % 1000), "
            "CASE n % 5 WHEN 0 THEN '' WHEN 1 THEN 'Werkzeug 4711, nach Werkzeugwechsel' WHEN 2 THEN "
            "'Jahresprüfung' WHEN 3 THEN 'after the mould crash, bolts retightened' ELSE "
            "'Abnahme neue Form 23-118' END, "
            "CASE n / 7 % 4 WHEN 0 THEN 'Anna Berger' WHEN 1 THEN 'Marco Rossi' WHEN 2 THEN 'Jürgen Weiß' "
            "ELSE 'Li Wei' END, 'QT34', '/dev/ttyUSB0', 'µm/m', c1, c2, c3, c4, "
            "iif(n % 4, NULL, c1 + 3), iif(n % 4, NULL, c2 - 3), iif(n % 4, NULL, c3 + 5), "
            "iif(n % 4, NULL, c4 - 5), iif(n % 4, NULL, c1 - 2), iif(n % 4, NULL, c2 + 2), "
            "iif(n % 4, NULL, c3 - 4), iif(n % 4, NULL, c4 + 4), round((c1 + c2 + c3 + c4) / 4, 1), "
            "round((c1 + c2 + c3 + c4) * 5.2), round(round((c1 + c2 + c3 + c4) * 5.2) / 9.80665, 1), "
            "dev, 10, dev <= 10, 2.05, 210, 160, 'Vantoria 4.0.3', printf('PRESS-PC-%02d', n % @machines + "
            "1), "
            "iif(n % 25, '', 'Holm 3 nachgezogen'), 1 FROM v");
        insert.replace(QLatin1String("@count"), QString::number(count))
            .replace(QLatin1String("@machines"), QString::number(machines))
            .replace(QLatin1String("@c1"), around(420, 60, 7919, 13))
            .replace(QLatin1String("@c2"), around(420, 60, 6007, 101))
            .replace(QLatin1String("@c3"), around(420, 60, 4111, 577))
            .replace(QLatin1String("@c4"), around(420, 60, 2503, 911))
            .replace(QLatin1String("@dev"), around(6, 10, 3001, 7));
        run(insert);
        for (const QString& index : indexes)
            run(index);
        run(QStringLiteral("COMMIT"));
        run(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return ok;
}

} // namespace benchdata
