// vantoria-ampsim: the simulated amplifier as a stand-alone program, for demos and manual tests.

#include "CliOptions.h"
#include "LineAgent.h"
#include "PtyAmplifier.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

void installHandlers() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: the signal must cut the poll short
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Longest sleep when nothing is pending; bounds the reaction time to the fault timers as well.
constexpr long long kIdleWaitMs = 200;

} // namespace

int main(int argc, char** argv) {
    ampsim::CliOptions options;
    std::string error;
    if (!ampsim::parseCliOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "vantoria-ampsim: %s\n%s", error.c_str(), ampsim::cliUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(ampsim::cliUsage().c_str(), stdout);
        return 0;
    }

    std::FILE* logFile = nullptr;
    if (!options.logFile.empty()) {
        logFile = std::fopen(options.logFile.c_str(), "w");
        if (!logFile) {
            std::fprintf(stderr, "vantoria-ampsim: cannot write %s: %s\n", options.logFile.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

    installHandlers();
    if (options.serveLines > 0) {
        if (!ampsim::serveLines(options.portsDir, options.serveLines, g_stop, error)) {
            std::fprintf(stderr, "vantoria-ampsim: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    ampsim::PtyAmplifier sim(options.type, options.com, options.portsDir, options.seed);
    ampsim::applyPressOptions(options, sim.amplifier().model());
    sim.setLatencyMs(options.latencyMs);
    sim.silenceAfter(options.silenceAfter);
    sim.splitReplies(options.split, static_cast<std::uint64_t>(options.splitGapMs));
    sim.garbageEvery(options.garbageEvery);
    sim.wrongType(options.wrongType);
    // The program reads from another process: waiting for delivery would only stall when it is quick.
    sim.setDeliveryWaitMs(0);
    sim.setKeepLog(false);
    sim.setLogSink([&](const ampsim::LogEntry& entry) {
        const std::string line = ampsim::formatLogEntry(entry) + '\n';
        if (logFile) {
            std::fputs(line.c_str(), logFile);
            std::fflush(logFile);
        }
        if (options.verbose)
            std::fputs(line.c_str(), stderr);
    });

    if (!sim.start()) {
        std::fprintf(stderr, "vantoria-ampsim: %s\n", sim.lastError().c_str());
        return 1;
    }
    std::printf("vantoria-ampsim: %s on %s -> %s\n", options.type.c_str(), sim.linkPath().c_str(),
                sim.slavePath().c_str());
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    const auto elapsedMs = [&] {
        return static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count());
    };
    long long disconnectAt = options.disconnectAfterMs;
    long long reconnectAt = -1;

    while (!g_stop) {
        long long now = elapsedMs();
        if (disconnectAt >= 0 && now >= disconnectAt) {
            sim.disconnect();
            disconnectAt = -1;
            if (options.reconnectAfterMs >= 0)
                reconnectAt = now + options.reconnectAfterMs;
        }
        if (reconnectAt >= 0 && now >= reconnectAt) {
            reconnectAt = -1;
            if (sim.reconnect()) {
                std::printf("vantoria-ampsim: %s on %s -> %s\n", options.type.c_str(), sim.linkPath().c_str(),
                            sim.slavePath().c_str());
                std::fflush(stdout);
            } else {
                std::fprintf(stderr, "vantoria-ampsim: reconnect failed: %s\n", sim.lastError().c_str());
            }
        }

        long long wait = kIdleWaitMs;
        if (const auto due = sim.nextDueMs())
            wait = std::min(wait, static_cast<long long>(*due) - now);
        for (long long at : {disconnectAt, reconnectAt})
            if (at >= 0)
                wait = std::min(wait, at - now);
        wait = std::max(wait, 0LL);

        // Without a cable this is a plain bounded sleep.
        sim.waitForInput(static_cast<int>(wait));
        if (g_stop)
            break;
        sim.pump(static_cast<std::uint64_t>(elapsedMs()));
    }

    sim.stop();
    if (logFile)
        std::fclose(logFile);
    return 0;
}
