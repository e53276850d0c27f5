#pragma once
// The states and steps of the device session. Only the session itself changes them; other subsystems ask it
// to through its named operations.

#include <cstdint>

enum SessionState : std::int32_t {
    StateIdle = 0,
    StateReadSettings = 1,
    StateConnect = 2,
    StateIdentify = 3,
    StateChangeUnit = 4,
    StateResetDevice = 5,
    StateSendBarDiameter = 6,
    StateSendEModulus = 7,
    StateMeasure = 8,
};

enum PortSearchStep : std::int32_t { StepReopenPort = 0, StepManualPort = 1, StepAutoPort = 2 };
enum IdentifyStep : std::int32_t { StepReadUnit = 11, StepReadEModulus = 12, StepReadBarDiameter = 13 };

// Steps of a measurement cycle: the eight sensor reads, then channels 1 to 4, the main value and the two
// totals, then the evaluation.
enum MeasureStep : std::int32_t {
    FirstSensorStep = 81,
    LastSensorStep = 88,
    FirstChannelStep = 91,
    EvaluateStep = 98,
};

enum PollMode : std::uint8_t { PollChannels = 1, PollChannelsAndSensors = 2 };

// Why a port that exists could not be opened, for the user to act on.
enum class PortRefusal {
    NotASerialPort, // its name leads to a file or a pipe
    InUse,          // another program holds it
    NotAllowed,     // the user's rights do not reach it
};
