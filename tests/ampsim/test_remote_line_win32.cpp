// The simulated amplifier inside a Windows program under Wine: its line is a pseudo-terminal that the line
// helper on the host holds for it (scripts/windows/with-line-helper.sh), and the program's side is CSerial
// on the COM port of the prefix. Plain C++, so that it runs where no Windows Qt is built.
// Usage: test_remote_line_win32 <free port> <another free port>
#include "PlainChecks.h"
#include "ampsim/PtyAmplifier.h"
#include "serial/Serial.h"

#include <cstdlib>
#include <string>

namespace {

std::wstring path(int number) { return L"\\\\.\\COM" + std::to_wstring(number); }

// Asks for the type as the session does and reads what came back within a second.
std::string askType(CSerial& port, ampsim::PtyAmplifier& sim, std::uint64_t nowMs) {
    std::uint32_t count = 0;
    COMPARE(port.WriteText("P0", &count), 0);
    sim.pump(nowMs, 1000);
    unsigned char reply[8];
    port.Read(reply, 4, &count);
    return plain::text(reply, count);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: %s <free port> <another free port>\n", argv[0]);
        return 2;
    }
    const int first = std::atoi(argv[1]), second = std::atoi(argv[2]);
    ampsim::PtyAmplifier sim("QT34", first), other("QT33", second);
    COMPARE(sim.start(), true);
    COMPARE(other.start(), true);
    COMPARE(sim.slavePath().rfind("/dev/pts/", 0), 0);
    COMPARE(sim.slavePath() != other.slavePath(), true);

    CSerial port;
    COMPARE(port.Open(path(first)), 0);
    COMPARE(port.ConfigureLine(9600, 8, CSerial::ParityNone, CSerial::StopOne), 0);
    COMPARE(port.SetReadMode(CSerial::ReadBlocking), 0);
    COMPARE_TEXT(askType(port, sim, 100), "QT34");
    {
        // Each port its own device, and raw bytes past the engine arrive as they are.
        CSerial second_port;
        COMPARE(second_port.Open(path(second)), 0);
        COMPARE(second_port.ConfigureLine(9600, 8, CSerial::ParityNone, CSerial::StopOne), 0);
        COMPARE(second_port.SetReadMode(CSerial::ReadBlocking), 0);
        COMPARE_TEXT(askType(second_port, other, 100), "QT33");
        other.sendRaw({0x55, 0x00, 0xFF});
        unsigned char raw[3];
        std::uint32_t count = 0;
        COMPARE(second_port.Read(raw, 3, &count), 0);
        COMPARE_TEXT(plain::text(raw, count), std::string("\x55\x00\xFF", 3));
    }

    // At the wrong speed the device hears only noise: it neither parses nor answers it.
    COMPARE(port.ConfigureLine(19200, 8, CSerial::ParityNone, CSerial::StopOne), 0);
    COMPARE(port.SetReadMode(CSerial::ReadNonBlocking), 0);
    sim.clearLog();
    COMPARE_TEXT(askType(port, sim, 200), "");
    COMPARE_TEXT(sim.log().empty() ? std::string() : sim.log().front().note, "baud mismatch");
    COMPARE(port.ConfigureLine(9600, 8, CSerial::ParityNone, CSerial::StopOne), 0);
    COMPARE(port.SetReadMode(CSerial::ReadBlocking), 0);

    // The cable pulled and plugged in again: a new line under the same port, found by a new open.
    const std::string before = sim.slavePath();
    sim.disconnect();
    COMPARE(sim.isConnected(), false);
    COMPARE(sim.reconnect(), true);
    COMPARE(sim.slavePath() != before, true);
    port.Close();
    COMPARE(port.Open(path(first)), 0);
    COMPARE(port.ConfigureLine(9600, 8, CSerial::ParityNone, CSerial::StopOne), 0);
    COMPARE(port.SetReadMode(CSerial::ReadBlocking), 0);
    COMPARE_TEXT(askType(port, sim, 300), "QT34");
    port.Close();

    // Stopped, the port is gone from the prefix.
    sim.stop();
    COMPARE(CSerial::ProbePort(path(first)), CSerial::PortNotAvailable);
    return plain::finish("simulated amplifier under Wine");
}
