#pragma once
// The variables that the event handlers share. One instance lives as long as the process; the main window
// gives every field its start value when it is built, so a default-constructed state already holds them.

#include "device/SessionState.h"

#include <QList>
#include <QString>

#include <array>
#include <cstdint>

// Index of each entry of the reading table.
namespace Reading {
constexpr int FirstSensor = 0;  // sensors 1.1, 1.2, 2.1, ... 4.2 are 0 to 7
constexpr int FirstChannel = 8; // channels 1 to 4 are 8 to 11
constexpr int MainValue = 12;
constexpr int TotalKN = 13;
constexpr int TotalTons = 14;
constexpr int Count = 15;
} // namespace Reading

// The text of every value display that has no valid value.
inline const QString ErrorText = QStringLiteral("E01");

// The reading table as the last complete measurement cycle left it, evaluated: what the graph and the data
// log take, so that a row never mixes the values of two cycles. The unit is the one those values are in.
struct CycleSnapshot {
    std::array<QString, Reading::Count> texts;
    std::int32_t unit = 1;
    std::uint16_t inUsTons = 0; // bit n: entry n was converted to US tons
    // A snapshot that claims nothing: every text "E01".
    static CycleSnapshot none(std::int32_t unit) {
        CycleSnapshot snapshot;
        snapshot.texts.fill(ErrorText);
        snapshot.unit = unit;
        return snapshot;
    }
};

struct ProgramState {
    std::array<std::int32_t, 3> programStateTextIndex{9, 0, 0}; // language text shown in status slots 1-3
    std::int32_t autoPortNumber = 1;                            // port tried last by the automatic search
    QString deviceReply = QStringLiteral("0");                  // last reply text, or "NONE"
    std::array<std::uint8_t, 4> commandBuffer{0, 0, 0, 0};      // commands that carry a value
    std::int32_t portSearchStep = StepAutoPort;
    std::int32_t sessionState = StateConnect;
    std::uint32_t stateTick = 0; // ticks spent in the current state or step
    std::int32_t identifyStep = StepReadUnit;
    std::int32_t measureStep = FirstChannelStep;
    std::uint8_t pollMode = PollChannels;
    std::uint32_t graphSampleCount = 1;
    std::int32_t deviceUnit = 1;          // 1 micro-strain, 2 kN, 3 tons
    float kFactorScale = 1.0f;            // 2 / K-factor, as it has always been kept
    std::int32_t kFactorHundredths = 200; // the K-factor itself, exactly: the arithmetic uses this
    QString reservedPortsText;
    QList<std::int32_t> reservedPorts;
    QList<std::int32_t> availablePorts;
    std::array<std::int32_t, Reading::Count> readingValue{};
    std::array<QString, Reading::Count> readingText = filledWithErrorText();
    std::uint16_t readingInUsTons = 0; // bit n: readingValue[n] is in US tons
    CycleSnapshot cycleSnapshot = CycleSnapshot::none(1);    // written by the device session only
    std::array<std::int32_t, 4> channelPosition{1, 2, 3, 4}; // corner code of channels 1 to 4
    std::int32_t clockTickToggle = 0;
    std::uint32_t graphX = 0;
    bool graphRunning = false;
    std::uint32_t graphSamplingMs = 0;
    std::uint32_t graphMinSamplingMs = 1000;
    std::uint32_t graphTickCount = 0;

private:
    static std::array<QString, Reading::Count> filledWithErrorText() {
        std::array<QString, Reading::Count> texts;
        texts.fill(ErrorText);
        return texts;
    }
};
