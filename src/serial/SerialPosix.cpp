// POSIX backend of CSerial: termios for the line, poll for every wait.
//
// The descriptor stays O_NONBLOCK with VMIN 0 / VTIME 0 for its whole life, so no system call can block;
// every wait is a poll with a bound (or none, where the caller asked to wait without limit). With VMIN 0 a
// read of 0 bytes means both "nothing yet" and "device gone": poll's POLLHUP/POLLERR tell them apart.

#include "serial/Serial.h"
#include "serial/SerialBackend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace serial_detail {
namespace {

std::int32_t ErrnoToStatus(int error) {
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return StatusFileNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
        return StatusAccessDenied;
    case ETIMEDOUT:
        return CSerial::StatusTimeout;
    case EINVAL:
        return StatusInvalidParameter;
    case ENOTTY:
        return CSerial::StatusInvalidFunction;
    default:
        return StatusDeviceGone;
    }
}

std::int32_t LastErrnoStatus() { return ErrnoToStatus(errno); }

struct BaudEntry {
    std::uint32_t rate;
    speed_t speed;
};

constexpr BaudEntry BaudTable[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool BaudToSpeed(std::uint32_t rate, speed_t& speed) {
    for (const BaudEntry& entry : BaudTable) {
        if (entry.rate == rate) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

std::uint32_t SpeedToBaud(speed_t speed) {
    for (const BaudEntry& entry : BaudTable) {
        if (entry.speed == speed)
            return entry.rate;
    }
    return 0;
}

// A point in time that a wait must not pass; Infinite milliseconds never passes.
class Deadline {
public:
    explicit Deadline(std::uint64_t ms)
        : infinite_(ms >= CSerial::Infinite), end_(Clock::now() + std::chrono::milliseconds(ms)) {}

    bool Expired() const { return !infinite_ && Clock::now() >= end_; }

    // The poll() argument that stops at the deadline, rounded up so the deadline has passed on return.
    int PollMs() const {
        if (infinite_)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - Clock::now()).count();
        return static_cast<int>(std::clamp<std::int64_t>(left, 0, INT_MAX));
    }

private:
    using Clock = std::chrono::steady_clock;
    bool infinite_;
    Clock::time_point end_;
};

int EarliestPoll(int a, int b) {
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

// An open, locked descriptor for `device`, or the status why there is none.
std::int32_t OpenDescriptor(const std::wstring& device, int& fd) {
    const std::string path = ResolveDevicePath(device);
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return LastErrnoStatus();
    std::int32_t status = 0;
    serial_struct info{};
    // Only a terminal is a serial port: a file, a pipe or /dev/null would take the commands, block or spin.
    if (!::isatty(fd))
        status = CSerial::StatusInvalidFunction;
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        status = LastErrnoStatus();
    // The 8250 driver keeps nodes for UARTs that are not there; such a port does not exist.
    else if (::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN)
        status = StatusFileNotFound;
    if (status != 0) {
        ::close(fd);
        fd = -1;
    }
    return status;
}

class PosixPort final : public Backend {
public:
    PosixPort(int fd, bool overlapped, bool exclusive)
        : fd_(fd), overlapped_(overlapped), exclusive_(exclusive) {}

    ~PosixPort() override {
        // TIOCEXCL belongs to the terminal, not to this descriptor: left set it would lock out the next
        // opener while anyone else still holds the terminal open.
        if (exclusive_)
            ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }

    // Linux sizes its terminal queues itself; there is nothing to ask for.
    std::int32_t SetupQueues(std::uint32_t, std::uint32_t) override { return CheckTerminal(); }

    std::int32_t SetEventMask(std::uint32_t mask) override {
        if (const std::int32_t status = CheckTerminal())
            return status;
        eventMask_ = mask;
        if (!(mask & CSerial::EvRxFlag))
            flagSeen_ = false;
        return 0;
    }

    std::int32_t GetTimeouts(Timeouts& timeouts) override {
        timeouts = timeouts_;
        return CheckTerminal();
    }

    std::int32_t SetTimeouts(const Timeouts& timeouts) override {
        if (const std::int32_t status = CheckTerminal())
            return status;
        timeouts_ = timeouts;
        return 0;
    }

    std::int32_t ApplyDefaultConfig() override {
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0)
            return LastErrnoStatus();
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CREAD | CLOCAL;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        if (::tcsetattr(fd_, TCSANOW, &tio) != 0)
            return LastErrnoStatus();
        // Whatever arrived before the port was ours is not the answer to anything we will send.
        ::tcflush(fd_, TCIFLUSH);
        eventChar_ = 0;
        dtrControl_ = DtrEnable; // the kernel raises DTR and RTS on open
        rtsControl_ = RtsEnable;
        return 0;
    }

    std::int32_t GetLineState(LineState& state) override {
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0)
            return LastErrnoStatus();
        state.baudRate = SpeedToBaud(::cfgetospeed(&tio));
        switch (tio.c_cflag & CSIZE) {
        case CS5:
            state.byteSize = 5;
            break;
        case CS6:
            state.byteSize = 6;
            break;
        case CS7:
            state.byteSize = 7;
            break;
        default:
            state.byteSize = 8;
            break;
        }
        if (!(tio.c_cflag & PARENB))
            state.parity = CSerial::ParityNone;
        else if (tio.c_cflag & CMSPAR)
            state.parity = (tio.c_cflag & PARODD) ? CSerial::ParityMark : CSerial::ParitySpace;
        else
            state.parity = (tio.c_cflag & PARODD) ? CSerial::ParityOdd : CSerial::ParityEven;
        state.parityCheck = (tio.c_iflag & INPCK) != 0;
        if (!(tio.c_cflag & CSTOPB))
            state.stopBits = CSerial::StopOne;
        else
            state.stopBits = state.byteSize == 5 ? CSerial::StopOneAndHalf : CSerial::StopTwo;
        const bool hardware = (tio.c_cflag & CRTSCTS) != 0;
        state.outxCtsFlow = state.outxDsrFlow = hardware;
        state.dtrControl = LineControl(hardware, dtrControl_, DtrHandshake, DtrEnable);
        state.rtsControl = LineControl(hardware, rtsControl_, RtsHandshake, RtsEnable);
        state.outX = (tio.c_iflag & IXON) != 0;
        state.inX = (tio.c_iflag & IXOFF) != 0;
        state.eventChar = eventChar_;
        return 0;
    }

    std::int32_t SetLineState(const LineState& state) override {
        speed_t speed = B0;
        static constexpr tcflag_t Sizes[] = {CS5, CS6, CS7, CS8};
        if (!BaudToSpeed(state.baudRate, speed) || state.byteSize < 5 || state.byteSize > 8 ||
            state.parity > CSerial::ParitySpace || state.stopBits > CSerial::StopTwo)
            return StatusInvalidParameter;
        // The UART sends 1.5 stop bits exactly when asked for two with 5 data bits.
        const bool fiveBits = state.byteSize == 5;
        if ((state.stopBits == CSerial::StopOneAndHalf && !fiveBits) ||
            (state.stopBits == CSerial::StopTwo && fiveBits))
            return StatusInvalidParameter;

        termios before{};
        if (::tcgetattr(fd_, &before) != 0)
            return LastErrnoStatus();
        termios tio = before;
        const bool hardware = state.outxCtsFlow || state.rtsControl == RtsHandshake;
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        tio.c_cflag |= Sizes[state.byteSize - 5];
        if (state.parity != CSerial::ParityNone)
            tio.c_cflag |= PARENB;
        if (state.parity == CSerial::ParityOdd || state.parity == CSerial::ParityMark)
            tio.c_cflag |= PARODD;
        if (state.parity == CSerial::ParityMark || state.parity == CSerial::ParitySpace)
            tio.c_cflag |= CMSPAR;
        if (state.stopBits != CSerial::StopOne)
            tio.c_cflag |= CSTOPB;
        if (hardware)
            tio.c_cflag |= CRTSCTS;
        tio.c_iflag &= ~(INPCK | IXON | IXOFF);
        if (state.parityCheck)
            tio.c_iflag |= INPCK;
        if (state.outX)
            tio.c_iflag |= IXON;
        if (state.inX)
            tio.c_iflag |= IXOFF;
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);

        // tcsetattr succeeds when any part was taken: read back, and undo a half-taken change.
        termios after{};
        if (::tcsetattr(fd_, TCSANOW, &tio) != 0 || ::tcgetattr(fd_, &after) != 0) {
            const std::int32_t status = LastErrnoStatus();
            ::tcsetattr(fd_, TCSANOW, &before);
            return status;
        }
        constexpr tcflag_t CflagBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
        constexpr tcflag_t IflagBits = INPCK | IXON | IXOFF;
        if ((after.c_cflag & CflagBits) != (tio.c_cflag & CflagBits) ||
            (after.c_iflag & IflagBits) != (tio.c_iflag & IflagBits) || ::cfgetospeed(&after) != speed) {
            ::tcsetattr(fd_, TCSANOW, &before);
            return StatusInvalidParameter;
        }

        eventChar_ = state.eventChar;
        dtrControl_ = state.dtrControl;
        rtsControl_ = state.rtsControl;
        if (!hardware) {
            // Best effort: a pseudo-terminal has no modem lines.
            SetModemLine(TIOCM_DTR, state.dtrControl == DtrEnable);
            SetModemLine(TIOCM_RTS, state.rtsControl == RtsEnable);
        }
        return 0;
    }

    std::int32_t Write(const std::uint8_t* data, std::uint32_t length, std::uint32_t& written,
                       SerialOverlapped* record, std::uint32_t timeout) override {
        StartRecord(record);
        const Deadline limit(overlapped_ ? timeout : CSerial::Infinite);
        const Deadline total(
            TotalBudget(timeouts_.writeTotalMultiplier, timeouts_.writeTotalConstant, length));
        std::uint32_t sent = 0;
        while (sent < length) {
            const ssize_t n = ::write(fd_, data + sent, length - sent);
            if (n > 0) {
                sent += static_cast<std::uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN)
                return LastErrnoStatus();
            if (limit.Expired())
                return CSerial::StatusTimeout;
            if (total.Expired())
                break; // a write time-out is not an error: the count tells
            pollfd pfd{fd_, POLLOUT, 0};
            const int ready = ::poll(&pfd, 1, EarliestPoll(limit.PollMs(), total.PollMs()));
            if (ready < 0 && errno != EINTR)
                return LastErrnoStatus();
            if (ready > 0 && !(pfd.revents & POLLOUT))
                return StatusDeviceGone;
        }
        written = sent;
        CompleteRecord(record, sent);
        return 0;
    }

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t length, std::uint32_t& readCount,
                      SerialOverlapped* record, std::uint32_t timeout) override {
        StartRecord(record);
        const Deadline limit(overlapped_ ? timeout : CSerial::Infinite);
        const bool atOnce = timeouts_.readInterval == CSerial::Infinite &&
                            timeouts_.readTotalMultiplier == 0 && timeouts_.readTotalConstant == 0;
        const Deadline total(TotalBudget(timeouts_.readTotalMultiplier, timeouts_.readTotalConstant, length));
        const bool useInterval = timeouts_.readInterval != 0 && timeouts_.readInterval != CSerial::Infinite;
        Deadline gap(CSerial::Infinite); // restarted by every arrival
        bool gone = false;
        for (;;) {
            const std::size_t before = rx_.size();
            if (const std::int32_t status = Gather(length, gone))
                return status;
            if (rx_.size() >= length || atOnce || gone)
                break;
            if (useInterval && rx_.size() > before)
                gap = Deadline(timeouts_.readInterval);
            // Abandoned: what was gathered stays queued here for the next read.
            if (limit.Expired())
                return CSerial::StatusTimeout;
            if (total.Expired() || gap.Expired())
                break;
            if (const std::int32_t status =
                    WaitReadable(EarliestPoll(limit.PollMs(), EarliestPoll(total.PollMs(), gap.PollMs()))))
                return status;
        }
        const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(length, rx_.size()));
        if (count == 0 && gone)
            return StatusDeviceGone;
        std::copy_n(rx_.begin(), count, buffer);
        rx_.erase(rx_.begin(), rx_.begin() + count);
        readCount = count;
        CompleteRecord(record, count);
        return 0;
    }

    std::int32_t WaitForEvent(std::uint32_t& events, SerialOverlapped* record,
                              std::uint32_t timeout) override {
        StartRecord(record);
        if (eventMask_ == 0)
            return StatusInvalidParameter; // nothing could ever end the wait
        const Deadline limit(overlapped_ ? timeout : CSerial::Infinite);
        const bool wantsInput = (eventMask_ & (CSerial::EvRxChar | CSerial::EvRxFlag)) != 0;
        for (;;) {
            bool gone = false;
            // The event character can only be seen by taking the bytes in; they stay queued here.
            if (eventMask_ & CSerial::EvRxFlag) {
                if (const std::int32_t status = Gather(SIZE_MAX, gone))
                    return status;
            } else {
                gone = HungUp();
            }
            std::uint32_t found = 0;
            if ((eventMask_ & CSerial::EvRxChar) && (!rx_.empty() || QueuedInDriver() > 0))
                found |= CSerial::EvRxChar;
            if ((eventMask_ & CSerial::EvRxFlag) && flagSeen_) {
                found |= CSerial::EvRxFlag;
                flagSeen_ = false;
            }
            if (gone && (eventMask_ & CSerial::EvErr))
                found |= CSerial::EvErr;
            if (found != 0) {
                events = found;
                CompleteRecord(record, 0);
                return 0;
            }
            if (gone)
                return StatusDeviceGone;
            if (limit.Expired())
                return CSerial::StatusTimeout;
            // Input that is not asked for must not end the wait, or it would spin on it.
            pollfd pfd{fd_, static_cast<short>(wantsInput ? POLLIN : 0), 0};
            if (::poll(&pfd, 1, limit.PollMs()) < 0 && errno != EINTR)
                return LastErrnoStatus();
        }
    }

