#include "CliOptions.h"

#include "Amplifier.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace ampsim {

namespace {

template <typename T> bool parseNumber(std::string_view text, T& value, T min, T max) {
    T parsed{};
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

bool parseReal(std::string_view text, double& value, double min, double max) {
    // std::from_chars for double is not in every standard library this builds with; stod is.
    try {
        std::size_t used = 0;
        const double v = std::stod(std::string(text), &used);
        if (used != text.size() || !std::isfinite(v) || v < min || v > max)
            return false;
        value = v;
        return true;
    } catch (...) {
        return false;
    }
}

bool parseFactor(std::string_view text, double& value) { return parseReal(text, value, 0.0, 100.0); }

// A phase of the press cycle; a day is far beyond any press and keeps the sum of four far from overflow.
constexpr std::uint64_t kMaxPhaseMs = 86'400'000;
// Some 30 years: later than any run, and its milliseconds still exact in a double.
constexpr double kMaxDriftSeconds = 1e9;

// BAR:FACTOR@SECONDS; false with the reason in why.
bool parseDrift(std::string_view text, BarDrift& drift, std::string& why) {
    const auto colon = text.find(':');
    const auto at = text.find('@', colon == std::string_view::npos ? 0 : colon);
    if (colon == std::string_view::npos || at == std::string_view::npos) {
        why = "BAR:FACTOR@SECONDS, e.g. 2:1.15@30";
        return false;
    }
    double seconds = 0;
    if (!parseNumber(text.substr(0, colon), drift.bar, 1, 4))
        why = "the tie bar is 1..4";
    else if (!parseFactor(text.substr(colon + 1, at - colon - 1), drift.factor) || drift.factor <= 0.0)
        why = "the factor is above 0 and at most 100";
    else if (!parseReal(text.substr(at + 1), seconds, 0.0, kMaxDriftSeconds))
        why = "the seconds are 0 or more";
    else
        drift.fromMs = static_cast<std::uint64_t>(std::llround(seconds * 1000.0));
    return why.empty();
}

} // namespace

std::string cliUsage() {
    const auto phase = [](const char* option, const char* what, std::uint64_t defaultMs) {
        std::string line = std::string("  ") + option;
        line.resize(29, ' ');
        return line + what + " (default " + std::to_string(defaultMs) + ")\n";
    };
    const PressParams press;
    std::string usage =
        "Usage: vantoria-ampsim [options]\n"
        "A simulated four-channel strain amplifier on a pseudo-terminal, registered as "
        "<ports-dir>/COM<n>.\n"
        "\n"
        "  --type QT31..QT35          amplifier type (default QT34; QT35 runs at 19200 baud)\n"
        "  --com N                    port number, the link is <ports-dir>/COM<N> (default 2)\n"
        "  --ports-dir DIR            folder of the port links (default ports)\n"
        "  --seed N                   seed of the readings' noise (default 1)\n"
        "  --overload BAR:FACTOR      load factor of tie bar 1..4, e.g. 2:1.30 (repeatable)\n"
        "  --drift BAR:FACTOR@SECONDS from SECONDS after the start on, tie bar BAR carries FACTOR times\n"
        "                             its load, e.g. 2:1.15@30 (repeatable; of one bar the latest begun "
        "counts)\n";
    usage += phase("--ramp MS", "time the press takes to close", press.rampMs);
    usage += phase("--hold MS", "time it holds the full load", press.holdMs);
    usage += phase("--release MS", "time it takes to open", press.releaseMs);
    usage += phase("--rest MS", "time at no load before the next clamp", press.pauseMs);
    usage += "  --latency-ms N             answer every command N ms late\n"
             "  --silence-after N          answer N commands, then nothing\n"
             "  --split                    send every reply in two parts\n"
             "  --split-gap-ms N           time between the two parts (default 50)\n"
             "  --garbage-every N          a garbage byte before every Nth reply\n"
             "  --wrong-type TEXT          answer the type query with TEXT\n"
             "  --disconnect-after-ms N    pull the cable N ms after start\n"
             "  --reconnect-after-ms N     plug it in again N ms after the disconnect\n"
             "  --serve-lines N            no amplifier: the line helper of simulators under Wine, asked\n"
             "                             on <ports-dir>/com<N> (a prefix's dosdevices) for their lines\n"
             "  --log FILE                 write every byte both ways to FILE\n"
             "  --verbose                  write every byte both ways to stderr\n"
             "  --help                     this text\n";
    return usage;
}

bool parseCliOptions(const std::vector<std::string>& args, CliOptions& o, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        const auto flag = [&] {
            if (hasValue)
                error = name + " takes no value";
            return !hasValue;
        };
        const auto next = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        const auto bad = [&](const std::string& why = {}) {
            error = "bad value for " + name + ": " + value + (why.empty() ? "" : " (" + why + ")");
            return false;
        };

        if (name == "--help" || name == "-h") {
            if (!flag())
                return false;
            o.help = true;
        } else if (name == "--split") {
            if (!flag())
                return false;
            o.split = true;
        } else if (name == "--verbose") {
            if (!flag())
                return false;
            o.verbose = true;
        } else if (name == "--type") {
            if (!next())
                return false;
            if (!Amplifier::isKnownType(value))
                return bad();
            o.type = value;
        } else if (name == "--com") {
            if (!next())
                return false;
            if (!parseNumber(value, o.com, 1, 9999))
                return bad();
        } else if (name == "--serve-lines") {
            if (!next())
                return false;
            if (!parseNumber(value, o.serveLines, 1, 255))
                return bad();
        } else if (name == "--ports-dir") {
            if (!next())
                return false;
            if (value.empty())
                return bad();
            o.portsDir = value;
        } else if (name == "--seed") {
            if (!next())
                return false;
            if (!parseNumber<std::uint64_t>(value, o.seed, 0, UINT64_MAX))
                return bad();
        } else if (name == "--latency-ms") {
            if (!next())
                return false;
            if (!parseNumber(value, o.latencyMs, 0, 600000))
                return bad();
        } else if (name == "--silence-after") {
            if (!next())
                return false;
            if (!parseNumber(value, o.silenceAfter, 0, 1 << 30))
                return bad();
        } else if (name == "--split-gap-ms") {
            if (!next())
                return false;
            if (!parseNumber(value, o.splitGapMs, 0, 600000))
                return bad();
            o.split = true;
        } else if (name == "--garbage-every") {
            if (!next())
                return false;
            if (!parseNumber(value, o.garbageEvery, 1, 1 << 30))
                return bad();
        } else if (name == "--wrong-type") {
            if (!next())
                return false;
            if (value.empty())
                return bad();
            o.wrongType = value;
        } else if (name == "--disconnect-after-ms") {
            if (!next())
                return false;
            if (!parseNumber(value, o.disconnectAfterMs, 0LL, 1LL << 40))
                return bad();
        } else if (name == "--reconnect-after-ms") {
            if (!next())
                return false;
            if (!parseNumber(value, o.reconnectAfterMs, 0LL, 1LL << 40))
                return bad();
        } else if (name == "--overload") {
            if (!next())
                return false;
            const auto colon = value.find(':');
            int bar = 0;
            double factor = 0;
            if (colon == std::string::npos ||
                !parseNumber(std::string_view(value).substr(0, colon), bar, 1, 4) ||
                !parseFactor(std::string_view(value).substr(colon + 1), factor))
                return bad();
            o.overloads.emplace_back(bar, factor);
        } else if (name == "--drift") {
            if (!next())
                return false;
            BarDrift drift;
            std::string why;
            if (!parseDrift(value, drift, why))
                return bad(why);
            o.drifts.push_back(drift);
        } else if (name == "--ramp" || name == "--hold" || name == "--release" || name == "--rest") {
            if (!next())
                return false;
            std::uint64_t& phase = name == "--ramp"      ? o.rampMs
                                   : name == "--hold"    ? o.holdMs
                                   : name == "--release" ? o.releaseMs
                                                         : o.restMs;
            if (!parseNumber(value, phase, std::uint64_t{0}, kMaxPhaseMs))
                return bad("whole milliseconds, 0 to " + std::to_string(kMaxPhaseMs));
        } else if (name == "--log") {
            if (!next())
                return false;
            if (value.empty())
                return bad();
            o.logFile = value;
        } else {
            error = "unknown option: " + args[i];
            return false;
        }
    }
    if (o.reconnectAfterMs >= 0 && o.disconnectAfterMs < 0) {
        error = "--reconnect-after-ms needs --disconnect-after-ms";
        return false;
    }
    if (o.rampMs + o.holdMs + o.releaseMs + o.restMs == 0) {
        error = "--ramp, --hold, --release and --rest are 0 ms together: the press has no cycle";
        return false;
    }
    return true;
}

void applyPressOptions(const CliOptions& options, PressModel& model) {
    PressParams press = model.params();
    press.rampMs = options.rampMs;
    press.holdMs = options.holdMs;
    press.releaseMs = options.releaseMs;
    press.pauseMs = options.restMs;
    press.drifts = options.drifts;
    model.setParams(press);
    for (const auto& [bar, factor] : options.overloads)
        model.setLoadFactor(bar, factor);
}

} // namespace ampsim
