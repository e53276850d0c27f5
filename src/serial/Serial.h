#pragma once
// CSerial: a thin wrapper around one serial port. It knows nothing of the amplifier protocol: it opens a
// port by its device path, sets line parameters, handshake and read mode, and moves raw bytes.
//
// The class keeps the statuses of the Windows communications API it was first written against, so callers
// and log readers see the same numbers on every platform. The platform calls live in a backend
// (SerialBackend.h; SerialPosix.cpp or SerialWin32.cpp). On Windows every status is the platform's own.
//
// Every operation clears lastError() first and stores its outcome there; those that return a status return
// the same value. No operation throws.
//
// Status codes returned and stored in lastError():
//   0           success
//   1           overlapped record or finite time-out on a port not opened for overlapped use
//   6           operation on a closed port
//   1247        Open on a port that is already open
//   1460        an overlapped wait ran out of time; the transfer was abandoned: a read delivers nothing
//               (what it gathered stays queued for the next read), a write may have sent part of its bytes
//   0x80070057  a handshake or read mode outside the known values
//   87          a line setting the device does not take (unknown baud rate, 9 data bits, 1.5 stop bits
//               with 8 data bits, a setting the driver silently dropped), a null buffer, an empty event mask
//   other       the platform error (GetLastError on Windows), mapped from errno by the POSIX backend:
//                 ENOENT, ENXIO, ENODEV, and a serial node
//                 with no UART behind it              -> 2    (no such port)
//                 EACCES, EPERM, EBUSY,
//                 EWOULDBLOCK (port locked)           -> 5    (access denied / held by another program)
//                 EIO, hang-up (device gone)          -> 31   (device not functioning)
//                 ETIMEDOUT                           -> 1460
//                 EINVAL                              -> 87   (invalid parameter)
//                 ENOTTY (not a serial device)        -> 1    (invalid function)
//                 anything else                       -> 31
//
// On POSIX:
// - A port is held exclusively: flock(LOCK_EX|LOCK_NB) on the descriptor, which binds root as well, plus
//   TIOCEXCL for other programs that do not lock; TIOCEXCL is cleared again on Close.
// - Open makes the line raw (no echo, no canonical mode, no CR/LF translation), 9600 8N1, no flow control,
//   and discards input queued before the open, as a Windows serial driver starts with empty queues. Later
//   line changes (ConfigureLine, SetHandshake, SetEventCharacter) apply at once and keep queued input.
// - Reads and writes never block on a vanished device: a read that finds the device gone and nothing queued
//   returns 31 with a count of 0, a write returns 31. A descriptor from open() of a terminal never raises
//   SIGPIPE (only pipes and sockets do, and a FIFO opened read-write is its own reader).
// - Hardware handshake is CRTSCTS, software handshake IXON|IXOFF. Linux has no DTR/DSR flow control, so a
//   DTR or RTS handshake reads back exactly when CRTSCTS is set. Outside a handshake, DTR and RTS "enable"
//   raise the line and "disable" lowers it where the driver has modem lines.
// - Overlapped use is emulated without threads: the transfer runs inside the call for at most the time-out.
//   Bytes a read gathered before its time-out ran out stay queued in the object for the next read.
// - Events: EvRxChar while input is queued, EvRxFlag once the event character has arrived, EvErr when the
//   device reports an error or hang-up. EvBreak and the modem-line events are never reported.
//
// "\\.\COM<n>" names a COM port; on Linux it resolves (see ResolveDevicePath) to ports/COM<n> in the
// working directory when that exists (a dangling link included), else to /dev/ttyS0-15 (COM1-16),
// /dev/ttyUSB0-31 (COM17-48) or /dev/ttyACM0-31 (COM49-80); higher numbers exist only as links. Any other
// path opens as it stands, and on Windows every path does.

#include <cstdint>
#include <memory>
#include <string>

namespace serial_detail {
struct Backend;
struct LineState;
} // namespace serial_detail

// Overlapped transfer record, the caller's side of an asynchronous read, write or event wait. Both backends
// complete the transfer (or give it up at the time-out) before the call returns, so a successful call leaves
// pending false and signalled true; the program itself only uses the synchronous mode.
struct SerialOverlapped {
    std::uint32_t transferred = 0; // bytes moved once the operation has completed
    bool pending = false;          // true while the transfer is still running
    bool signalled = false;        // set when the operation has completed
};

