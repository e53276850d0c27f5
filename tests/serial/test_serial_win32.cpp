// CSerial's Windows backend on a real COM port with the simulated amplifier behind it (under Wine: a
// pseudo-terminal the prefix maps to the port). Plain C++, so that it runs where no Windows Qt is built.
// Usage: test_serial_win32 <port of the amplifier> <port with nothing behind it>
#include "PlainChecks.h"
#include "serial/Serial.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::wstring Path(const char* number) {
    return L"\\\\.\\COM" + std::wstring(number, number + std::strlen(number));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: %s <amplifier port> <empty port>\n", argv[0]);
        return 2;
    }
    const std::wstring amplifier = Path(argv[1]);
    COMPARE(CSerial::ProbePort(Path(argv[2])), CSerial::PortNotAvailable);
    COMPARE(CSerial::ProbePort(amplifier), CSerial::PortAvailable);

    {
        // What the session does: open, 9600 8N1, no handshake, then ask for the type and read it back.
        CSerial port;
        COMPARE(port.Open(amplifier), 0);
        COMPARE(port.Open(amplifier), CSerial::StatusAlreadyOpen);
        COMPARE(port.IsOpen(), true);

        // Wine keeps neither parity nor the event character of a pseudo-terminal, and its ports are not
        // exclusive, and a pseudo-terminal has always 8 data bits: those are left to the POSIX tests of the
        // same class.
        COMPARE(port.ConfigureLine(19200, 8, CSerial::ParityNone, CSerial::StopTwo), 0);
        COMPARE(port.GetBaudRate(), 19200);
        COMPARE(port.GetStopBits(), CSerial::StopTwo);
        COMPARE(port.ConfigureLine(9600, 8, CSerial::ParityNone, CSerial::StopOne), 0);
        COMPARE(port.GetBaudRate(), 9600);
        COMPARE(port.GetDataBits(), 8);
        COMPARE(port.GetParity(), CSerial::ParityNone);
        COMPARE(port.SetHandshake(CSerial::HandshakeSoftware), 0);
        COMPARE(port.GetHandshake(), CSerial::HandshakeSoftware);
        COMPARE(port.SetHandshake(CSerial::HandshakeOff), 0);
        COMPARE(port.SetHandshake(3), CSerial::StatusInvalidArg);
        COMPARE(port.GetHandshake(), CSerial::HandshakeOff);

        unsigned char reply[4];
        std::uint32_t count = 99;
        COMPARE(port.Read(reply, 4, &count, nullptr, 1000), CSerial::StatusInvalidFunction);
        COMPARE(count, 0);
        COMPARE(port.WriteText("P0", &count, nullptr, 1000), CSerial::StatusInvalidFunction);
        COMPARE(port.WriteText("P0", &count), 0);
        COMPARE(count, 2);
        // Blocking reads wait for the whole reply, so no clock is needed to let the amplifier answer.
        COMPARE(port.SetReadMode(CSerial::ReadBlocking), 0);
        COMPARE(port.Read(reply, 4, &count), 0);
        COMPARE_TEXT(plain::text(reply, count), "QT34");
        COMPARE(port.Close(), 0);
        COMPARE(port.Close(), 0);
        COMPARE(port.Read(reply, 4, &count), CSerial::StatusInvalidHandle);
    }

    {
        // Overlapped use: a read asked for more than arrives runs out of time, delivers nothing and keeps
        // what it gathered for the next read, which in the non-blocking mode returns at once with it.
        CSerial port;
        COMPARE(port.Open(amplifier, 0, 0, true), 0);
        COMPARE(port.ConfigureLine(9600, 8, CSerial::ParityNone, CSerial::StopOne), 0);
        COMPARE(port.WriteText("P0", nullptr, nullptr, 1000), 0);
        SerialOverlapped record;
        // In a new Wine prefix the first wait is at times aborted (995) by Wine's own device setup.
        std::int32_t waited = port.WaitForEvent(&record, 2000);
        if (waited == 995)
            waited = port.WaitForEvent(&record, 2000);
        COMPARE(waited, 0);
        COMPARE(port.lastEvent() & CSerial::EvRxChar, CSerial::EvRxChar);
        COMPARE(port.SetReadMode(CSerial::ReadBlocking), 0);
        unsigned char reply[6];
        std::uint32_t count = 99;
        COMPARE(port.Read(reply, 6, &count, &record, 300), CSerial::StatusTimeout);
        COMPARE(count, 0);
        COMPARE(port.SetReadMode(CSerial::ReadNonBlocking), 0);
        COMPARE(port.Read(reply, 6, &count, &record, 1000), 0);
        COMPARE_TEXT(plain::text(reply, count), "QT34");
        COMPARE(record.transferred, 4);
        COMPARE(record.signalled, true);
        COMPARE(reply[4], 0xDC);
        COMPARE(reply[5], 0xDC);
        COMPARE(port.Read(reply, 4, &count, nullptr, 0), 0);
        COMPARE(count, 0);
    }

    return plain::finish("serial port on Windows");
}
