#pragma once
// The program's own arithmetic on the amplifier's integers: the K-factor correction, tons to US tons, and
// the range check that turns a value into "E01".

#include <QString>

#include <cstdint>

struct ConvertedReading {
    std::int32_t value = 0;
    QString text;
};

struct ConversionInputs {
    std::int32_t kFactorHundredths = 200; // the K-factor as typed, in hundredths (2.00: 200)
    bool usTons = false;                  // btnUStons selected
    std::int32_t deviceUnit = 1;
    std::uint8_t pollMode = 1;
};

namespace reading {

// US tons as the display shows them: the metric tons times this, rounded up. The history converts recorded
// US tons back with the same factor, so a record reads as the tons the amplifier sent.
constexpr double TonsToUsTons = 1.1023;
// The amplifier's tons: the force of a metric ton under standard gravity.
constexpr double KiloNewtonPerTon = 9.80665;

// 9999 for sensors and channels (entries 0 to 11), 30000 for the main value and the totals.
std::int32_t rangeLimit(int entry);
// Whether the US-ton conversion applies to an entry: channels and main value in unit tons; the tons total
// always (channel values only polled) or in unit tons (sensor values polled too).
bool usTonRuleApplies(int entry, const ConversionInputs& inputs);

// A raw value outside the range keeps its number but reads "E01". Otherwise it is scaled by 2 / K-factor,
// exactly, rounded up toward plus infinity only when the result has a fraction, converted to US tons where
// that applies (rounded up), and checked again.
ConvertedReading convert(int entry, std::int32_t raw, const ConversionInputs& inputs);

} // namespace reading