class CSerial {
public:
    enum Handshake { HandshakeOff = 0, HandshakeHardware = 1, HandshakeSoftware = 2 };
    enum ReadMode { ReadNonBlocking = 0, ReadBlocking = 1 };
    enum Parity { ParityNone = 0, ParityOdd = 1, ParityEven = 2, ParityMark = 3, ParitySpace = 4 };
    enum StopBits { StopOne = 0, StopOneAndHalf = 1, StopTwo = 2 };
    enum PortProbe { PortAvailable = 0, PortNotAvailable = 1, PortInUse = 2, PortUnknownError = -1 };

    // Event bits of SetEventMask / WaitForEvent.
    static constexpr std::uint32_t EvRxChar = 0x0001;
    static constexpr std::uint32_t EvRxFlag = 0x0002;
    static constexpr std::uint32_t EvBreak = 0x0040;
    static constexpr std::uint32_t EvErr = 0x0080;

    static constexpr std::int32_t StatusInvalidFunction = 1;
    static constexpr std::int32_t StatusAccessDenied = 5; // in use, or not allowed: AccessAllowed tells which
    static constexpr std::int32_t StatusInvalidHandle = 6;
    static constexpr std::int32_t StatusAlreadyOpen = 1247;
    static constexpr std::int32_t StatusTimeout = 1460;
    static constexpr std::int32_t StatusInvalidArg = static_cast<std::int32_t>(0x80070057u);
    static constexpr std::uint32_t Infinite = 0xFFFFFFFFu;

    CSerial();
    virtual ~CSerial();
    CSerial(const CSerial&) = delete;
    CSerial& operator=(const CSerial&) = delete;

    // Opens the port and sets the event mask EvRxChar|EvBreak|EvErr and ReadNonBlocking; returns the last
    // of those outcomes. Queue sizes of 0 leave the driver's queues as they are.
    virtual std::int32_t Open(const std::wstring& device, std::uint32_t inQueueSize = 0,
                              std::uint32_t outQueueSize = 0, bool overlapped = false);
    virtual std::int32_t Close(); // always 0
    virtual std::int32_t ConfigureLine(std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t parity,
                                       std::uint8_t stopBits);
    virtual std::int32_t SetEventCharacter(std::uint8_t character, bool adjustMask = true);
    virtual std::int32_t SetEventMask(std::uint32_t mask);
    virtual std::int32_t WaitForEvent(SerialOverlapped* overlapped = nullptr,
                                      std::uint32_t timeout = Infinite);
    virtual std::int32_t SetHandshake(int mode);
    virtual std::int32_t SetReadMode(int mode);
    // The queries return -1 on a closed port or when the state cannot be read.
    virtual std::int32_t GetBaudRate();
    virtual std::int32_t GetDataBits();
    virtual std::int32_t GetParity();
    virtual std::int32_t GetStopBits();
    virtual std::int32_t GetHandshake();
    virtual std::uint32_t GetEventMask();
    virtual std::uint8_t GetEventCharacter();
    virtual std::int32_t Write(const void* data, std::uint32_t length, std::uint32_t* written = nullptr,
                               SerialOverlapped* overlapped = nullptr, std::uint32_t timeout = Infinite);
    virtual std::int32_t WriteText(const char* text, std::uint32_t* written = nullptr,
                                   SerialOverlapped* overlapped = nullptr, std::uint32_t timeout = Infinite);
    // Fills the first `length` bytes of an open port's buffer with 0xDC before reading, so bytes that were
    // not delivered read as 0xDC. Delivering fewer bytes than asked is not an error: the count tells.
    virtual std::int32_t Read(void* buffer, std::uint32_t length, std::uint32_t* readCount = nullptr,
                              SerialOverlapped* overlapped = nullptr, std::uint32_t timeout = Infinite);

    bool IsOpen() const;
    std::int32_t lastError() const { return lastError_; }
    std::uint32_t lastEvent() const { return lastEvent_; }

    // Opens the port without sharing and closes it again at once. Needs no object.
    static PortProbe ProbePort(const std::wstring& device);
    // Whether the user's rights allow opening the port at all; a port refused with StatusAccessDenied that
    // they allow is in use by another program.
    static bool AccessAllowed(const std::wstring& device);

private:
    std::int32_t Fail(std::int32_t status) { return lastError_ = status; }
    // Clears lastError and checks that the port is open (recording 6 if not).
    bool Begin();
    // Begin, then reads the line state (recording the error if that fails).
    bool ReadState(serial_detail::LineState& state);

    std::int32_t lastError_ = 0;
    std::unique_ptr<serial_detail::Backend> handle_; // null while closed
    std::uint32_t lastEvent_ = 0;
    std::uint32_t eventMask_ = 0;
    bool overlappedEvent_ = false; // opened for overlapped use
};

// The platform path that a device path opens, following the COM naming rule above.
std::string ResolveDevicePath(const std::wstring& device);
