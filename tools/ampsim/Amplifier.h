#pragma once
// The protocol engine of the simulated strain amplifier: no I/O, just bytes in and replies out.
//
// Commands are two ASCII letters, or two letters and a 16-bit value sent high byte first ("du", "em"
// and "~~", whose value is a zero byte and the sensor number). Replies have a fixed length: "P0" the four
// letters of the type, "EW", "RE", "du", "em" the acknowledgement "iO", "Ei" the unit as one byte, every
// number a signed 16-bit value sent low byte first.
//
// Type differences:
//   QT31, QT32  fixed E-modulus 210 and bar diameter 100: "du" and "em" are framed as 4-byte commands but
//               not answered (a simple device with fixed calibration has no use for them), so a program
//               that sends them anyway sees its request time out.
//   QT31..QT33  no single sensor values: "~~" is not answered.
//   QT35        runs at 19200 baud, the others at 9600.

#include "PressModel.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ampsim {

enum Unit : int { UnitMicroStrain = 1, UnitKiloNewton = 2, UnitTons = 3 };

inline constexpr int kDefaultEModulus = 210;    // kN/mm^2, steel
inline constexpr int kDefaultBarDiameter = 100; // mm
inline constexpr double kKiloNewtonPerTon = 9.80665;

// Force on a round bar: F = strain * E * pi * d^2 / 4, strain in 1e-6, E in kN/mm^2, d in mm, F in kN.
double strainToKiloNewton(double microStrain, double eModulus, double barDiameter);
// Round to the nearest integer and clamp to the range of a signed 16-bit reply.
std::int16_t toReplyValue(double value);

// One complete command (or a run of bytes thrown away while resynchronising) and what it produced.
struct Transaction {
    std::vector<std::uint8_t> command;
    std::vector<std::uint8_t> reply; // empty: the device stays silent
    std::string note;                // why there is no reply, or what was dropped
};

class Amplifier {
public:
    // A partial command older than this is dropped, so a lost byte cannot shift the framing for good.
    static constexpr std::uint64_t kDefaultPartialTimeoutMs = 500;

    // type is "QT31".."QT35"; anything else throws std::invalid_argument.
    explicit Amplifier(std::string type = "QT34", std::uint64_t seed = 1);

    static bool isKnownType(std::string_view type);
    // Line speed of a type: 19200 for QT35, 9600 for the others.
    static int baudFor(std::string_view type);

    // Feeds received bytes (any piece of any command) and returns every command completed by them.
    std::vector<Transaction> feed(std::span<const std::uint8_t> bytes, std::uint64_t nowMs);
    std::vector<Transaction> feed(std::string_view bytes, std::uint64_t nowMs);
    // The same, returning only the concatenated replies.
    std::vector<std::uint8_t> handle(std::span<const std::uint8_t> bytes, std::uint64_t nowMs);
    std::vector<std::uint8_t> handle(std::string_view bytes, std::uint64_t nowMs);

    const std::string& type() const { return type_; }
    // Throws std::invalid_argument for an unknown type. QT31 and QT32 return to their fixed parameters.
    void setType(std::string type);
    bool hasSingleSensors() const;
    bool hasFixedParameters() const;

    int unit() const { return unit_; }
    void setUnit(int unit); // 1..3, others ignored
    int eModulus() const { return eModulus_; }
    void setEModulus(int value) { eModulus_ = value; }
    int barDiameter() const { return barDiameter_; }
    void setBarDiameter(int value) { barDiameter_ = value; }

    // Zeroing: the readings at nowMs become 0; the offsets stay until cleared or zeroed again.
    void zero(std::uint64_t nowMs);
    void clearZero() { zeroOffset_.fill(0.0); }
    const std::array<double, PressModel::kSensors>& zeroOffsets() const { return zeroOffset_; }

    PressModel& model() { return model_; }
    const PressModel& model() const { return model_; }

    // The values the device sends, in its current unit (sensor 1..8, channel 1..4).
    std::int16_t sensorValue(int sensor, std::uint64_t nowMs) const;
    std::int16_t channelValue(int channel, std::uint64_t nowMs) const;
    std::int16_t mainValue(std::uint64_t nowMs) const;
    std::int16_t totalKiloNewton(std::uint64_t nowMs) const;
    std::int16_t totalTons(std::uint64_t nowMs) const;

    std::size_t pendingBytes() const { return input_.size(); }
    void clearInput() { input_.clear(); }
    void setPartialTimeoutMs(std::uint64_t ms) { partialTimeoutMs_ = ms; } // 0: never drop
    std::uint64_t partialTimeoutMs() const { return partialTimeoutMs_; }

private:
    enum class Parse { NeedMore, Done, Drop };
    Parse parseOne(std::uint64_t nowMs, Transaction& out);
    double zeroedStrain(int sensor, std::uint64_t nowMs) const;
    double channelStrain(int channel, std::uint64_t nowMs) const;
    double inUnit(double microStrain) const;

    std::string type_;
    PressModel model_;
    int unit_ = UnitMicroStrain;
    int eModulus_ = kDefaultEModulus;
    int barDiameter_ = kDefaultBarDiameter;
    std::array<double, PressModel::kSensors> zeroOffset_{};
    std::vector<std::uint8_t> input_;
    std::uint64_t partialSinceMs_ = 0;
    std::uint64_t partialTimeoutMs_ = kDefaultPartialTimeoutMs;
};

} // namespace ampsim
