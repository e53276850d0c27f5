#include "PtyAmplifier.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

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
    : amp_(std::move(type), seed), comNumber_(comNumber), portsDir_(std::move(portsDir)) {}

PtyAmplifier::~PtyAmplifier() { stop(); }

std::string PtyAmplifier::linkPath() const {
    return (fs::path(portsDir_) / ("COM" + std::to_string(comNumber_))).string();
}

bool PtyAmplifier::start() {
    if (running_)
        return true;
    if (!openPty())
        return false;
    if (!pointLink()) {
        closePty();
        return false;
    }
    running_ = true;
    return true;
}

void PtyAmplifier::stop() {
    if (!running_)
        return;
    closePty();
    queue_.clear();
    splitRest_.clear();
    // Only our own link goes: another simulator may have taken the name over in the meantime.
    std::error_code ec;
    if (linked_ && fs::read_symlink(linkPath(), ec) == fs::path(slavePath_))
        fs::remove(linkPath(), ec);
    linked_ = false;
    running_ = false;
}

bool PtyAmplifier::openPty() {
    const auto fail = [this](const char* what) {
        lastError_ = std::string(what) + ": " + std::strerror(errno);
        closePty();
        return false;
    };
    masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (masterFd_ < 0)
        return fail("posix_openpt");
    if (grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (ptsname_r(masterFd_, name, sizeof name) != 0)
        return fail("ptsname");
    if (fcntl(masterFd_, F_SETFL, fcntl(masterFd_, F_GETFL) | O_NONBLOCK) != 0)
        return fail("fcntl");
    slavePath_ = name;

    // Holding the slave open ourselves keeps the master from seeing a hang-up whenever the program closes
    // its port, and lets the line be raw at the right speed before anyone else opens it.
    slaveFd_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slaveFd_ < 0)
        return fail("open slave");
    termios tio{};
    if (tcgetattr(slaveFd_, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = Amplifier::baudFor(amp_.type()) == 19200 ? B19200 : B9600;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(slaveFd_, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    return true;
}

void PtyAmplifier::closePty() {
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
    if (masterFd_ >= 0)
        ::close(masterFd_);
    slaveFd_ = -1;
    masterFd_ = -1;
}

bool PtyAmplifier::pointLink() {
    std::error_code ec;
    fs::create_directories(portsDir_, ec);
    const std::string link = linkPath();
    const fs::file_status st = fs::symlink_status(link, ec);
    if (fs::exists(st) && !fs::is_symlink(st)) {
        lastError_ = link + " exists and is not a link; left alone";
        return false;
    }
    // Build the link beside it and rename it over the old one, so the name never points nowhere.
    const std::string temp = link + ".new" + std::to_string(::getpid());
    fs::remove(temp, ec);
    fs::create_symlink(slavePath_, temp, ec);
    if (!ec)
        fs::rename(temp, link, ec);
    if (ec) {
        lastError_ = "cannot create " + link + ": " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    linked_ = true;
    return true;
}

bool PtyAmplifier::lineSpeedMatches() const {
    termios tio{};
    if (tcgetattr(slaveFd_, &tio) != 0)
        return true;
    const speed_t wanted = Amplifier::baudFor(amp_.type()) == 19200 ? B19200 : B9600;
    return cfgetospeed(&tio) == wanted;
}

void PtyAmplifier::pump(std::uint64_t nowMs, int waitMs) {
    lastPumpMs_ = nowMs;
    if (!isConnected())
        return;
    writeDue(nowMs);
    if (waitMs > 0) {
        pollfd p{masterFd_, POLLIN, 0};
        if (::poll(&p, 1, 0) == 0)
            ::poll(&p, 1, waitMs);
    }
    readInput(nowMs);
    writeDue(nowMs);
}

std::optional<std::uint64_t> PtyAmplifier::nextDueMs() const {
    if (!splitRest_.empty())
        return splitRestDueMs_;
    if (!queue_.empty())
        return queue_.front().dueMs;
    return std::nullopt;
}

void PtyAmplifier::readInput(std::uint64_t nowMs) {
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        handleChunk(std::vector<std::uint8_t>(buffer, buffer + n), nowMs);
    }
}

void PtyAmplifier::handleChunk(const std::vector<std::uint8_t>& chunk, std::uint64_t nowMs) {
    // A device at another line speed sees only framing errors: it neither parses nor answers them.
    if (!lineSpeedMatches()) {
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
    const int queuedBefore = slaveQueued();
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
        waitDelivered(queuedBefore, written);
}

std::size_t PtyAmplifier::writeOut(const std::vector<std::uint8_t>& bytes, std::uint64_t nowMs,
                                   std::string note) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(masterFd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break; // the slave's input queue is full: nobody reads, the rest is lost as on a real line
        }
    }
    if (done < bytes.size())
        note += (note.empty() ? "" : ", ") + std::to_string(bytes.size() - done) + " bytes lost";
    record({nowMs, false, {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(done)}, note});
    return done;
}

int PtyAmplifier::slaveQueued() const {
    int n = 0;
    if (slaveFd_ < 0 || ::ioctl(slaveFd_, FIONREAD, &n) != 0)
        return -1;
    return n;
}

void PtyAmplifier::waitDelivered(int queuedBefore, std::size_t written) {
    // The kernel hands bytes from master to slave asynchronously; wait until they are readable there, so
    // that whoever reads the slave right after pump() returns sees them.
    if (deliveryWaitMs_ <= 0 || queuedBefore < 0)
        return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(deliveryWaitMs_);
    const int target = queuedBefore + static_cast<int>(written);
    for (;;) {
        const int queued = slaveQueued();
        if (queued < 0 || queued >= target || queued < queuedBefore)
            return; // delivered, or someone else is reading the slave and we cannot tell
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return;
        if (queued == 0) {
            pollfd p{slaveFd_, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 5)));
        } else {
            ::poll(nullptr, 0, 1); // part of it arrived already: poll cannot wait for the rest
        }
    }
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
    closePty();
    queue_.clear();
    splitRest_.clear();
    amp_.clearInput();
    record({lastPumpMs_, false, {}, "disconnected"});
}

bool PtyAmplifier::reconnect() {
    if (!running_)
        return false;
    if (isConnected())
        return true;
    if (!openPty())
        return false;
    if (!pointLink()) {
        closePty();
        return false;
    }
    record({lastPumpMs_, false, {}, "reconnected as " + slavePath_});
    return true;
}

} // namespace ampsim
