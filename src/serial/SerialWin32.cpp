// The Windows backend: the communications calls of kernel32, one for one. The driver keeps the line state
// and the time-outs, so this object holds the handles and nothing else but bytes a timed-out read gathered.

#include "serial/Serial.h"
#include "serial/SerialBackend.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace serial_detail {
namespace {

std::int32_t LastStatus() { return static_cast<std::int32_t>(::GetLastError()); }

HANDLE OpenHandle(const std::wstring& device, bool overlapped) {
    return ::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
}

class WinPort final : public Backend {
public:
    WinPort(HANDLE handle, HANDLE event, std::wstring device)
        : handle_(handle), event_(event), device_(std::move(device)) {}

    ~WinPort() override {
        if (event_)
            ::CloseHandle(event_);
        ::CloseHandle(handle_);
    }

    std::int32_t SetupQueues(std::uint32_t inQueueSize, std::uint32_t outQueueSize) override {
        return ::SetupComm(handle_, inQueueSize, outQueueSize) ? 0 : LastStatus();
    }

    std::int32_t SetEventMask(std::uint32_t mask) override {
        return ::SetCommMask(handle_, mask) ? 0 : LastStatus();
    }

    std::int32_t GetTimeouts(Timeouts& timeouts) override {
        COMMTIMEOUTS t{};
        if (!::GetCommTimeouts(handle_, &t))
            return LastStatus();
        timeouts.readInterval = t.ReadIntervalTimeout;
        timeouts.readTotalMultiplier = t.ReadTotalTimeoutMultiplier;
        timeouts.readTotalConstant = t.ReadTotalTimeoutConstant;
        timeouts.writeTotalMultiplier = t.WriteTotalTimeoutMultiplier;
        timeouts.writeTotalConstant = t.WriteTotalTimeoutConstant;
        timeouts_ = timeouts;
        return 0;
    }

    std::int32_t SetTimeouts(const Timeouts& timeouts) override {
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = timeouts.readInterval;
        t.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
        t.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
        t.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
        t.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
        if (!::SetCommTimeouts(handle_, &t))
            return LastStatus();
        timeouts_ = timeouts;
        return 0;
    }

    std::int32_t ApplyDefaultConfig() override {
        COMMCONFIG config{};
        config.dwSize = sizeof config;
        DWORD size = sizeof config;
        if (!::GetDefaultCommConfigW(device_.c_str(), &config, &size))
            return LastStatus();
        return ::SetCommConfig(handle_, &config, size) ? 0 : LastStatus();
    }

    std::int32_t GetLineState(LineState& state) override {
        DCB dcb{};
        if (const std::int32_t status = ReadDcb(dcb))
            return status;
        state.baudRate = dcb.BaudRate;
        state.byteSize = dcb.ByteSize;
        state.parity = dcb.Parity;
        state.parityCheck = dcb.fParity;
        state.stopBits = dcb.StopBits;
        state.outxCtsFlow = dcb.fOutxCtsFlow;
        state.outxDsrFlow = dcb.fOutxDsrFlow;
        state.dtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
        state.rtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
        state.outX = dcb.fOutX;
        state.inX = dcb.fInX;
        state.eventChar = static_cast<std::uint8_t>(dcb.EvtChar);
        return 0;
    }

    // Every field LineState does not name keeps what the driver holds.
    std::int32_t SetLineState(const LineState& state) override {
        DCB dcb{};
        if (const std::int32_t status = ReadDcb(dcb))
            return status;
        dcb.BaudRate = state.baudRate;
        dcb.ByteSize = state.byteSize;
        dcb.Parity = state.parity;
        dcb.fParity = state.parityCheck;
        dcb.StopBits = state.stopBits;
        dcb.fOutxCtsFlow = state.outxCtsFlow;
        dcb.fOutxDsrFlow = state.outxDsrFlow;
        dcb.fDtrControl = state.dtrControl;
        dcb.fRtsControl = state.rtsControl;
        dcb.fOutX = state.outX;
        dcb.fInX = state.inX;
        dcb.EvtChar = static_cast<char>(state.eventChar);
        return ::SetCommState(handle_, &dcb) ? 0 : LastStatus();
    }

    std::int32_t Write(const std::uint8_t* data, std::uint32_t length, std::uint32_t& written,
                       SerialOverlapped* record, std::uint32_t timeout) override {
        StartRecord(record);
        const std::int32_t status = Transfer(
            [&](DWORD* count, OVERLAPPED* ov) { return ::WriteFile(handle_, data, length, count, ov); },
            written, timeout);
        if (status == 0)
            CompleteRecord(record, written);
        return status;
    }

