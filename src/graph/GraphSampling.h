#pragma once
// The arithmetic of graph sampling: when a sample is due, where it lies on the time axis, and how the
// sampling interval and the axis limits are read from their fields.

#include <QString>

#include <cstdint>
#include <optional>

namespace graph_sampling {

// The graph timer's ticks are reckoned as this many milliseconds each.
constexpr std::uint32_t TickMs = 5;

enum class TimeUnit { None, Milliseconds, Seconds, Minutes };

// The entry of the time unit box: "ms", "s", "min"; anything else selects no unit.
TimeUnit unitOf(const QString& entry);
// " [ms]", " [s]", " [min]"; empty for no unit.
QString axisSuffix(TimeUnit unit);
// sample × interval in the unit, in unsigned 32-bit arithmetic (the product wraps, the division
// truncates); 0 for no unit.
std::uint32_t xOf(std::uint32_t sampleCount, std::uint32_t samplingMs, TimeUnit unit);

// A sample is due once the ticks counted since the last one reach the interval.
inline bool sampleDue(std::uint32_t tickCount, std::uint32_t samplingMs) {
    return tickCount * TickMs >= samplingMs;
}

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

} // namespace graph_sampling
