#include "cycles/ClampDetector.h"

#include "cycles/CycleStats.h"
#include "evaluation/Deviation.h"
#include "records/RecordMaking.h"

#include <algorithm>
#include <cmath>

namespace cycles {

namespace {
// Below this no load is worth a clamp: the zero band of a record, on each of the four bars.
double floorFor(const QString& unit) { return unit == records::unitName(1, false) ? 4 * 10.0 : 4 * 2.0; }
} // namespace

QString unitOf(const CycleSnapshot& snapshot) {
    return records::unitName(snapshot.unit, (snapshot.inUsTons >> Reading::MainValue & 1) != 0);
}

ClampDetector::ClampDetector(const DetectorSettings& settings) : settings_(settings) {}

void ClampDetector::setReference(std::optional<double> total, const QString& unit) {
    referenceTotal_ = total;
    referenceUnit_ = unit;
}

std::optional<double> ClampDetector::threshold(const QString& unit) const {
    double base = 0;
    if (referenceTotal_ && referenceUnit_ == unit)
        base = *referenceTotal_;
    else
        for (const auto& [ms, load] : recent_)
            base = std::max(base, load);
    const double level = base * settings_.thresholdPct / 100;
    if (level < floorFor(unit))
        return std::nullopt;
    return level;
}

void ClampDetector::reset() {
    inClamp_ = false;
    clamp_.clear();
    recent_.clear();
}

std::optional<CycleRow> ClampDetector::add(qint64 ms, const QDateTime& utc, const CycleSnapshot& snapshot) {
    Sample sample{ms, utc, {}, {}, {}, {}, 0};
    for (int n = 0; n < 4; ++n) {
        const auto value = records::numberShown(snapshot.texts[Reading::FirstChannel + n]);
        // A cycle without all four bars says nothing about the load; it neither starts nor ends a clamp.
        if (!value)
            return std::nullopt;
        sample.channels[n] = *value;
        sample.load += *value;
    }
    const QString unit = unitOf(snapshot);
    if (inClamp_ && unit != unit_) {
        // A clamp half in one unit and half in another has no values of its own.
        inClamp_ = false;
        clamp_.clear();
    }
    if (unit != unit_)
        recent_.clear(); // loads of another unit are no measure of this one's
    sample.mainValue = records::numberShown(snapshot.texts[Reading::MainValue]);
    sample.totalKn = records::numberShown(snapshot.texts[Reading::TotalKN]);
    sample.totalTons = records::numberShown(snapshot.texts[Reading::TotalTons]);
    unit_ = unit;
    recent_.emplace_back(ms, sample.load);
    while (!recent_.empty() && recent_.front().first < ms - settings_.lookBackMs)
        recent_.pop_front();

    const std::optional<double> level = threshold(unit);
    if (!inClamp_) {
        if (level && sample.load > *level) {
            inClamp_ = true;
            clamp_ = {sample};
        }
        return std::nullopt;
    }
    const double release = level ? *level * (1 - settings_.hysteresisPct / 100) : 0;
    if (!level || sample.load < release) {
        inClamp_ = false;
        CycleRow row = finish(utc);
        clamp_.clear();
        return row;
    }
    clamp_.append(sample);
    return std::nullopt;
}

CycleRow ClampDetector::finish(const QDateTime& endedAt) const {
    double peak = 0;
    for (const Sample& s : clamp_)
        peak = std::max(peak, s.load);
    QList<const Sample*> plateau;
    for (const Sample& s : clamp_)
        if (s.load >= peak * settings_.plateauPct / 100)
            plateau.append(&s);

    CycleRow row;
    row.startedAt = clamp_.front().utc;
    row.endedAt = endedAt;
    row.plateauMs = plateau.back()->ms - plateau.front()->ms;
    row.snapshots = static_cast<int>(plateau.size());
    row.isShort = plateau.size() < 2;
    row.unit = unit_;
    const auto medianOf = [&](auto field) {
        QList<double> values;
        for (const Sample* s : plateau)
            if (const std::optional<double> v = field(*s))
                values.append(*v);
        return values.isEmpty() ? std::nullopt : std::optional<double>(median(values));
    };
    for (int n = 0; n < 4; ++n)
        row.channels[n] = *medianOf([n](const Sample& s) { return std::optional<double>(s.channels[n]); });
    row.mainValue = medianOf([](const Sample& s) { return s.mainValue; });
    row.totalKn = medianOf([](const Sample& s) { return s.totalKn; });
    row.totalTons = medianOf([](const Sample& s) { return s.totalTons; });
    const double total = row.total();
    for (int n = 0; n < 4; ++n)
        row.shares[n] = total != 0 ? 100 * row.channels[n] / total : 0;
    std::array<std::int32_t, 4> whole{};
    for (int n = 0; n < 4; ++n)
        whole[n] = static_cast<std::int32_t>(std::lround(row.channels[n]));
    // As the display shows it: the whole percent, "> 99" kept as the over-range mark.
    const auto shown = static_cast<std::int32_t>(deviation::percent(whole));
    row.deviation = shown > 99 ? records::DeviationOverRange : shown;
    return row;
}

} // namespace cycles
