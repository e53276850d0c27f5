#pragma once
// Teaching a machine its reference from the clamps that follow a click on TEACH, and judging every later
// clamp against it. Pure: ids, times and operator are the caller's.

#include "cycles/Cycle.h"

#include <QList>

#include <optional>

namespace cycles {

// The limits a clamp is judged by. The defaults are what a tie bar that works loose shows soon: its share
// moves by whole percentage points long before the total does.
struct Limits {
    double totalBandPct = 5;  // the total within the reference total ± this share of it
    double shareBandPp = 2;   // each bar's share within its reference share ± these percentage points
    double noClampFactor = 3; // no clamp for this many taught cycle times while measuring is an alarm
};

class Teaching {
public:
    explicit Teaching(int clamps) : wanted_(clamps) {}
    // A clamp seen while teaching. A short clamp is no reference; a clamp in another unit starts again.
    // Returns the reference once enough clamps were seen.
    std::optional<CycleReference> add(const CycleRow& row);
    int seen() const { return static_cast<int>(rows_.size()); }
    int wanted() const { return wanted_; }

private:
    int wanted_;
    QList<CycleRow> rows_;
};

// Every limit the clamp breaks, in the order total, shares (bar 1 to 4), deviation. None for a reference
// in another unit, which is no measure of this clamp. tolerancePct: the tolerance of the deviation.
QList<CycleAlarm> check(const CycleRow& row, const CycleReference& reference, const Limits& limits,
                        int tolerancePct);
// The alarm for a press that stopped clamping while it is being measured, once `sinceMs` exceeds the limit.
std::optional<CycleAlarm> checkNoClamp(qint64 sinceMs, const CycleReference& reference, const Limits& limits);

} // namespace cycles
