#pragma once
// The program's end of the simulated line, opened with plain POSIX calls.

#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>
#include <vector>

inline std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

class SlavePort {
public:
    // baud 0: leave the line as the device set it up.
    explicit SlavePort(const std::string& path, int baud = 9600) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0 && baud != 0)
            setSpeed(baud);
    }
    ~SlavePort() { close(); }
    SlavePort(const SlavePort&) = delete;
    SlavePort& operator=(const SlavePort&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    bool setSpeed(int baud) {
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0)
            return false;
        ::cfmakeraw(&tio);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        const speed_t speed = baud == 19200 ? B19200 : B9600;
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
    }

    bool send(std::string_view bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // What has arrived by now, without waiting.
    std::vector<std::uint8_t> readAvailable() {
        std::vector<std::uint8_t> out;
        std::uint8_t buffer[256];
        ssize_t n;
        while ((n = ::read(fd_, buffer, sizeof buffer)) > 0)
            out.insert(out.end(), buffer, buffer + n);
        return out;
    }

    // For a device in another process: wait (bounded, by poll) until count bytes have come.
    std::vector<std::uint8_t> readExactly(std::size_t count, int timeoutMs) {
        std::vector<std::uint8_t> out;
        while (out.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0 || (p.revents & POLLIN) == 0)
                break;
            const auto more = readAvailable();
            out.insert(out.end(), more.begin(), more.end());
        }
        return out;
    }

private:
    int fd_ = -1;
};
