#pragma once
// The simulated amplifier on a pseudo-terminal, reachable as <portsDir>/COM<n> like a USB serial port (under
// Wine as COM<n> of the prefix, through a helper on the host: see RemoteLine.h).
//
// Nothing runs by itself: pump() reads what the program sent, answers it and returns, so a test decides
// exactly when the device acts. Replies written by pump() are visible on the slave side when it returns.

#include "Amplifier.h"
#include "DeviceLine.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ampsim {

struct LogEntry {
    std::uint64_t ms = 0;
    bool toDevice = false; // true: sent by the program (RX of the device); false: sent by the device (TX)
    std::vector<std::uint8_t> bytes;
    std::string note;
};

// "   1520 RX P0", "   1540 TX QT34", "   1600 RX XY  # unknown command", "   1700 -- disconnected".
// Printable bytes as they are, everything else (space and '<' included) as <hex>.
std::string formatBytes(const std::vector<std::uint8_t>& bytes);
std::string formatLogEntry(const LogEntry& entry);
std::string formatLog(const std::vector<LogEntry>& entries); // one line per entry, each ending in '\n'

class PtyAmplifier {
public:
    explicit PtyAmplifier(std::string type = "QT34", int comNumber = 2, std::string portsDir = "ports",
                          std::uint64_t seed = 1);
    ~PtyAmplifier();
    PtyAmplifier(const PtyAmplifier&) = delete;
    PtyAmplifier& operator=(const PtyAmplifier&) = delete;

    // Opens the pseudo-terminal and registers the port link. False (see lastError()) when it cannot.
    bool start();
    // Closes everything and removes the link (if it still points to this device).
    void stop();
    bool isRunning() const { return running_; }
    bool isConnected() const { return line_->isPlugged(); }
    const std::string& lastError() const { return lastError_; }

    std::string linkPath() const;                               // <portsDir>/COM<n>
    // /dev/pts/N (the last one after disconnect)
    std::string slavePath() const { return line_->deviceName(); }

    // One step of the device at time nowMs: flush what has become due, wait up to waitMs for input if none
    // is queued, read all input, answer it and write the replies due at nowMs.
    void pump(std::uint64_t nowMs, int waitMs = 0);
    // Waits up to waitMs for the program to send something; the next pump() answers it.
    void waitForInput(int waitMs);
    // Bytes on the line now, past the protocol engine and the faults, as a misbehaving device would send
    // them; readable on the program's side when this returns.
    void sendRaw(const std::vector<std::uint8_t>& bytes);
    // Earliest time at which a held reply must go out (for a caller's poll timeout); none when idle.
    std::optional<std::uint64_t> nextDueMs() const;
    // How long pump() waits for written bytes to show up on the slave side (0: not at all).
    void setDeliveryWaitMs(int ms) { deliveryWaitMs_ = ms; }

    Amplifier& amplifier() { return amp_; }
    const Amplifier& amplifier() const { return amp_; }

    // Faults, all switchable at any time.
    void silenceAfter(int n);                                  // answer n more commands, then none; -1: off
    void splitReplies(bool on, std::uint64_t restDelayMs = 0); // rest on the next pump at/after +restDelay
    void injectGarbage(std::vector<std::uint8_t> bytes);       // sent before the next reply
    void garbageEvery(int n);         // one garbage byte before every nth reply from now on; 0 off
    void wrongType(std::string text); // "P0" answered with text (4 bytes); "" off
    void setLatencyMs(int ms);        // a reply is due at arrival + ms
    void disconnect();                // the cable is pulled; the link dangles
    bool reconnect();                 // plugged in again: new pty, link re-pointed

    static constexpr std::uint8_t kGarbageByte = 0xA5;

    const std::vector<LogEntry>& log() const { return log_; }
    void clearLog() { log_.clear(); }
    std::string logText() const { return formatLog(log_); }
    void setKeepLog(bool keep) { keepLog_ = keep; } // a long-running tool keeps only its sink
    void setLogSink(std::function<void(const LogEntry&)> sink) { sink_ = std::move(sink); }

private:
    struct PendingReply {
        std::uint64_t dueMs;
        std::vector<std::uint8_t> bytes;
    };

    bool plugIn();
    void readInput(std::uint64_t nowMs, int waitMs);
    void handleChunk(const std::vector<std::uint8_t>& chunk, std::uint64_t nowMs);
    void writeDue(std::uint64_t nowMs);
    std::size_t writeOut(const std::vector<std::uint8_t>& bytes, std::uint64_t nowMs, std::string note);
    void record(LogEntry entry);

    Amplifier amp_;
    int comNumber_;
    std::string portsDir_;
    std::unique_ptr<DeviceLine> line_;
    std::string lastError_;
    bool running_ = false;
    std::vector<std::uint8_t> unread_;
    int deliveryWaitMs_ = 200;
    std::uint64_t lastPumpMs_ = 0;

    std::deque<PendingReply> queue_;
    std::vector<std::uint8_t> splitRest_;
    std::uint64_t splitRestDueMs_ = 0;
    int answersLeft_ = -1;
    bool split_ = false;
    std::uint64_t splitDelayMs_ = 0;
    std::vector<std::uint8_t> garbage_;
    int garbageEvery_ = 0;
    std::uint64_t repliesSent_ = 0;
    std::string wrongType_;
    int latencyMs_ = 0;

    std::vector<LogEntry> log_;
    bool keepLog_ = true;
    std::function<void(const LogEntry&)> sink_;
};

} // namespace ampsim
