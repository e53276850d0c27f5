#include "records/ServerCycles.h"

#include <QDateTime>

namespace records::server_cycles {
namespace {

QString utcText(const QDateTime& time) { return time.toUTC().toString(Qt::ISODateWithMs); }
QVariant number(const std::optional<double>& n) {
    return n ? QVariant(*n) : QVariant(QMetaType::fromType<double>());
}

} // namespace

Table tableOf(OutboxItem::Kind kind) {
    switch (kind) {
    case OutboxItem::Kind::Cycle:
        return {QStringLiteral("cycles"),
                QStringLiteral("id, machine, started_at, ended_at, plateau_ms, snapshots, unit, channel1, "
                               "channel2, channel3, channel4, main_value, total_kn, total_tons, deviation, "
                               "share1, share2, share3, share4, short, alarm"),
                QStringLiteral("id")};
    case OutboxItem::Kind::Reference:
        return {
            QStringLiteral("cycle_references"),
            QStringLiteral("id, machine, taught_at, operator, unit, clamps, channel1_mean, channel2_mean, "
                           "channel3_mean, channel4_mean, channel1_sd, channel2_sd, channel3_sd, "
                           "channel4_sd, share1_mean, share2_mean, share3_mean, share4_mean, share1_sd, "
                           "share2_sd, share3_sd, share4_sd, total_mean, total_sd, cycle_ms"),
            QStringLiteral("id")};
    case OutboxItem::Kind::Alarm:
        return {QStringLiteral("cycle_alarms"),
                QStringLiteral("id, cycle_id, machine, kind, bar, value, reference, band, limit_value, unit, "
                               "raised_at"),
                QStringLiteral("id")};
    default:
        return {QStringLiteral("cycle_alarm_acks"),
                QStringLiteral("alarm_id, acknowledged_by, acknowledged_at"), QStringLiteral("alarm_id")};
    }
}

QVariantList valuesOf(const OutboxItem& item) {
    switch (item.kind) {
    case OutboxItem::Kind::Cycle: {
        const cycles::CycleRow& r = item.cycle;
        QVariantList v{r.id,        r.machine, utcText(r.startedAt), utcText(r.endedAt), r.plateauMs,
                       r.snapshots, r.unit};
        for (double c : r.channels)
            v << c;
        for (const auto& n : {r.mainValue, r.totalKn, r.totalTons, r.deviation})
            v << number(n);
        for (double s : r.shares)
            v << s;
        return v << r.isShort << r.alarm;
    }
    case OutboxItem::Kind::Reference: {
        const cycles::CycleReference& r = item.reference;
        QVariantList v{r.id, r.machine, utcText(r.taughtAt), r.operatorName, r.unit, r.clamps};
        for (const auto* values : {&r.channelMean, &r.channelSd, &r.shareMean, &r.shareSd})
            for (double x : *values)
                v << x;
        return v << r.totalMean << r.totalSd << r.cycleMs;
    }
    case OutboxItem::Kind::Alarm: {
        static const char* const Kinds[] = {"total", "share", "deviation", "no_clamp"};
        const cycles::CycleAlarm& a = item.alarm;
        return {a.id,
                a.cycleId.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(a.cycleId),
                a.machine,
                QLatin1String(Kinds[static_cast<int>(a.kind)]),
                a.bar,
                a.value,
                a.reference,
                a.band,
                a.limit,
                a.unit,
                utcText(a.raisedAt)};
    }
    default:
        return {item.ack.alarmId, item.ack.by, utcText(item.ack.at)};
    }
}

} // namespace records::server_cycles
