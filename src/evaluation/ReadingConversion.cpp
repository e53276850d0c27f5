#include "evaluation/ReadingConversion.h"

#include "ProgramState.h"

#include <algorithm>
#include <cmath>

namespace reading {

std::int32_t rangeLimit(int entry) { return entry < Reading::MainValue ? 9999 : 30000; }

bool usTonRuleApplies(int entry, const ConversionInputs& inputs) {
    if (!inputs.usTons)
        return false;
    if (entry >= Reading::FirstChannel && entry <= Reading::MainValue)
        return inputs.deviceUnit == 3;
    if (entry == Reading::TotalTons)
        return inputs.pollMode == 1 || inputs.deviceUnit == 3;
    return false;
}

ConvertedReading convert(int entry, std::int32_t raw, const ConversionInputs& inputs) {
    const std::int32_t limit = rangeLimit(entry);
    if (raw < -limit || raw > limit)
        return {raw, ErrorText};
    // In whole numbers: a factor stored as a binary fraction would push whole results up by its error
    // (300 at 3.00 came out as 201).
    const std::int64_t numerator = std::int64_t(raw) * 200;
    const std::int64_t denominator = std::max<std::int32_t>(1, inputs.kFactorHundredths);
    std::int64_t scaled = numerator / denominator; // truncated toward zero: the ceiling for negative values
    if (numerator % denominator != 0 && numerator > 0)
        ++scaled;
    double v = static_cast<double>(scaled);
    if (usTonRuleApplies(entry, inputs))
        v = std::ceil(v * TonsToUsTons);
    const auto value = static_cast<std::int32_t>(v);
    if (value < -limit || value > limit)
        return {value, ErrorText};
    return {value, QString::number(value)};
}

} // namespace reading
