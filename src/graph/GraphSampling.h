#pragma once
// The arithmetic of graph sampling: when a sample is due, where it lies on the time axis, and how the
// sampling interval and the axis limits are read from their fields.

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace graph_sampling {

enum class TimeUnit { None, Milliseconds, Seconds, Minutes };

// The entry of the time unit box: "ms", "s", "min"; anything else selects no unit.
TimeUnit unitOf(const QString& entry);
// " [ms]", " [s]", " [min]"; empty for no unit.
QString axisSuffix(TimeUnit unit);
// sample × interval in the unit, in unsigned 32-bit arithmetic (the product wraps, the division
// truncates); 0 for no unit.
std::uint32_t xOf(std::uint32_t sampleCount, std::uint32_t samplingMs, TimeUnit unit);

// When samples are due, by a monotonic clock against a fixed schedule: each due time is the previous one
// plus the interval, so late ticks of a busy machine do not stretch the time axis. Whole intervals that
// were missed are skipped, not made up for by a burst of samples of the same values. While sampling is off
// the schedule stands, so switching it on after a while samples at the next tick.
class SampleSchedule {
public:
    // On every tick of the graph timer; true when a sample is due now.
    bool due(std::int64_t nowMs, std::uint32_t intervalMs, bool sampling);
    // How long until the next sample is due; 0 when it is due now or no tick has been seen yet.
    std::int64_t msUntilDue(std::int64_t nowMs, std::uint32_t intervalMs) const;

private:
    std::optional<std::int64_t> lastDueMs_; // before the first sample: the first tick
};

// The interval fixed when sampling is switched on, and the text its field shows afterwards (empty when
// the field keeps what was typed). Not a whole number: 1000; above 9999 (a negative entry included, as
// an unsigned number): 9999; below the minimum: the minimum.
struct Interval {
    std::uint32_t ms;
    QString shown;
};
Interval samplingInterval(const QString& text, std::uint32_t minimum);

// The y value of a channel text, none for "E01" or an empty text.
std::optional<int> pointOf(const QString& channelText);

// An axis limit typed into its field; the fallback when it is no whole number.
int limitOf(const QString& text, int fallback);

// A row recovered from the journal: the time of its last two fields (time, then date) and the values of
// its four channel fields (2 to 5). The delimiter is taken from between time and date, as the row was
// built with it. None for a row that does not have that shape.
struct RecoveredRow {
    QDateTime time;
    std::array<std::optional<int>, 4> channels;
};
std::optional<RecoveredRow> recoveredRow(const QString& row);
// Where a recovered row lies on the time axis: its time since the first row in the unit (never before it);
// without a unit, its index, as samples count without one.
std::uint32_t xAfter(const QDateTime& first, const QDateTime& time, TimeUnit unit, std::uint32_t index);

} // namespace graph_sampling