private:
    static std::uint64_t TotalBudget(std::uint32_t multiplier, std::uint32_t constant, std::uint32_t length) {
        const std::uint64_t budget = std::uint64_t{multiplier} * length + constant;
        return budget == 0 ? CSerial::Infinite : std::min<std::uint64_t>(budget, CSerial::Infinite - 1);
    }

    // CRTSCTS is the only handshake there is; a handshake it no longer backs reads back as a raised line.
    static std::uint8_t LineControl(bool hardware, std::uint8_t stored, std::uint8_t handshake,
                                    std::uint8_t enable) {
        if (hardware)
            return handshake;
        return stored == handshake ? enable : stored;
    }

    std::int32_t CheckTerminal() {
        termios tio{};
        return ::tcgetattr(fd_, &tio) == 0 ? 0 : LastErrnoStatus();
    }

    bool HungUp() const {
        pollfd pfd{fd_, 0, 0};
        return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
    }

    int QueuedInDriver() const {
        int queued = 0;
        return ::ioctl(fd_, FIONREAD, &queued) == 0 ? queued : 0;
    }

    void SetModemLine(int line, bool raise) { ::ioctl(fd_, raise ? TIOCMBIS : TIOCMBIC, &line); }

    // Waits for input, a hang-up or the time-out.
    std::int32_t WaitReadable(int pollMs) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, pollMs) < 0 && errno != EINTR)
            return LastErrnoStatus();
        return 0;
    }

    // Moves what the driver holds into rx_ until it holds `want` bytes. `gone` tells that the driver had
    // nothing more because the device has vanished.
    std::int32_t Gather(std::size_t want, bool& gone) {
        std::uint8_t chunk[512];
        while (rx_.size() < want) {
            const ssize_t n = ::read(fd_, chunk, std::min(sizeof chunk, want - rx_.size()));
            if (n > 0) {
                const std::uint8_t* begin = chunk;
                const std::uint8_t* end = chunk + n;
                if ((eventMask_ & CSerial::EvRxFlag) && std::find(begin, end, eventChar_) != end)
                    flagSeen_ = true;
                rx_.insert(rx_.end(), begin, end);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || errno == EAGAIN) {
                gone = HungUp();
                return 0;
            }
            if (errno == EIO) {
                gone = true;
                return 0;
            }
            return LastErrnoStatus();
        }
        return 0;
    }

    int fd_;
    bool overlapped_;
    bool exclusive_;
    Timeouts timeouts_;
    std::uint32_t eventMask_ = 0;
    std::uint8_t eventChar_ = 0;
    std::uint8_t dtrControl_ = DtrEnable;
    std::uint8_t rtsControl_ = RtsEnable;
    bool flagSeen_ = false;
    std::vector<std::uint8_t> rx_; // taken from the driver, not yet delivered
};

