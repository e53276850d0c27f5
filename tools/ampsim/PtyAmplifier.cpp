#include "PtyAmplifier.h"

#ifdef _WIN32
#include "RemoteLine.h"
#else
#include "PtyLine.h"
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace ampsim {

std::string formatBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        if (b > 0x20 && b < 0x7F && b != '<') {
            text += static_cast<char>(b);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02x>", b);
            text += hex;
        }
    }
    return text;
}

std::string formatLogEntry(const LogEntry& entry) {
    char time[32];
    std::snprintf(time, sizeof time, "%7llu", static_cast<unsigned long long>(entry.ms));
    std::string line = time;
    if (entry.bytes.empty())
        return line + " -- " + entry.note;
    line += entry.toDevice ? " RX " : " TX ";
    line += formatBytes(entry.bytes);
    if (!entry.note.empty())
        line += "  # " + entry.note;
    return line;
}

std::string formatLog(const std::vector<LogEntry>& entries) {
    std::string text;
    for (const LogEntry& e : entries)
        text += formatLogEntry(e) + '\n';
    return text;
}

PtyAmplifier::PtyAmplifier(std::string type, int comNumber, std::string portsDir, std::uint64_t seed)
    : amp_(std::move(type), seed), comNumber_(comNumber), portsDir_(std::move(portsDir)) {
#ifdef _WIN32
    line_ = std::make_unique<RemoteLine>(comNumber_);
#else
    line_ = std::make_unique<PtyLine>(linkPath());
#endif
}

PtyAmplifier::~PtyAmplifier() { stop(); }

std::string PtyAmplifier::linkPath() const {
    return (fs::path(portsDir_) / ("COM" + std::to_string(comNumber_))).string();
}

bool PtyAmplifier::plugIn() { return line_->plugIn(Amplifier::baudFor(amp_.type()), lastError_); }

bool PtyAmplifier::start() {
    if (running_)
        return true;
    if (!plugIn())
        return false;
    running_ = true;
    return true;
}

void PtyAmplifier::stop() {
    if (!running_)
        return;
    line_->remove();
    queue_.clear();
    splitRest_.clear();
    unread_.clear();
    running_ = false;
}

void PtyAmplifier::pump(std::uint64_t nowMs, int waitMs) {
    lastPumpMs_ = nowMs;
    if (!isConnected())
        return;
    writeDue(nowMs);
    readInput(nowMs, waitMs);
    writeDue(nowMs);
}

void PtyAmplifier::waitForInput(int waitMs) {
    if (!unread_.empty())
        return;
    std::vector<std::uint8_t> bytes = line_->read(waitMs);
    unread_.insert(unread_.end(), bytes.begin(), bytes.end());
}

void PtyAmplifier::sendRaw(const std::vector<std::uint8_t>& bytes) {
    const int queuedBefore = line_->programQueued();
    const std::size_t written = writeOut(bytes, lastPumpMs_, "raw");
    line_->waitDelivered(queuedBefore, written, deliveryWaitMs_);
}

std::optional<std::uint64_t> PtyAmplifier::nextDueMs() const {
    if (!splitRest_.empty())
        return splitRestDueMs_;
    if (!queue_.empty())
        return queue_.front().dueMs;
    return std::nullopt;
}

void PtyAmplifier::readInput(std::uint64_t nowMs, int waitMs) {
    std::vector<std::uint8_t> bytes = line_->read(unread_.empty() ? waitMs : 0);
    bytes.insert(bytes.begin(), unread_.begin(), unread_.end());
    unread_.clear();
    if (!bytes.empty())
        handleChunk(bytes, nowMs);
}

