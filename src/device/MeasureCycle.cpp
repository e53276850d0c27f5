#include "device/MeasureCycle.h"

#include "MainContext.h"
#include "ProgramState.h"
#include "evaluation/ValueDisplay.h"

namespace {
// Steps 91 to 97: the channels, the main value and the totals.
const char* const ChannelCommands[] = {"S1", "S2", "S3", "S4", "S5", "kN", "to"};
} // namespace

MeasureCycle::MeasureCycle(const MainContext& context, DeviceSession& session, ValueDisplay& display)
    : context_(context), session_(session), display_(display) {}

void MeasureCycle::RunMeasureStep() {
    ProgramState& state = context_.state;
    const std::int32_t step = state.measureStep;
    const bool sensorStep = step >= FirstSensorStep && step <= LastSensorStep && state.pollMode == 2;
    const bool channelStep = step >= FirstChannelStep && step < EvaluateStep;

    if (step == EvaluateStep) {
        display_.EvaluateReadings();
        state.sessionState = StateReadSettings;
        state.identifyStep = StepReadUnit;
        state.stateTick = 0;
        state.measureStep = FirstChannelStep;
        return;
    }
    if (!sensorStep && !channelStep)
        return;

    DeviceSession::Step result;
    int entry;
    std::int32_t next;
    if (sensorStep) {
        const int sensor = step - FirstSensorStep + 1;
        if (state.stateTick == 1)
            state.commandBuffer = {0x7E, 0x7E, 0x00, static_cast<std::uint8_t>(sensor)};
        result = session_.transact(state.commandBuffer.data(), 4, ReplyBinary, 2);
        entry = Reading::FirstSensor + sensor - 1;
        next = step == LastSensorStep ? FirstChannelStep : step + 1;
    } else {
        result = session_.transact(ChannelCommands[step - FirstChannelStep], ReplyBinary, 2);
        entry = Reading::FirstChannel + step - FirstChannelStep;
        next = step + 1;
    }
    if (result != DeviceSession::Step::Replied)
        return;
    state.measureStep = next;
    state.stateTick = 0;
    display_.ConvertReading(entry, state.deviceReply.toInt());
}
