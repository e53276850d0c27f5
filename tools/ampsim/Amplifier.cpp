#include "Amplifier.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace ampsim {

namespace {

constexpr std::string_view kTypes[] = {"QT31", "QT32", "QT33", "QT34", "QT35"};
constexpr std::string_view kStartBytes = "EDPRde~Skt";
constexpr std::string_view kTwoByteCommands[] = {"Ei", "EM", "DU", "P0", "EW", "RE", "S1",
                                                 "S2", "S3", "S4", "S5", "kN", "to"};
constexpr int kMaxParameter = 999;

const std::vector<std::uint8_t> kAck{'i', 'O'};

std::vector<std::uint8_t> littleEndian(std::int16_t value) {
    const auto raw = static_cast<std::uint16_t>(value);
    return {static_cast<std::uint8_t>(raw & 0xFF), static_cast<std::uint8_t>(raw >> 8)};
}

std::span<const std::uint8_t> asBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

double strainToKiloNewton(double microStrain, double eModulus, double barDiameter) {
    const double area = std::numbers::pi * barDiameter * barDiameter / 4.0; // mm^2
    return microStrain * 1e-6 * eModulus * area;                            // kN/mm^2 * mm^2 = kN
}

std::int16_t toReplyValue(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::round(std::clamp(value, -32768.0, 32767.0));
    return static_cast<std::int16_t>(rounded);
}

Amplifier::Amplifier(std::string type, std::uint64_t seed) : model_(seed) { setType(std::move(type)); }

bool Amplifier::isKnownType(std::string_view type) {
    return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

int Amplifier::baudFor(std::string_view type) { return type == "QT35" ? 19200 : 9600; }

void Amplifier::setType(std::string type) {
    if (!isKnownType(type))
        throw std::invalid_argument("unknown amplifier type: " + type);
    type_ = std::move(type);
    if (hasFixedParameters()) {
        eModulus_ = kDefaultEModulus;
        barDiameter_ = kDefaultBarDiameter;
    }
}

bool Amplifier::hasSingleSensors() const { return type_ == "QT34" || type_ == "QT35"; }

bool Amplifier::hasFixedParameters() const { return type_ == "QT31" || type_ == "QT32"; }

void Amplifier::setUnit(int unit) {
    if (unit >= UnitMicroStrain && unit <= UnitTons)
        unit_ = unit;
}

void Amplifier::zero(std::uint64_t nowMs) {
    for (int s = 1; s <= PressModel::kSensors; ++s)
        zeroOffset_[s - 1] = model_.sensorStrain(s, nowMs);
}

double Amplifier::zeroedStrain(int sensor, std::uint64_t nowMs) const {
    return model_.sensorStrain(sensor, nowMs) - zeroOffset_[sensor - 1];
}

double Amplifier::channelStrain(int channel, std::uint64_t nowMs) const {
    return (zeroedStrain(2 * channel - 1, nowMs) + zeroedStrain(2 * channel, nowMs)) / 2.0;
}

double Amplifier::inUnit(double microStrain) const {
    switch (unit_) {
    case UnitKiloNewton:
        return strainToKiloNewton(microStrain, eModulus_, barDiameter_);
    case UnitTons:
        return strainToKiloNewton(microStrain, eModulus_, barDiameter_) / kKiloNewtonPerTon;
    default:
        return microStrain;
    }
}

std::int16_t Amplifier::sensorValue(int sensor, std::uint64_t nowMs) const {
    if (sensor < 1 || sensor > PressModel::kSensors)
        return 0;
    return toReplyValue(inUnit(zeroedStrain(sensor, nowMs)));
}

std::int16_t Amplifier::channelValue(int channel, std::uint64_t nowMs) const {
    if (channel < 1 || channel > PressModel::kBars)
        return 0;
    return toReplyValue(inUnit(channelStrain(channel, nowMs)));
}

std::int16_t Amplifier::mainValue(std::uint64_t nowMs) const {
    double sum = 0.0;
    for (int c = 1; c <= PressModel::kBars; ++c)
        sum += channelStrain(c, nowMs);
    return toReplyValue(inUnit(sum / PressModel::kBars));
}

std::int16_t Amplifier::totalKiloNewton(std::uint64_t nowMs) const {
    double sum = 0.0;
    for (int c = 1; c <= PressModel::kBars; ++c)
        sum += strainToKiloNewton(channelStrain(c, nowMs), eModulus_, barDiameter_);
    return toReplyValue(sum);
}

std::int16_t Amplifier::totalTons(std::uint64_t nowMs) const {
    double sum = 0.0;
    for (int c = 1; c <= PressModel::kBars; ++c)
        sum += strainToKiloNewton(channelStrain(c, nowMs), eModulus_, barDiameter_);
    return toReplyValue(sum / kKiloNewtonPerTon);
}

Amplifier::Parse Amplifier::parseOne(std::uint64_t nowMs, Transaction& out) {
    const auto take = [&](std::size_t n) {
        out.command.assign(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    };
    const auto drop = [&](const char* why) {
        take(1);
        out.note = why;
        return Parse::Drop;
    };

    if (input_.empty())
        return Parse::NeedMore;
    if (kStartBytes.find(static_cast<char>(input_[0])) == std::string_view::npos)
        return drop("unknown command");
    if (input_.size() < 2)
        return Parse::NeedMore;

    const std::string key{static_cast<char>(input_[0]), static_cast<char>(input_[1])};
    if (std::find(std::begin(kTwoByteCommands), std::end(kTwoByteCommands), key) !=
        std::end(kTwoByteCommands)) {
        take(2);
        if (key == "Ei") {
            out.reply = {static_cast<std::uint8_t>(unit_)};
        } else if (key == "EM") {
            out.reply = littleEndian(static_cast<std::int16_t>(eModulus_));
        } else if (key == "DU") {
            out.reply = littleEndian(static_cast<std::int16_t>(barDiameter_));
        } else if (key == "P0") {
            out.reply.assign(type_.begin(), type_.end());
        } else if (key == "EW") {
            unit_ = unit_ % UnitTons + 1;
            out.reply = kAck;
        } else if (key == "RE") {
            zero(nowMs);
            out.reply = kAck;
        } else if (key[0] == 'S' && key[1] == '5') {
            out.reply = littleEndian(mainValue(nowMs));
        } else if (key[0] == 'S') {
            out.reply = littleEndian(channelValue(key[1] - '0', nowMs));
        } else if (key == "kN") {
            out.reply = littleEndian(totalKiloNewton(nowMs));
        } else if (key == "to") {
            out.reply = littleEndian(totalTons(nowMs));
        }
        return Parse::Done;
    }

    const bool parameter = key == "du" || key == "em";
    if (!parameter && key != "~~")
        return drop("unknown command");
    if (input_.size() < 4)
        return Parse::NeedMore;

    // The value bytes are checked too: a run of bytes that only happens to start like a 4-byte command
    // is taken apart again one byte at a time instead of swallowing the command behind it.
    const int value = (input_[2] << 8) | input_[3];
    if (parameter) {
        if (value > kMaxParameter)
            return drop("unknown command (value out of range)");
        take(4);
        if (hasFixedParameters()) {
            out.note = "fixed parameters on " + type_;
        } else {
            (key == "du" ? barDiameter_ : eModulus_) = value;
            out.reply = kAck;
        }
        return Parse::Done;
    }
    if (input_[2] != 0 || input_[3] < 1 || input_[3] > PressModel::kSensors)
        return drop("unknown command (no such sensor)");
    take(4);
    if (hasSingleSensors())
        out.reply = littleEndian(sensorValue(value, nowMs));
    else
        out.note = "no single sensors on " + type_;
    return Parse::Done;
}

std::vector<Transaction> Amplifier::feed(std::span<const std::uint8_t> bytes, std::uint64_t nowMs) {
    std::vector<Transaction> done;
    if (!input_.empty() && partialTimeoutMs_ > 0 && nowMs >= partialSinceMs_ + partialTimeoutMs_) {
        done.push_back({input_, {}, "incomplete command timed out"});
        input_.clear();
    }
    const bool wasEmpty = input_.empty();
    input_.insert(input_.end(), bytes.begin(), bytes.end());

    bool consumed = false;
    bool lastWasDrop = false;
    for (;;) {
        Transaction t;
        const Parse result = parseOne(nowMs, t);
        if (result == Parse::NeedMore)
            break;
        consumed = true;
        if (result == Parse::Drop && lastWasDrop) {
            // One log line for a run of garbage, not one per byte.
            done.back().command.push_back(t.command.front());
            continue;
        }
        lastWasDrop = result == Parse::Drop;
        done.push_back(std::move(t));
    }
    if (!input_.empty() && (wasEmpty || consumed))
        partialSinceMs_ = nowMs;
    return done;
}

std::vector<Transaction> Amplifier::feed(std::string_view bytes, std::uint64_t nowMs) {
    return feed(asBytes(bytes), nowMs);
}

std::vector<std::uint8_t> Amplifier::handle(std::span<const std::uint8_t> bytes, std::uint64_t nowMs) {
    std::vector<std::uint8_t> replies;
    for (const Transaction& t : feed(bytes, nowMs))
        replies.insert(replies.end(), t.reply.begin(), t.reply.end());
    return replies;
}

std::vector<std::uint8_t> Amplifier::handle(std::string_view bytes, std::uint64_t nowMs) {
    return handle(asBytes(bytes), nowMs);
}

} // namespace ampsim