std::string ToNarrow(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (const wchar_t wide : text) {
        auto cp = static_cast<std::uint32_t>(wide);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

} // namespace

std::int32_t OpenPort(const std::wstring& device, bool overlapped, std::unique_ptr<Backend>& port) {
    int fd = -1;
    if (const std::int32_t status = OpenDescriptor(device, fd))
        return status;
    // Other programs that do not lock still honour TIOCEXCL (root is exempt, flock is not).
    const bool exclusive = ::ioctl(fd, TIOCEXCL) == 0;
    port = std::make_unique<PosixPort>(fd, overlapped, exclusive);
    return 0;
}

std::int32_t TryOpenPort(const std::wstring& device) {
    int fd = -1;
    const std::int32_t status = OpenDescriptor(device, fd);
    if (status == 0)
        ::close(fd);
    return status;
}

bool MayOpen(const std::wstring& device) {
    const std::string path = ResolveDevicePath(device);
    return ::access(path.c_str(), R_OK | W_OK) == 0 || errno == ENOENT;
}

} // namespace serial_detail

std::string ResolveDevicePath(const std::wstring& device) {
    std::string path = serial_detail::ToNarrow(device);
    constexpr std::string_view Prefix = "\\\\.\\COM";
    if (!path.starts_with(Prefix))
        return path;
    const std::string digits = path.substr(Prefix.size());
    if (digits.empty() || digits.size() > 9 || digits.front() == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return path;

    std::string link = "ports/COM" + digits;
    struct stat info {};
    if (::lstat(link.c_str(), &info) == 0)
        return link; // even a dangling link: opening it then reports the port as missing
    const unsigned number = static_cast<unsigned>(std::stoul(digits));
    if (number <= 16)
        return "/dev/ttyS" + std::to_string(number - 1);
    if (number <= 48)
        return "/dev/ttyUSB" + std::to_string(number - 17);
    if (number <= 80)
        return "/dev/ttyACM" + std::to_string(number - 49);
    return link; // higher numbers exist only as links
}