void PtyAmplifier::handleChunk(const std::vector<std::uint8_t>& chunk, std::uint64_t nowMs) {
    // A device at another line speed sees only framing errors: it neither parses nor answers them.
    if (!line_->runsAt(Amplifier::baudFor(amp_.type()))) {
        record({nowMs, true, chunk, "baud mismatch"});
        return;
    }
    for (Transaction& t : amp_.feed(chunk, nowMs)) {
        LogEntry entry{nowMs, true, t.command, t.note};
        if (!t.reply.empty()) {
            if (answersLeft_ == 0) {
                entry.note = "silent";
                record(std::move(entry));
                continue;
            }
            if (answersLeft_ > 0)
                --answersLeft_;
            if (!wrongType_.empty() && t.command == std::vector<std::uint8_t>{'P', '0'}) {
                std::string text = wrongType_;
                text.resize(4, ' ');
                t.reply.assign(text.begin(), text.end());
                entry.note = "wrong type";
            }
            queue_.push_back(
                {nowMs + static_cast<std::uint64_t>(std::max(latencyMs_, 0)), std::move(t.reply)});
        }
        record(std::move(entry));
    }
}

void PtyAmplifier::writeDue(std::uint64_t nowMs) {
    const int queuedBefore = line_->programQueued();
    std::size_t written = 0;
    if (!splitRest_.empty()) {
        if (nowMs < splitRestDueMs_)
            return; // nothing may overtake the rest of a split reply
        written += writeOut(splitRest_, nowMs, "second part");
        splitRest_.clear();
    }
    while (!queue_.empty() && queue_.front().dueMs <= nowMs) {
        std::vector<std::uint8_t> reply = std::move(queue_.front().bytes);
        queue_.pop_front();
        ++repliesSent_;
        if (!garbage_.empty()) {
            written += writeOut(garbage_, nowMs, "garbage");
            garbage_.clear();
        }
        if (garbageEvery_ > 0 && repliesSent_ % static_cast<std::uint64_t>(garbageEvery_) == 0)
            written += writeOut({kGarbageByte}, nowMs, "garbage");
        if (split_ && reply.size() > 1) {
            const auto half = static_cast<std::ptrdiff_t>(reply.size() / 2);
            written += writeOut({reply.begin(), reply.begin() + half}, nowMs, "first part");
            splitRest_.assign(reply.begin() + half, reply.end());
            splitRestDueMs_ = nowMs + splitDelayMs_;
            break;
        }
        written += writeOut(reply, nowMs, "");
    }
    if (written > 0)
        line_->waitDelivered(queuedBefore, written, deliveryWaitMs_);
}

std::size_t PtyAmplifier::writeOut(const std::vector<std::uint8_t>& bytes, std::uint64_t nowMs,
                                   std::string note) {
    const std::size_t done = line_->write(bytes);
    if (done < bytes.size())
        note += (note.empty() ? "" : ", ") + std::to_string(bytes.size() - done) + " bytes lost";
    record({nowMs, false, {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(done)}, note});
    return done;
}

void PtyAmplifier::record(LogEntry entry) {
    if (sink_)
        sink_(entry);
    if (keepLog_)
        log_.push_back(std::move(entry));
}

void PtyAmplifier::silenceAfter(int n) { answersLeft_ = n < 0 ? -1 : n; }

void PtyAmplifier::splitReplies(bool on, std::uint64_t restDelayMs) {
    split_ = on;
    splitDelayMs_ = restDelayMs;
}

void PtyAmplifier::injectGarbage(std::vector<std::uint8_t> bytes) {
    garbage_.insert(garbage_.end(), bytes.begin(), bytes.end());
}

void PtyAmplifier::garbageEvery(int n) {
    garbageEvery_ = std::max(n, 0);
    repliesSent_ = 0;
}

void PtyAmplifier::wrongType(std::string text) { wrongType_ = std::move(text); }

void PtyAmplifier::setLatencyMs(int ms) { latencyMs_ = std::max(ms, 0); }

void PtyAmplifier::disconnect() {
    if (!isConnected())
        return;
    line_->pullOut();
    queue_.clear();
    unread_.clear();
    splitRest_.clear();
    amp_.clearInput();
    record({lastPumpMs_, false, {}, "disconnected"});
}

bool PtyAmplifier::reconnect() {
    if (!running_)
        return false;
    if (isConnected())
        return true;
    if (!plugIn())
        return false;
    record({lastPumpMs_, false, {}, "reconnected as " + slavePath()});
    return true;
}

} // namespace ampsim
