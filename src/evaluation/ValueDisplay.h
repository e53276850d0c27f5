#pragma once
// Puts the readings on the screen: every reply through the conversion into the reading table (the main
// value and the totals straight onto their displays), and once per measurement cycle the channel and sensor
// texts onto the display positions their channels are assigned to, read back by position, with the
// deviation judged against the tolerance.

#include <cstdint>

struct MainContext;
class ChannelPositions;

class ValueDisplay {
public:
    ValueDisplay(const MainContext& context, const ChannelPositions& positions);

    void ConvertReading(int entry, std::int32_t raw);
    void EvaluateReadings();

private:
    const MainContext& context_;
    const ChannelPositions& positions_;
};
