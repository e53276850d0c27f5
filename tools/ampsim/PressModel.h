#pragma once
// The machine the simulated amplifier is wired to: four tie bars of a press, two strain gauges on each.
// Everything here is a pure function of the seed and the time, so two simulators with the same seed
// produce the same readings whatever order they are asked in.

#include <array>
#include <cstdint>
#include <vector>

namespace ampsim {

// From fromMs on, bar 1..4 carries factor times its share of the load: a tie bar that loosens or a die
// that sits off centre during a run, the change the program is there to notice.
struct BarDrift {
    int bar = 1;
    double factor = 1.0;
    std::uint64_t fromMs = 0;
};

struct PressParams {
    // One press cycle: ramp up, hold at the peak, release, pause at rest. Then it repeats.
    std::uint64_t rampMs = 2000;
    std::uint64_t holdMs = 3000;
    std::uint64_t releaseMs = 1000;
    std::uint64_t pauseMs = 2000;
    double peakMicroStrain = 400.0;
    // A press never loads its tie bars evenly; bar 2 carries a little more, bar 3 a little less.
    std::array<double, 4> loadFactor{1.00, 1.03, 0.97, 1.02};
    // The two gauges of a bar never read quite alike (placement, gauge factor tolerance).
    std::array<double, 8> sensorFactor{1.010, 0.990, 0.995, 1.005, 1.008, 0.992, 0.997, 1.003};
    // Half-width of the uniform noise added to every gauge, in micro-strain.
    double noiseMicroStrain = 1.5;
    // Largest static zero offset of a gauge (seeded per gauge), in micro-strain; zeroing removes it.
    double offsetMicroStrain = 6.0;
    // Of several drifts of one bar the one begun last counts, so a bar can drift in steps. The braces let
    // designated initialisers leave it out without a warning.
    std::vector<BarDrift> drifts{};
};

class PressModel {
public:
    static constexpr int kBars = 4;
    static constexpr int kSensors = 8;

    explicit PressModel(std::uint64_t seed = 1, const PressParams& params = {});

    std::uint64_t seed() const { return seed_; }
    void setSeed(std::uint64_t seed) { seed_ = seed; }
    const PressParams& params() const { return params_; }
    void setParams(const PressParams& params) { params_ = params; }

    // bar 1..4; out-of-range bars are ignored (setter) or read as 0 (getter).
    void setLoadFactor(int bar, double factor);
    double loadFactor(int bar) const;
    // The load factor of bar 1..4 at ms, drifts included.
    double loadFactorAt(int bar, std::uint64_t ms) const;

    std::uint64_t periodMs() const;
    // Load of the press in the cycle, 0 at rest and 1 at the peak.
    double envelope(std::uint64_t ms) const;
    // Strain of gauge 1..8 (1 and 2 on bar 1, ..., 7 and 8 on bar 4) in micro-strain, with offset and noise.
    double sensorStrain(int sensor, std::uint64_t ms) const;

private:
    double unitNoise(int sensor, std::uint64_t ms, std::uint64_t stream) const;

    std::uint64_t seed_;
    PressParams params_;
};

} // namespace ampsim
