#include "evaluation/ReadingConversion.h"

#include "ProgramState.h"

#include <cmath>

namespace reading {

namespace {
constexpr double TonsToUsTons = 1.1023;
}

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
    // The product is formed in double precision from the 32-bit factor.
    double v = std::ceil(static_cast<double>(raw) * static_cast<double>(inputs.kFactorScale));
    if (usTonRuleApplies(entry, inputs))
        v = std::ceil(v * TonsToUsTons);
    const auto value = static_cast<std::int32_t>(v);
    if (value < -limit || value > limit)
        return {value, ErrorText};
    return {value, QString::number(value)};
}

} // namespace reading
