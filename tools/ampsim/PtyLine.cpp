#include "PtyLine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ampsim {

namespace {
speed_t speedOf(int baud) { return baud == 19200 ? B19200 : B9600; }
} // namespace

bool PtyLine::plugIn(int baud, std::string& error) {
    if (isPlugged())
        return true;
    if (!openPty(baud, error))
        return false;
    if (!pointLink(error)) {
        pullOut();
        return false;
    }
    return true;
}

bool PtyLine::openPty(int baud, std::string& error) {
    const auto fail = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        pullOut();
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
    cfsetispeed(&tio, speedOf(baud));
    cfsetospeed(&tio, speedOf(baud));
    if (tcsetattr(slaveFd_, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    return true;
}

bool PtyLine::pointLink(std::string& error) {
    std::error_code ec;
    fs::create_directories(fs::path(linkPath_).parent_path(), ec);
    const fs::file_status st = fs::symlink_status(linkPath_, ec);
    if (fs::exists(st) && !fs::is_symlink(st)) {
        error = linkPath_ + " exists and is not a link; left alone";
        return false;
    }
    // Build the link beside it and rename it over the old one, so the name never points nowhere.
    const std::string temp = linkPath_ + ".new" + std::to_string(::getpid());
    fs::remove(temp, ec);
    fs::create_symlink(slavePath_, temp, ec);
    if (!ec)
        fs::rename(temp, linkPath_, ec);
    if (ec) {
        error = "cannot create " + linkPath_ + ": " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    linked_ = true;
    return true;
}

void PtyLine::pullOut() {
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
    if (masterFd_ >= 0)
        ::close(masterFd_);
    slaveFd_ = -1;
    masterFd_ = -1;
}

void PtyLine::remove() {
    pullOut();
    // Only our own link goes: another simulator may have taken the name over in the meantime.
    std::error_code ec;
    if (linked_ && fs::read_symlink(linkPath_, ec) == fs::path(slavePath_))
        fs::remove(linkPath_, ec);
    linked_ = false;
}

std::vector<std::uint8_t> PtyLine::read(int waitMs) {
    std::vector<std::uint8_t> bytes;
    if (!isPlugged()) {
        // Without a cable there is nothing to wait for, but a caller's loop still must not spin.
        if (waitMs > 0)
            ::poll(nullptr, 0, waitMs);
        return bytes;
    }
    if (waitMs > 0) {
        pollfd p{masterFd_, POLLIN, 0};
        if (::poll(&p, 1, 0) == 0)
            ::poll(&p, 1, waitMs);
    }
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

std::size_t PtyLine::write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (isPlugged() && done < bytes.size()) {
        const ssize_t n = ::write(masterFd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // the slave's input queue is full: nobody reads, the rest is lost as on a real line
    }
    return done;
}

int PtyLine::programQueued() {
    int n = 0;
    if (slaveFd_ < 0 || ::ioctl(slaveFd_, FIONREAD, &n) != 0)
        return -1;
    return n;
}

void PtyLine::waitDelivered(int queuedBefore, std::size_t written, int maxMs) {
    // The kernel hands bytes from master to slave asynchronously; wait until they are readable there, so
    // that whoever reads the slave right after this sees them.
    if (maxMs <= 0 || queuedBefore < 0)
        return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(maxMs);
    const int target = queuedBefore + static_cast<int>(written);
    for (;;) {
        const int queued = programQueued();
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

bool PtyLine::runsAt(int baud) {
    termios tio{};
    if (slaveFd_ < 0 || tcgetattr(slaveFd_, &tio) != 0)
        return true;
    return cfgetospeed(&tio) == speedOf(baud);
}

} // namespace ampsim
