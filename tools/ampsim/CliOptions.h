#pragma once
// Command line of vantoria-ampsim.

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
    std::string logFile;
    bool verbose = false;
    bool help = false;
};

// args without the program name. False with a message in error on a bad option.
bool parseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);
std::string cliUsage();

} // namespace ampsim
