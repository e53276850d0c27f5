#include "LineAgent.h"

#include "LineProtocol.h"
#include "PtyLine.h"

#include <cerrno>
#include <map>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace ampsim {

namespace {

using line::Bytes;
using line::Op;

std::string linkFor(const std::string& portsDir, int port) {
    return portsDir + "/com" + std::to_string(port);
}

// The answer must arrive whole however slowly Wine reads it: a dropped byte would shift every later one.
bool writeAll(int fd, const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

class Lines {
public:
    explicit Lines(std::string portsDir) : portsDir_(std::move(portsDir)) {}

    Bytes handle(const line::Request& r) {
        const std::uint8_t* p = r.payload.data();
        const auto need = [&](std::size_t n) { return r.payload.size() >= n; };
        PtyLine& l = lineFor(r.port);
        switch (r.op) {
        case Op::PlugIn: {
            if (!need(4))
                break;
            std::string error;
            if (!l.plugIn(static_cast<int>(line::get32(p)), error))
                return line::answer(false, Bytes(error.begin(), error.end()));
            const std::string name = l.deviceName();
            return line::answer(true, Bytes(name.begin(), name.end()));
        }
        case Op::PullOut:
            l.pullOut();
            return line::answer(true);
        case Op::Remove:
            l.remove();
            return line::answer(true);
        case Op::Read:
            if (!need(4))
                break;
            return line::answer(true, l.read(static_cast<int>(line::get32(p))));
        case Op::Write: {
            Bytes count;
            line::put32(count, static_cast<std::uint32_t>(l.write(r.payload)));
            return line::answer(true, count);
        }
        case Op::Queued: {
            Bytes count;
            line::put32(count, static_cast<std::uint32_t>(l.programQueued()));
            return line::answer(true, count);
        }
        case Op::WaitDelivered:
            if (!need(12))
                break;
            l.waitDelivered(static_cast<int>(line::get32(p)), line::get32(p + 4),
                            static_cast<int>(line::get32(p + 8)));
            return line::answer(true);
        case Op::RunsAt:
            if (!need(4))
                break;
            return line::answer(true,
                                {static_cast<std::uint8_t>(l.runsAt(static_cast<int>(line::get32(p))))});
        }
        const std::string what = "bad request";
        return line::answer(false, Bytes(what.begin(), what.end()));
    }

private:
    PtyLine& lineFor(int port) {
        std::unique_ptr<PtyLine>& l = lines_[port];
        if (!l)
            l = std::make_unique<PtyLine>(linkFor(portsDir_, port));
        return *l;
    }

    std::string portsDir_;
    std::map<int, std::unique_ptr<PtyLine>> lines_;
};

} // namespace

bool serveLines(const std::string& portsDir, int controlPort, const volatile std::sig_atomic_t& stop,
                std::string& error) {
    PtyLine control(linkFor(portsDir, controlPort));
    if (!control.plugIn(115200, error))
        return false;
    Lines lines(portsDir);
    Bytes pending;
    while (!stop) {
        const Bytes in = control.read(200);
        pending.insert(pending.end(), in.begin(), in.end());
        while (auto request = line::takeRequest(pending))
            if (!writeAll(control.masterFd(), lines.handle(*request))) {
                error = "the request line broke";
                return false;
            }
    }
    return true;
}

} // namespace ampsim
