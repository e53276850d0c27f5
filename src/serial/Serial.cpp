#include "serial/Serial.h"

#include "serial/SerialBackend.h"

#include <cstring>

using serial_detail::Backend;
using serial_detail::LineState;
using serial_detail::Timeouts;

CSerial::CSerial() = default;

CSerial::~CSerial() {
    if (IsOpen())
        Close();
}

bool CSerial::IsOpen() const { return handle_ != nullptr; }

bool CSerial::Begin() {
    lastError_ = 0;
    if (handle_)
        return true;
    Fail(StatusInvalidHandle);
    return false;
}

bool CSerial::ReadState(LineState& state) {
    if (!Begin())
        return false;
    return Fail(handle_->GetLineState(state)) == 0;
}

std::int32_t CSerial::Open(const std::wstring& device, std::uint32_t inQueueSize, std::uint32_t outQueueSize,
                           bool overlapped) {
    lastError_ = 0;
    if (handle_)
        return Fail(StatusAlreadyOpen);

    std::unique_ptr<Backend> port;
    if (Fail(serial_detail::OpenPort(device, overlapped, port)) != 0)
        return lastError_;
    handle_ = std::move(port);
    overlappedEvent_ = overlapped;

    if (inQueueSize != 0 || outQueueSize != 0) {
        const std::int32_t status = handle_->SetupQueues(inQueueSize, outQueueSize);
        if (status != 0) {
            Close();
            return Fail(status);
        }
    }

    // Neither outcome stops the open; the second one is what the caller sees.
    SetEventMask(EvRxChar | EvBreak | EvErr);
    SetReadMode(ReadNonBlocking);

    // The port's own defaults are a convenience: a port that refuses them is still usable.
    handle_->ApplyDefaultConfig();
    return lastError_;
}

std::int32_t CSerial::Close() {
    lastError_ = 0;
    if (!handle_)
        return 0;
    overlappedEvent_ = false;
    handle_.reset();
    return 0;
}

std::int32_t CSerial::ConfigureLine(std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t parity,
                                    std::uint8_t stopBits) {
    LineState state;
    if (!ReadState(state))
        return lastError_;
    state.baudRate = baudRate;
    state.byteSize = dataBits;
    state.parity = parity;
    state.stopBits = stopBits;
    state.parityCheck = parity != ParityNone;
    return Fail(handle_->SetLineState(state));
}

std::int32_t CSerial::SetEventCharacter(std::uint8_t character, bool adjustMask) {
    LineState state;
    if (!ReadState(state))
        return lastError_;
    state.eventChar = character;
    if (adjustMask)
        SetEventMask(GetEventMask() | EvRxFlag);
    return Fail(handle_->SetLineState(state));
}

std::int32_t CSerial::SetEventMask(std::uint32_t mask) {
    if (!Begin())
        return lastError_;
    if (Fail(handle_->SetEventMask(mask)) == 0)
        eventMask_ = mask;
    return lastError_;
}

std::int32_t CSerial::WaitForEvent(SerialOverlapped* overlapped, std::uint32_t timeout) {
    if (!Begin())
        return lastError_;
    if (!overlappedEvent_ && (overlapped != nullptr || timeout != Infinite))
        return Fail(StatusInvalidFunction);
    std::uint32_t events = 0;
    if (Fail(handle_->WaitForEvent(events, overlapped, timeout)) == 0)
        lastEvent_ = events;
    return lastError_;
}

std::int32_t CSerial::SetHandshake(int mode) {
    LineState state;
    if (!ReadState(state))
        return lastError_;
    using namespace serial_detail;
    switch (mode) {
    case HandshakeOff:
        state.outxCtsFlow = state.outxDsrFlow = false;
        state.dtrControl = DtrDisable;
        state.outX = state.inX = false;
        state.rtsControl = RtsDisable;
        break;
    case HandshakeHardware:
        state.outxCtsFlow = state.outxDsrFlow = true;
        state.dtrControl = DtrHandshake;
        state.outX = state.inX = false;
        state.rtsControl = RtsHandshake;
        break;
    case HandshakeSoftware:
        state.outxCtsFlow = state.outxDsrFlow = false;
        state.dtrControl = DtrDisable;
        state.outX = state.inX = true;
        state.rtsControl = RtsDisable;
        break;
    default:
        return Fail(StatusInvalidArg);
    }
    return Fail(handle_->SetLineState(state));
}

