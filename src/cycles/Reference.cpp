#include "cycles/Reference.h"

#include "cycles/CycleStats.h"

#include <cmath>

namespace cycles {

std::optional<CycleReference> Teaching::add(const CycleRow& row) {
    if (row.isShort)
        return std::nullopt;
    if (!rows_.isEmpty() && rows_.front().unit != row.unit)
        rows_.clear();
    rows_.append(row);
    if (rows_.size() < wanted_)
        return std::nullopt;

    CycleReference reference;
    reference.unit = row.unit;
    reference.clamps = static_cast<int>(rows_.size());
    for (int n = 0; n < 4; ++n) {
        QList<double> channel, share;
        for (const CycleRow& r : rows_) {
            channel.append(r.channels[n]);
            share.append(r.shares[n]);
        }
        const MeanSd c = meanSd(channel), s = meanSd(share);
        reference.channelMean[n] = c.mean;
        reference.channelSd[n] = c.sd;
        reference.shareMean[n] = s.mean;
        reference.shareSd[n] = s.sd;
    }
    QList<double> totals;
    for (const CycleRow& r : rows_)
        totals.append(r.total());
    const MeanSd t = meanSd(totals);
    reference.totalMean = t.mean;
    reference.totalSd = t.sd;
    if (rows_.size() > 1)
        reference.cycleMs = rows_.front().startedAt.msecsTo(rows_.back().startedAt) / (rows_.size() - 1);
    rows_.clear();
    return reference;
}

QList<CycleAlarm> check(const CycleRow& row, const CycleReference& reference, const Limits& limits,
                        int tolerancePct) {
    QList<CycleAlarm> alarms;
    if (row.unit != reference.unit)
        return alarms;
    const auto raise = [&](AlarmKind kind, int bar, double value, double ref, double band, double limit) {
        CycleAlarm alarm;
        alarm.cycleId = row.id;
        alarm.machine = row.machine;
        alarm.kind = kind;
        alarm.bar = bar;
        alarm.value = value;
        alarm.reference = ref;
        alarm.band = band;
        alarm.limit = limit;
        alarm.unit = row.unit;
        alarm.raisedAt = row.endedAt;
        alarms.append(alarm);
    };
    const double total = row.total();
    const double allowed = std::abs(reference.totalMean) * limits.totalBandPct / 100;
    if (total > reference.totalMean + allowed)
        raise(AlarmKind::Total, 0, total, reference.totalMean, limits.totalBandPct,
              reference.totalMean + allowed);
    else if (total < reference.totalMean - allowed)
        raise(AlarmKind::Total, 0, total, reference.totalMean, limits.totalBandPct,
              reference.totalMean - allowed);
    for (int n = 0; n < 4; ++n) {
        const double share = row.shares[n], ref = reference.shareMean[n];
        if (share > ref + limits.shareBandPp)
            raise(AlarmKind::Share, n + 1, share, ref, limits.shareBandPp, ref + limits.shareBandPp);
        else if (share < ref - limits.shareBandPp)
            raise(AlarmKind::Share, n + 1, share, ref, limits.shareBandPp, ref - limits.shareBandPp);
    }
    if (row.deviation && *row.deviation > tolerancePct)
        raise(AlarmKind::Deviation, 0, *row.deviation, tolerancePct, 0, tolerancePct);
    return alarms;
}

std::optional<CycleAlarm> checkNoClamp(qint64 sinceMs, const CycleReference& reference,
                                       const Limits& limits) {
    const double limitMs = reference.cycleMs * limits.noClampFactor;
    if (reference.cycleMs <= 0 || sinceMs <= limitMs)
        return std::nullopt;
    CycleAlarm alarm;
    alarm.machine = reference.machine;
    alarm.kind = AlarmKind::NoClamp;
    alarm.value = sinceMs / 1000.0;
    alarm.reference = reference.cycleMs / 1000.0;
    alarm.limit = limitMs / 1000.0;
    return alarm;
}

} // namespace cycles
