#include "device/MeasureCycle.h"

#include "ProgramState.h"

namespace {
// Steps 91 to 97: the channels, the main value and the totals.
const char* const ChannelCommands[] = {"S1", "S2", "S3", "S4", "S5", "kN", "to"};
} // namespace

MeasureCycle::MeasureCycle(DeviceSession& session) : QObject(nullptr), session_(session) {}

void MeasureCycle::RunMeasureStep() {
    const ProgramState& state = session_.state();
    const std::int32_t step = state.measureStep;
    const bool sensorStep =
        step >= FirstSensorStep && step <= LastSensorStep && state.pollMode == PollChannelsAndSensors;
    const bool channelStep = step >= FirstChannelStep && step < EvaluateStep;

    if (step == EvaluateStep) {
        emit cycleCompleted(); // evaluated by the time it returns
        session_.publishCycle();
        session_.endCycle();
        return;
    }
    if (!sensorStep && !channelStep)
        return;

    DeviceSession::Step result;
    int entry;
    std::int32_t next;
    if (sensorStep) {
        const int sensor = step - FirstSensorStep + 1;
        result = session_.transact({0x7E, 0x7E, 0x00, static_cast<std::uint8_t>(sensor)}, 4, ReplyBinary, 2);
        entry = Reading::FirstSensor + sensor - 1;
        next = step == LastSensorStep ? FirstChannelStep : step + 1;
    } else {
        result = session_.transact(ChannelCommands[step - FirstChannelStep], ReplyBinary, 2);
        entry = Reading::FirstChannel + step - FirstChannelStep;
        next = step + 1;
    }
    if (result != DeviceSession::Step::Replied)
        return;
    session_.nextMeasureStep(next);
    emit readingReceived(entry, state.deviceReply.toInt());
}