    // A read that timed out delivers nothing; what it had gathered is delivered first by the next read.
    std::int32_t Read(std::uint8_t* buffer, std::uint32_t length, std::uint32_t& readCount,
                      SerialOverlapped* record, std::uint32_t timeout) override {
        StartRecord(record);
        const auto kept = static_cast<std::uint32_t>(std::min<std::size_t>(length, carried_.size()));
        std::uint32_t wanted = length - kept;
        // A read that must not wait asks the driver only for what it holds: Wine's overlapped reads wait for
        // input even then. Clearing also lifts a line error (noise while the amplifier is plugged in), which
        // would otherwise fail every transfer of a port that aborts on errors.
        if (wanted != 0 && NonBlocking()) {
            DWORD errors = 0;
            COMSTAT queues{};
            if (!::ClearCommError(handle_, &errors, &queues))
                return LastStatus();
            wanted = std::min<std::uint32_t>(wanted, queues.cbInQue);
        }
        std::vector<std::uint8_t> fresh(wanted);
        std::uint32_t got = 0;
        std::int32_t status = 0;
        if (wanted != 0)
            status =
                Transfer([&](DWORD* count,
                             OVERLAPPED* ov) { return ::ReadFile(handle_, fresh.data(), wanted, count, ov); },
                         got, timeout);
        if (status == CSerial::StatusTimeout)
            carried_.insert(carried_.end(), fresh.begin(), fresh.begin() + got);
        if (status != 0)
            return status;
        std::copy_n(carried_.begin(), kept, buffer);
        std::copy_n(fresh.begin(), got, buffer + kept);
        carried_.erase(carried_.begin(), carried_.begin() + kept);
        readCount = kept + got;
        CompleteRecord(record, readCount);
        return 0;
    }

    std::int32_t WaitForEvent(std::uint32_t& events, SerialOverlapped* record,
                              std::uint32_t timeout) override {
        StartRecord(record);
        DWORD mask = 0;
        std::uint32_t unused = 0;
        const std::int32_t status = Transfer(
            [&](DWORD*, OVERLAPPED* ov) { return ::WaitCommEvent(handle_, &mask, ov); }, unused, timeout);
        if (status != 0)
            return status;
        events = mask;
        CompleteRecord(record, 0);
        return 0;
    }

private:
    std::int32_t ReadDcb(DCB& dcb) {
        dcb = DCB{};
        dcb.DCBlength = sizeof dcb;
        return ::GetCommState(handle_, &dcb) ? 0 : LastStatus();
    }

    bool NonBlocking() const {
        return timeouts_.readInterval == MAXDWORD && timeouts_.readTotalMultiplier == 0 &&
               timeouts_.readTotalConstant == 0;
    }

    // Runs one transfer. Without overlapped use it returns when the driver is done. With it, the transfer
    // runs on the port's event and is waited for here at most `timeout` ms; one that is still pending then
    // is cancelled, and waited for until the cancel took, since the driver writes into this frame's record.
    template <typename Call>
    std::int32_t Transfer(Call call, std::uint32_t& transferred, std::uint32_t timeout) {
        DWORD count = 0;
        if (!event_) {
            if (!call(&count, nullptr))
                return LastStatus();
            transferred = count;
            return 0;
        }
        OVERLAPPED ov{};
        ov.hEvent = event_;
        ::ResetEvent(event_);
        if (call(nullptr, &ov)) {
            ::SetEvent(event_);
        } else {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING)
                return static_cast<std::int32_t>(error);
            const DWORD wait = ::WaitForSingleObject(event_, timeout);
            if (wait != WAIT_OBJECT_0) {
                const std::int32_t status = wait == WAIT_TIMEOUT ? CSerial::StatusTimeout : LastStatus();
                ::CancelIo(handle_);
                ::GetOverlappedResult(handle_, &ov, &count, TRUE);
                transferred = count;
                return status;
            }
        }
        if (!::GetOverlappedResult(handle_, &ov, &count, FALSE))
            return LastStatus();
        transferred = count;
        return 0;
    }

    HANDLE handle_;
    HANDLE event_; // manual-reset event of overlapped use; null otherwise
    std::wstring device_;
    Timeouts timeouts_;                 // as last set or read
    std::vector<std::uint8_t> carried_; // gathered by a read that timed out, not yet delivered
};

} // namespace

std::int32_t OpenPort(const std::wstring& device, bool overlapped, std::unique_ptr<Backend>& port) {
    const HANDLE handle = OpenHandle(device, overlapped);
    if (handle == INVALID_HANDLE_VALUE)
        return LastStatus();
    HANDLE event = nullptr;
    if (overlapped) {
        event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!event) {
            const std::int32_t status = LastStatus();
            ::CloseHandle(handle);
            return status;
        }
    }
    port = std::make_unique<WinPort>(handle, event, device);
    return 0;
}

std::int32_t TryOpenPort(const std::wstring& device) {
    const HANDLE handle = OpenHandle(device, false);
    if (handle == INVALID_HANDLE_VALUE)
        return LastStatus();
    ::CloseHandle(handle);
    return 0;
}

// Windows grants every user the ports; a refused open means another program holds it.
bool MayOpen(const std::wstring&) { return true; }

} // namespace serial_detail

std::string ResolveDevicePath(const std::wstring& device) {
    if (device.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, device.data(), static_cast<int>(device.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string path(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, device.data(), static_cast<int>(device.size()), path.data(), size,
                          nullptr, nullptr);
    return path;
}
