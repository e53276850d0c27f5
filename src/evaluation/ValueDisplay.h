#pragma once
// Puts the readings on the screen: every reply through the conversion into the reading table (the main
// value and the totals straight onto their displays), and once per measurement cycle the channel and sensor
// texts onto the display positions their channels are assigned to, read back by position, with the
// deviation judged against the tolerance. It also shows the unit the amplifier reports.

#include "settings/LanguageParticipant.h"

#include "evaluation/ReadingConversion.h"

#include <cstdint>
#include <optional>

class ChannelPositions;
struct ParameterView;
struct ProgramState;
struct ValueView;
struct ViewOptions;

class ValueDisplay : public LanguageParticipant {
public:
    ValueDisplay(const ValueView& values, const ParameterView& parameters, const ViewOptions& options,
                 const ChannelPositions& positions, ProgramState& state, const Language& language);

    void ConvertReading(int entry, std::int32_t raw);
    void EvaluateReadings();
    // The amplifier is lost: every display and the reading table say "E01" until fresh readings come, so
    // nothing stale looks measured, is drawn or logged.
    void showNoValues();
    // The unit the amplifier reported: indicators and main value captions.
    void showUnit(std::int32_t unit);
    // The eight sensor displays and their captions.
    static void showSensorDisplays(const ValueView& values, bool shown);

    // The total captions and the main value caption for the device's unit.
    void applyLanguage(const Language& language) override;

private:
    bool usTons() const;
    ConversionInputs conversionInputs() const;
    // The tons total's caption names the ton its value is in: with the sensors polled, a total measured
    // in micro-strain or kN stays in metric tons whatever the choice of tons says.
    void showTotalTonsCaption(bool inUsTons);

    const ValueView& values_;
    const ParameterView& parameters_;
    const ViewOptions& options_;
    const ChannelPositions& positions_;
    ProgramState& state_;
    const Language& language_;
    std::optional<bool> tonsCaptionInUs_;
};