std::int32_t CSerial::SetReadMode(int mode) {
    if (!Begin())
        return lastError_;
    Timeouts timeouts;
    if (Fail(handle_->GetTimeouts(timeouts)) != 0)
        return lastError_;
    switch (mode) {
    case ReadNonBlocking:
        timeouts.readInterval = Infinite;
        break;
    case ReadBlocking:
        timeouts.readInterval = 0;
        break;
    default:
        return Fail(StatusInvalidArg);
    }
    timeouts.readTotalMultiplier = 0;
    timeouts.readTotalConstant = 0;
    return Fail(handle_->SetTimeouts(timeouts));
}

std::int32_t CSerial::GetBaudRate() {
    LineState state;
    return ReadState(state) ? static_cast<std::int32_t>(state.baudRate) : -1;
}

std::int32_t CSerial::GetDataBits() {
    LineState state;
    return ReadState(state) ? state.byteSize : -1;
}

std::int32_t CSerial::GetParity() {
    LineState state;
    if (!ReadState(state))
        return -1;
    return state.parityCheck ? state.parity : std::int32_t{ParityNone};
}

std::int32_t CSerial::GetStopBits() {
    LineState state;
    return ReadState(state) ? state.stopBits : -1;
}

std::int32_t CSerial::GetHandshake() {
    LineState state;
    if (!ReadState(state))
        return -1;
    if (state.dtrControl == serial_detail::DtrHandshake && state.rtsControl == serial_detail::RtsHandshake)
        return HandshakeHardware;
    if (state.outX && state.inX)
        return HandshakeSoftware;
    return HandshakeOff;
}

std::uint32_t CSerial::GetEventMask() { return Begin() ? eventMask_ : 0; }

std::uint8_t CSerial::GetEventCharacter() {
    LineState state;
    return ReadState(state) ? state.eventChar : 0;
}

std::int32_t CSerial::Write(const void* data, std::uint32_t length, std::uint32_t* written,
                            SerialOverlapped* overlapped, std::uint32_t timeout) {
    std::uint32_t localCount = 0;
    std::uint32_t& count = written ? *written : localCount;
    count = 0;
    if (!Begin())
        return lastError_;
    if (!overlappedEvent_ && (overlapped != nullptr || timeout != Infinite))
        return Fail(StatusInvalidFunction);
    if (data == nullptr && length != 0)
        return Fail(serial_detail::StatusInvalidParameter);
    return Fail(handle_->Write(static_cast<const std::uint8_t*>(data), length, count, overlapped, timeout));
}

std::int32_t CSerial::WriteText(const char* text, std::uint32_t* written, SerialOverlapped* overlapped,
                                std::uint32_t timeout) {
    const auto length = static_cast<std::uint32_t>(text ? std::strlen(text) : 0);
    return Write(text, length, written, overlapped, timeout);
}

std::int32_t CSerial::Read(void* buffer, std::uint32_t length, std::uint32_t* readCount,
                           SerialOverlapped* overlapped, std::uint32_t timeout) {
    std::uint32_t localCount = 0;
    std::uint32_t& count = readCount ? *readCount : localCount;
    count = 0;
    if (!Begin())
        return lastError_;
    if (buffer == nullptr && length != 0)
        return Fail(serial_detail::StatusInvalidParameter);
    if (length != 0)
        std::memset(buffer, 0xDC, length);
    if (!overlappedEvent_ && (overlapped != nullptr || timeout != Infinite))
        return Fail(StatusInvalidFunction);
    return Fail(handle_->Read(static_cast<std::uint8_t*>(buffer), length, count, overlapped, timeout));
}

bool CSerial::AccessAllowed(const std::wstring& device) { return serial_detail::MayOpen(device); }

CSerial::PortProbe CSerial::ProbePort(const std::wstring& device) {
    switch (serial_detail::TryOpenPort(device)) {
    case 0:
        return PortAvailable;
    case serial_detail::StatusFileNotFound:
        return PortNotAvailable;
    case StatusAccessDenied:
        return PortInUse;
    default:
        return PortUnknownError;
    }
}
