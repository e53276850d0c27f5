#pragma once
// The measuring state of the device session: one measurement cycle reads the eight sensor values (when
// they are polled), the four channels, the main value and the two totals, one command per step, then
// evaluates them and returns to the polling loop.

#include "device/DeviceSession.h"

#include <cstdint>

struct MainContext;
class ValueDisplay;

class MeasureCycle : public SessionStates {
public:
    static constexpr std::int32_t FirstSensorStep = 81;
    static constexpr std::int32_t LastSensorStep = 88;
    static constexpr std::int32_t FirstChannelStep = 91;
    static constexpr std::int32_t EvaluateStep = 98;

    MeasureCycle(const MainContext& context, DeviceSession& session, ValueDisplay& display);

    void runState(std::int32_t) override { RunMeasureStep(); }
    void RunMeasureStep();

private:
    const MainContext& context_;
    DeviceSession& session_;
    ValueDisplay& display_;
};
