#pragma once
// Finds each clamp of the press in the stream of complete measurement cycles: the load (the sum of the four
// channels) rises above a threshold, holds, and falls below a release level a little under the threshold,
// so that noise at the threshold never counts one clamp twice. The threshold is a share of the taught
// reference's total; before a machine is taught, of the highest load of the last minute. A clamp's values
// are the medians of the cycles on its plateau, where the load is at least 95 % of the clamp's peak: the
// ramp and the release are never part of them. Pure: no clock, no store, no widget.

#include "ProgramState.h"
#include "cycles/Cycle.h"

#include <QDateTime>
#include <QList>

#include <deque>
#include <optional>

namespace cycles {

struct DetectorSettings {
    double thresholdPct = 50;  // of the reference total, or of the last minute's highest load
    double hysteresisPct = 10; // the release level lies this share of the threshold below it
    double plateauPct = 95;    // of the clamp's peak
    qint64 lookBackMs = 60000; // where the highest load is looked for before teaching
};

class ClampDetector {
public:
    explicit ClampDetector(const DetectorSettings& settings = {});

    void setSettings(const DetectorSettings& settings) { settings_ = settings; }
    // The taught total in the unit it was taught in; none before teaching. A reference in another unit than
    // the cycles' is not used.
    void setReference(std::optional<double> total, const QString& unit);

    // A complete measurement cycle at `ms` (a monotonic clock) and `utc`. Returns the clamp this cycle ended;
    // id and machine are left for the caller.
    std::optional<CycleRow> add(qint64 ms, const QDateTime& utc, const CycleSnapshot& snapshot);
    // The measurement stopped or the values were lost: a clamp half seen is no clamp.
    void reset();
    bool inClamp() const { return inClamp_; }
    // The level a load must exceed to start a clamp now; none while nothing worth a clamp was seen.
    std::optional<double> threshold(const QString& unit) const;

private:
    struct Sample {
        qint64 ms;
        QDateTime utc;
        std::array<double, 4> channels;
        std::optional<double> mainValue, totalKn, totalTons;
        double load;
    };
    CycleRow finish(const QDateTime& endedAt) const;

    DetectorSettings settings_;
    std::optional<double> referenceTotal_;
    QString referenceUnit_;
    std::deque<std::pair<qint64, double>> recent_; // (ms, load) of the last minute
    bool inClamp_ = false;
    QString unit_; // of the clamp being seen
    QList<Sample> clamp_;
};

// The unit a snapshot's channels are in, as records name it.
QString unitOf(const CycleSnapshot& snapshot);

} // namespace cycles
