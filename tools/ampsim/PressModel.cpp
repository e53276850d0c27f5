#include "PressModel.h"

namespace ampsim {

namespace {

// splitmix64: a counter-based generator, so a value depends only on its inputs and not on call order.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

PressModel::PressModel(std::uint64_t seed, const PressParams& params) : seed_(seed), params_(params) {}

void PressModel::setLoadFactor(int bar, double factor) {
    if (bar >= 1 && bar <= kBars)
        params_.loadFactor[bar - 1] = factor;
}

double PressModel::loadFactor(int bar) const {
    return (bar >= 1 && bar <= kBars) ? params_.loadFactor[bar - 1] : 0.0;
}

double PressModel::loadFactorAt(int bar, std::uint64_t ms) const {
    const BarDrift* current = nullptr;
    for (const BarDrift& d : params_.drifts)
        if (d.bar == bar && d.fromMs <= ms && (!current || d.fromMs >= current->fromMs))
            current = &d;
    return loadFactor(bar) * (current ? current->factor : 1.0);
}

std::uint64_t PressModel::periodMs() const {
    return params_.rampMs + params_.holdMs + params_.releaseMs + params_.pauseMs;
}

double PressModel::envelope(std::uint64_t ms) const {
    const std::uint64_t period = periodMs();
    if (period == 0)
        return 0.0;
    std::uint64_t t = ms % period;
    if (t < params_.rampMs)
        return static_cast<double>(t) / static_cast<double>(params_.rampMs);
    t -= params_.rampMs;
    if (t < params_.holdMs)
        return 1.0;
    t -= params_.holdMs;
    if (t < params_.releaseMs)
        return 1.0 - static_cast<double>(t) / static_cast<double>(params_.releaseMs);
    return 0.0;
}

double PressModel::unitNoise(int sensor, std::uint64_t ms, std::uint64_t stream) const {
    const std::uint64_t h = mix(mix(mix(seed_ ^ stream) + static_cast<std::uint64_t>(sensor)) + ms);
    // 53 random bits to [0, 1), then to [-1, 1).
    return static_cast<double>(h >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

double PressModel::sensorStrain(int sensor, std::uint64_t ms) const {
    if (sensor < 1 || sensor > kSensors)
        return 0.0;
    const int bar = (sensor + 1) / 2;
    const double load =
        params_.peakMicroStrain * envelope(ms) * loadFactorAt(bar, ms) * params_.sensorFactor[sensor - 1];
    // The offset belongs to the gauge, not to the moment: the same for every ms.
    const double offset = params_.offsetMicroStrain * unitNoise(sensor, 0, 0x0FF5E7);
    const double noise = params_.noiseMicroStrain * unitNoise(sensor, ms, 0x9015E);
    return load + offset + noise;
}

} // namespace ampsim
