#include "RemoteLine.h"

#include "LineProtocol.h"

#include <cstdlib>
#include <windows.h>

namespace ampsim {

namespace {

using line::Bytes;
using line::Op;

// One request line for the whole process, opened on first use and kept: the helper serves every line.
class Helper {
public:
    static Helper& instance() {
        static Helper helper;
        return helper;
    }

    // The answer's payload; none when the helper did not answer (its reason in error) or failed.
    bool ask(Op op, int port, const Bytes& payload, Bytes& answer) {
        answer.clear();
        if (!open())
            return fail(answer);
        const Bytes request = line::request(op, port, payload);
        DWORD n = 0;
        if (!WriteFile(handle_, request.data(), static_cast<DWORD>(request.size()), &n, nullptr) ||
            n != request.size())
            return fail(answer);
        Bytes head(5);
        if (!readExactly(head))
            return fail(answer);
        answer.resize(line::get32(head.data() + 1));
        if (!readExactly(answer))
            return fail(answer);
        return head[0] == 0;
    }

private:
    bool open() {
        if (handle_ != INVALID_HANDLE_VALUE)
            return true;
        const char* setting = std::getenv("VANTORIA_LINE_HELPER_PORT");
        const std::string name = "\\\\.\\COM" + std::string(setting && *setting ? setting : "20");
        handle_ =
            CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) {
            why_ = "no line helper on " + name.substr(4) + " (vantoria-ampsim --serve-lines)";
            return false;
        }
        // A read waits for the whole answer; the longest a request takes is a read's or a delivery's wait.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadTotalTimeoutConstant = 20000;
        timeouts.WriteTotalTimeoutConstant = 5000;
        SetCommTimeouts(handle_, &timeouts);
        return true;
    }

    bool readExactly(Bytes& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD n = 0;
            if (!ReadFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n,
                          nullptr) ||
                n == 0)
                return false;
            done += n;
        }
        return true;
    }

    bool fail(Bytes& answer) {
        // After a lost answer the next bytes would be read out of step: start over on a new line.
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        if (why_.empty())
            why_ = "the line helper did not answer";
        answer.assign(why_.begin(), why_.end());
        why_.clear();
        return false;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::string why_;
};

Bytes number(std::uint32_t v) {
    Bytes out;
    line::put32(out, v);
    return out;
}

std::uint32_t numberIn(const Bytes& answer) { return answer.size() >= 4 ? line::get32(answer.data()) : 0; }

} // namespace

bool RemoteLine::plugIn(int baud, std::string& error) {
    if (plugged_)
        return true;
    Bytes answer;
    if (!Helper::instance().ask(Op::PlugIn, port_, number(static_cast<std::uint32_t>(baud)), answer)) {
        error = std::string(answer.begin(), answer.end());
        return false;
    }
    deviceName_.assign(answer.begin(), answer.end());
    plugged_ = linked_ = true;
    return true;
}

void RemoteLine::pullOut() {
    Bytes answer;
    if (plugged_)
        Helper::instance().ask(Op::PullOut, port_, {}, answer);
    plugged_ = false;
}

void RemoteLine::remove() {
    Bytes answer;
    if (linked_)
        Helper::instance().ask(Op::Remove, port_, {}, answer);
    plugged_ = linked_ = false;
}

std::vector<std::uint8_t> RemoteLine::read(int waitMs) {
    Bytes answer;
    if (!plugged_) {
        if (waitMs > 0)
            Sleep(static_cast<DWORD>(waitMs));
        return answer;
    }
    if (!Helper::instance().ask(Op::Read, port_, number(static_cast<std::uint32_t>(waitMs)), answer))
        answer.clear();
    return answer;
}

std::size_t RemoteLine::write(const std::vector<std::uint8_t>& bytes) {
    Bytes answer;
    if (!plugged_ || !Helper::instance().ask(Op::Write, port_, bytes, answer))
        return 0;
    return numberIn(answer);
}

int RemoteLine::programQueued() {
    Bytes answer;
    if (!plugged_ || !Helper::instance().ask(Op::Queued, port_, {}, answer))
        return -1;
    return static_cast<int>(numberIn(answer));
}

void RemoteLine::waitDelivered(int queuedBefore, std::size_t written, int maxMs) {
    if (!plugged_ || maxMs <= 0 || queuedBefore < 0)
        return;
    Bytes payload = number(static_cast<std::uint32_t>(queuedBefore)), answer;
    line::put32(payload, static_cast<std::uint32_t>(written));
    line::put32(payload, static_cast<std::uint32_t>(maxMs));
    Helper::instance().ask(Op::WaitDelivered, port_, payload, answer);
}

bool RemoteLine::runsAt(int baud) {
    Bytes answer;
    if (!plugged_ ||
        !Helper::instance().ask(Op::RunsAt, port_, number(static_cast<std::uint32_t>(baud)), answer))
        return true;
    return !answer.empty() && answer[0] != 0;
}

} // namespace ampsim
