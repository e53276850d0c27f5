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

bool parseFactor(std::string_view text, double& value) {
    // std::from_chars for double is not in every standard library this builds with; stod is.
    try {
        std::size_t used = 0;
        const double v = std::stod(std::string(text), &used);
        if (used != text.size() || !std::isfinite(v) || v < 0.0 || v > 100.0)
            return false;
        value = v;
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

std::string cliUsage() {
    return "Usage: vantoria-ampsim [options]\n"
           "A simulated four-channel strain amplifier on a pseudo-terminal, registered as "
           "<ports-dir>/COM<n>.\n"
           "\n"
           "  --type QT31..QT35          amplifier type (default QT34; QT35 runs at 19200 baud)\n"
           "  --com N                    port number, the link is <ports-dir>/COM<N> (default 2)\n"
           "  --ports-dir DIR            folder of the port links (default ports)\n"
           "  --seed N                   seed of the readings' noise (default 1)\n"
           "  --overload BAR:FACTOR      load factor of tie bar 1..4, e.g. 2:1.30 (repeatable)\n"
           "  --latency-ms N             answer every command N ms late\n"
           "  --silence-after N          answer N commands, then nothing\n"
           "  --split                    send every reply in two parts\n"
           "  --split-gap-ms N           time between the two parts (default 50)\n"
           "  --garbage-every N          a garbage byte before every Nth reply\n"
           "  --wrong-type TEXT          answer the type query with TEXT\n"
           "  --disconnect-after-ms N    pull the cable N ms after start\n"
           "  --reconnect-after-ms N     plug it in again N ms after the disconnect\n"
           "  --log FILE                 write every byte both ways to FILE\n"
           "  --verbose                  write every byte both ways to stderr\n"
           "  --help                     this text\n";
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
        const auto bad = [&] {
            error = "bad value for " + name + ": " + value;
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
    return true;
}

} // namespace ampsim
