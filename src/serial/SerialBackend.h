#pragma once
// The seam between CSerial and the platform. CSerial keeps the statuses, the checks and the order of effects;
// a backend only moves bytes and keeps the port state. SerialPosix.cpp emulates the Windows driver's state;
// SerialWin32.cpp maps LineState to a DCB and Timeouts to COMMTIMEOUTS one to one. CMake builds one of them.

#include "serial/Serial.h"

#include <cstdint>
#include <memory>
#include <string>

namespace serial_detail {

// The part of the Windows DCB that CSerial reads and writes.
struct LineState {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = CSerial::ParityNone;
    bool parityCheck = false; // DCB fParity
    std::uint8_t stopBits = CSerial::StopOne;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    std::uint8_t dtrControl = 0; // DtrControl values below
    std::uint8_t rtsControl = 0; // RtsControl values below
    bool outX = false;
    bool inX = false;
    std::uint8_t eventChar = 0;
};

enum DtrControl : std::uint8_t { DtrDisable = 0, DtrEnable = 1, DtrHandshake = 2 };
enum RtsControl : std::uint8_t { RtsDisable = 0, RtsEnable = 1, RtsHandshake = 2, RtsToggle = 3 };

// COMMTIMEOUTS, in milliseconds. A read interval of Infinite with both read totals 0 means "return at once
// with what is queued"; all read fields 0 means "wait for the full count".
struct Timeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;
};

// Status codes a backend returns besides those CSerial names.
constexpr std::int32_t StatusFileNotFound = 2;
constexpr std::int32_t StatusAccessDenied = 5;
constexpr std::int32_t StatusDeviceGone = 31;
constexpr std::int32_t StatusInvalidParameter = 87;

// One open port. Every call returns 0 or a status. The transfers get the caller's overlapped record (or null)
// and the time-out as CSerial received them, after CSerial has checked that they are allowed; a port opened
// without overlapped use always gets a null record and Infinite.
struct Backend {
    virtual ~Backend() = default;

    virtual std::int32_t SetupQueues(std::uint32_t inQueueSize, std::uint32_t outQueueSize) = 0;
    virtual std::int32_t SetEventMask(std::uint32_t mask) = 0;
    virtual std::int32_t GetTimeouts(Timeouts& timeouts) = 0;
    virtual std::int32_t SetTimeouts(const Timeouts& timeouts) = 0;
    // The port's default line settings; CSerial ignores the outcome.
    virtual std::int32_t ApplyDefaultConfig() = 0;
    virtual std::int32_t GetLineState(LineState& state) = 0;
    virtual std::int32_t SetLineState(const LineState& state) = 0;

    virtual std::int32_t Write(const std::uint8_t* data, std::uint32_t length, std::uint32_t& written,
                               SerialOverlapped* overlapped, std::uint32_t timeout) = 0;
    virtual std::int32_t Read(std::uint8_t* buffer, std::uint32_t length, std::uint32_t& readCount,
                              SerialOverlapped* overlapped, std::uint32_t timeout) = 0;
    // Waits for one of the bits of the event mask and stores the bits that occurred in `events`.
    virtual std::int32_t WaitForEvent(std::uint32_t& events, SerialOverlapped* overlapped,
                                      std::uint32_t timeout) = 0;
};

// The caller's record of an overlapped transfer: cleared when it starts, filled when it has completed.
inline void StartRecord(SerialOverlapped* record) {
    if (record)
        *record = SerialOverlapped{};
}

inline void CompleteRecord(SerialOverlapped* record, std::uint32_t transferred) {
    if (record) {
        record->transferred = transferred;
        record->pending = false;
        record->signalled = true;
    }
}

// Opens the port `device` for reading and writing without sharing; on failure `port` stays null.
std::int32_t OpenPort(const std::wstring& device, bool overlapped, std::unique_ptr<Backend>& port);

// Opens the port as OpenPort does and closes it again at once: 0 when it opened, else the status.
std::int32_t TryOpenPort(const std::wstring& device);

// False when the user's rights do not allow opening the port (on Linux: not in the group of the device).
bool MayOpen(const std::wstring& device);

} // namespace serial_detail
