#pragma once
// Command line of vantoria-ampsim.

#include "PressModel.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ampsim {

struct CliOptions {
    std::string type = "QT34";
    int com = 2;
    std::string portsDir = "ports";
    std::uint64_t seed = 1;
    int latencyMs = 0;
    int silenceAfter = -1; // -1: always answer
    bool split = false;
    int splitGapMs = 50;   // longer than a program tick, so the two parts are read apart
    int garbageEvery = 0;  // 0: never
    std::string wrongType; // empty: the real type
    long long disconnectAfterMs = -1;
    long long reconnectAfterMs = -1;               // counted from the disconnect
    std::vector<std::pair<int, double>> overloads; // bar 1..4, load factor
    // The press cycle; the defaults are the model's own.
    std::uint64_t rampMs = PressParams{}.rampMs;
    std::uint64_t holdMs = PressParams{}.holdMs;
    std::uint64_t releaseMs = PressParams{}.releaseMs;
    std::uint64_t restMs = PressParams{}.pauseMs;
    std::vector<BarDrift> drifts;
    int serveLines = 0; // 0: be an amplifier; N: the line helper for simulators under Wine, asked on comN
    std::string logFile;
    bool verbose = false;
    bool help = false;
};

// args without the program name. False with a message in error on a bad option.
bool parseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);
std::string cliUsage();
// Sets the press cycle, load factors and drifts of the options on the model; the rest of it stays.
void applyPressOptions(const CliOptions& options, PressModel& model);

} // namespace ampsim
