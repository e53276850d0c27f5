#include "RecordsTesting.h"

#include <QStringList>

namespace records {

Record fullRecord() {
    const auto at = [](int hour, int minute, int second, int ms) {
        return QDateTime(QDate(2026, 3, 7), QTime(hour, minute, second, ms), Qt::UTC);
    };
    Record r;
    r.id = "5d1c0e7a-3b2f-4c8d-9e6a-7f1b2c3d4e5f", r.takenAt = at(8, 5, 3, 250), r.utcOffsetMin = 60;
    r.machine = "KM-350 Halle 2", r.serialNr = "SN 4711", r.comment = "nach Werkzeugwechsel";
    r.operatorName = "Eva Roth", r.amplifier = "QT34", r.port = "COM7", r.unit = "kN", r.tonsUnit = "US t";
    r.sensorUnit = "µm/m", r.channels = {512.5, 498.25, 505.0, 489.75}, r.note = "Holm 4 nachgezogen";
    r.sensors = {11.5, 12.5, 13.5, 14.5, 15.5, 16.5, 17.5, 18.5};
    r.mainValue = 501.375, r.totalKn = 2005.5, r.totalTons = 225.4, r.deviation = 5, r.tolerance = 10;
    r.withinTolerance = true, r.kFactor = 2.05, r.eModulus = 206.5, r.barDiameter = 120;
    r.program = "Vantoria 4.0.3", r.host = "press-pc-7", r.zeroedAt = at(7, 2, 9, 5);
    return r;
}

char* toString(const Record& r) {
    const auto n = [](const Number& v) { return v ? QString::number(*v, 'g', 17) : QStringLiteral("-"); };
    QStringList f;
    f << r.id << r.takenAt.toString(Qt::ISODateWithMs) << QString::number(r.utcOffsetMin) << r.machine
      << r.serialNr << r.comment << r.operatorName << r.amplifier << r.port << r.unit << r.tonsUnit
      << r.sensorUnit;
    for (const Number& v : r.channels)
        f << n(v);
    for (const Number& v : r.sensors)
        f << n(v);
    f << n(r.mainValue) << n(r.totalKn) << n(r.totalTons) << n(r.deviation) << n(r.tolerance)
      << (r.withinTolerance ? QString::number(*r.withinTolerance) : QStringLiteral("-")) << n(r.kFactor)
      << n(r.eModulus) << n(r.barDiameter) << r.program << r.host
      << (r.zeroedAt ? r.zeroedAt->toString(Qt::ISODateWithMs) : QStringLiteral("-")) << r.note;
    return qstrdup(qPrintable(f.join(QLatin1Char('|'))));
}

} // namespace records

namespace cycles {

CycleRow fullCycle(const QString& machine, int minute) {
    CycleRow r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces), r.machine = machine;
    r.startedAt = QDateTime(QDate(2026, 3, 7), QTime(9, minute, 1, 125), Qt::UTC);
    r.endedAt = r.startedAt.addMSecs(4875), r.plateauMs = 3250 + minute, r.snapshots = 13, r.unit = "kN";
    r.channels = {501.25, 498.5, 0.1 + minute, -489.75}, r.mainValue = 1503.125, r.totalKn = 1510.5;
    r.totalTons = 154.0625, r.deviation = 2.5, r.shares = {25.5, 24.25, 26.125, 24.0625}, r.alarm = true;
    return r;
}

CycleAlarm alarmOf(const CycleRow& clamp, AlarmKind kind) {
    return {QUuid::createUuid().toString(QUuid::WithoutBraces),
            kind == AlarmKind::NoClamp ? QString() : clamp.id,
            clamp.machine,
            kind,
            kind == AlarmKind::Share ? 3 : 0,
            1620.5,
            1500.25,
            5.5,
            1582.75,
            clamp.unit,
            clamp.endedAt.addMSecs(7)};
}

CycleReference referenceOf(const QString& machine, int minute) {
    CycleReference r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces), r.machine = machine;
    r.taughtAt = QDateTime(QDate(2026, 3, 7), QTime(7, minute, 2, 375), Qt::UTC), r.operatorName = "Eva Roth";
    r.unit = "t", r.clamps = 20 + minute, r.channelMean = {51.5, 52.5, 53.5, 54.5};
    r.channelSd = {0.5, 0.25, 0.125, 0.0625}, r.shareMean = {24.5, 24.75, 25.25, 25.5};
    r.shareSd = {0.3, 0.35, 0.4, 0.45}, r.totalMean = 212.125, r.totalSd = 1.75, r.cycleMs = 31250;
    return r;
}

} // namespace cycles
