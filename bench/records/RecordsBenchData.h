#pragma once
// Records as a plant gathers them, for the records benchmarks: realistic values and texts, spread over
// several years and machines, so that file size, pages and trends are measured on what users will have.

#include "records/SqliteStore.h"

#include <QList>
#include <QRandomGenerator>
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

} // namespace benchdata
