#pragma once
// The deviation between the four channels: the spread between the smallest and the largest valid channel
// magnitude, in percent of the smallest. "E01" counts as 10100 and is left out of the maximum.

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>

namespace deviation {

constexpr std::int32_t ErrorValue = 10100;

// In single precision, each step stored as a 32-bit float, as the display has always computed it: 100 and
// 129 give 28.999996, which shows as 28.
float percent(const std::array<std::int32_t, 4>& positions);

struct Shown {
    QString text;
    QColor background;
};
// The deviation display for a deviation and the tolerance in percent: "> 99" on red above 99, else the
// whole percent, on lime within the tolerance and on red outside it.
Shown judge(float percent, std::int32_t tolerance);

} // namespace deviation
