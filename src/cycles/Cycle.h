#pragma once
// One clamp of the press as the program saw it, the reference a machine was taught, and an alarm raised
// when a clamp leaves that reference. Plain values: the detector makes them, the store keeps them, the page
// and the banner show them. Stored rows never change; an acknowledgement is a row of its own.

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace cycles {

// One clamp: the medians of the complete measurement cycles on its plateau (load at least 95 % of the
// clamp's peak). "Total" is the sum of the four channels in the row's unit: in kN and tons the clamping
// force, in micro-strain its strain equivalent; the totals in kN and tons are the amplifier's own where it
// sent them.
struct CycleRow {
    QString id; // UUID, lower case, without braces
    QString machine;
    QDateTime startedAt; // UTC: the first cycle above the threshold
    QDateTime endedAt;   // UTC: the first cycle below the release level
    qint64 plateauMs = 0;
    int snapshots = 0; // complete measurement cycles on the plateau
    QString unit;      // of channels, main value and total: "µm/m", "kN", "t" or "US t"
    std::array<double, 4> channels{};
    std::optional<double> mainValue;
    std::optional<double> totalKn;
    std::optional<double> totalTons;
    std::optional<double> deviation; // percent, from the median channels
    std::array<double, 4> shares{};  // each bar's part of the sum of the four channels, percent
    bool isShort = false;            // fewer than two complete cycles on the plateau
    bool alarm = false;              // the clamp raised at least one alarm

    double total() const { return channels[0] + channels[1] + channels[2] + channels[3]; }
    bool operator==(const CycleRow&) const = default;
};

// What a machine's clamps looked like while it was taught: mean and standard deviation over the taught
// clamps. The newest reference of a machine counts.
struct CycleReference {
    QString id; // UUID
    QString machine;
    QDateTime taughtAt; // UTC
    QString operatorName;
    QString unit;
    int clamps = 0;
    std::array<double, 4> channelMean{}, channelSd{};
    std::array<double, 4> shareMean{}, shareSd{};
    double totalMean = 0, totalSd = 0;
    qint64 cycleMs = 0; // mean time from one clamp's start to the next's

    bool operator==(const CycleReference&) const = default;
};

enum class AlarmKind {
    Total,     // the total outside the reference band
    Share,     // a bar's share outside its reference share's band
    Deviation, // the deviation over the tolerance
    NoClamp,   // no clamp for too long while measuring
};

struct CycleAlarm {
    QString id;      // UUID
    QString cycleId; // the clamp that raised it; empty for NoClamp
    QString machine;
    AlarmKind kind = AlarmKind::Total;
    int bar = 0;          // 1..4 for Share, else 0
    double value = 0;     // what was found: total, share %, deviation %, seconds without a clamp
    double reference = 0; // the reference it was measured against (the tolerance, the taught cycle s)
    double band = 0;      // the allowed difference: % of the total, percentage points, 0 where none
    double limit = 0;     // the bound that was crossed
    QString unit;         // of value and reference for Total
    QDateTime raisedAt;   // UTC

    bool operator==(const CycleAlarm&) const = default;
};

struct AlarmAck {
    QString alarmId;
    QString by;
    QDateTime at; // UTC

    bool operator==(const AlarmAck&) const = default;
};

} // namespace cycles
