// CSerial against a pseudo-terminal: the test plays the amplifier on the master side.
#include "Serial.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::array<std::uint8_t, 4>;
constexpr std::uint8_t Fill = 0xDC;

int MsLeft(Clock::time_point end) {
    return static_cast<int>(
        std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count()));
}

// A pseudo-terminal pair. `watch` is a second descriptor on the slave, opened before CSerial's, through
// which the test looks at the slave's input queue and line settings.
class Pty {
public:
    Pty() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            path_ = ::ptsname(master_);
            watch_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        }
    }
    ~Pty() {
        CloseMaster();
        ::close(watch_);
    }

    bool Ok() const { return watch_ >= 0; }
    const std::string& Path() const { return path_; }
    std::wstring Device() const { return std::wstring(path_.begin(), path_.end()); }
    void CloseMaster() { ::close(std::exchange(master_, -1)); }
    bool Send(const QByteArray& bytes) const {
        return ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
    }
    int Queued() const { return Ioctl(FIONREAD); }
    int ExclusiveFlag() const { return Ioctl(TIOCGEXCL); }
    bool WaitQueued(int count) const {
        const auto end = Clock::now() + std::chrono::seconds(5);
        while (Queued() < count && Clock::now() < end) {
            pollfd pfd{watch_, POLLIN, 0};
            ::poll(&pfd, 1, MsLeft(end));
        }
        return Queued() >= count;
    }
    // Everything the master receives up to and including `marker`.
    QByteArray ReceiveUntil(char marker) const {
        QByteArray got;
        const auto end = Clock::now() + std::chrono::seconds(5);
        pollfd pfd{master_, POLLIN, 0};
        while (!got.contains(marker) && ::poll(&pfd, 1, MsLeft(end)) > 0) {
            char chunk[256];
            got.append(chunk, static_cast<int>(std::max<ssize_t>(0, ::read(master_, chunk, sizeof chunk))));
        }
        return got;
    }
    termios Line() const {
        termios tio{};
        ::tcgetattr(watch_, &tio);
        return tio;
    }

private:
    int Ioctl(unsigned long request) const {
        int value = -1;
        ::ioctl(watch_, request, &value);
        return value;
    }

    int master_;
    int watch_ = -1;
    std::string path_;
};

bool SameLine(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetospeed(&a) == cfgetospeed(&b);
}

// Read as the device session reads: whatever is queued, at once.
QByteArray ReadQueued(CSerial& port, std::uint32_t length = 16) {
    QByteArray buffer(static_cast<int>(length), '\0');
    std::uint32_t count = 0;
    if (port.Read(buffer.data(), length, &count) != 0)
        return "<error>";
    return buffer.left(static_cast<int>(count));
}

bool MovesBytes(CSerial& port, const Pty& pty) {
    return port.WriteText("ping") == 0 && pty.ReceiveUntil('g') == "ping" && pty.Send("pong") &&
           pty.WaitQueued(4) && ReadQueued(port) == "pong";
}

std::wstring Com(int number) { return L"\\\\.\\COM" + std::to_wstring(number); }

volatile std::sig_atomic_t brokenPipes = 0;
void CountBrokenPipe(int) { brokenPipes = 1; }

} // namespace

class TestSerial : public QObject {
    Q_OBJECT

    QTemporaryDir workDir_;
    std::unique_ptr<Pty> pty_;
    CSerial port_;

    void ReopenOverlapped() {
        QCOMPARE(port_.Close(), 0);
        QCOMPARE(port_.Open(pty_->Device(), 0, 0, true), 0);
    }

private slots:
    void initTestCase() {
        // ctest already runs us in an empty directory; this keeps a hand run from leaving ports/ behind.
        QVERIFY(workDir_.isValid() && QDir::setCurrent(workDir_.path()) && QDir().mkdir("ports"));
    }
    void init() { // a fresh pseudo-terminal with port_ open on it
        pty_ = std::make_unique<Pty>();
        QVERIFY(pty_->Ok());
        QCOMPARE(port_.Open(pty_->Device()), 0);
    }
    void cleanup() {
        port_.Close();
        pty_.reset();
    }

    // --- Opening and closing

    void openTwiceKeepsFirstConnection() {
        Pty second;
        QCOMPARE(port_.Open(second.Device()), CSerial::StatusAlreadyOpen);
        QCOMPARE(port_.lastError(), CSerial::StatusAlreadyOpen);
        QCOMPARE(CSerial::ProbePort(second.Device()), CSerial::PortAvailable); // never touched
        QVERIFY(MovesBytes(port_, *pty_));
    }

    void closeReleasesPortAndIsIdempotent() {
        QCOMPARE(pty_->ExclusiveFlag(), 1);
        QCOMPARE(port_.Close(), 0);
        QCOMPARE(port_.Close(), 0);
        QVERIFY(!port_.IsOpen());
        QCOMPARE(pty_->ExclusiveFlag(), 0); // left set, it would lock out the next opener
        QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortAvailable);
        {
            CSerial scoped;
            QCOMPARE(scoped.Open(pty_->Device()), 0);
            QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortInUse);
        } // the destructor closes
        QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortAvailable);
    }

    void openOfNonSerialFileFollowsOrderOfEffects() {
        QFile file("plain.bin");
        QVERIFY(file.open(QIODevice::WriteOnly));
        CSerial port;
        // A failing event mask and read mode do not stop the open, but the caller sees the status...
        QCOMPARE(port.Open(L"plain.bin"), CSerial::StatusInvalidFunction);
        QVERIFY(port.IsOpen());
        QCOMPARE(port.Close(), 0);
        // ...while a failing queue setup closes what was opened.
        QCOMPARE(port.Open(L"plain.bin", 64, 64), CSerial::StatusInvalidFunction);
        QVERIFY(!port.IsOpen());
    }

    void closedPortReportsInvalidHandle() {
        CSerial fresh;
        QCOMPARE(port_.Close(), 0);
        for (CSerial* port : {&fresh, &port_}) {
            std::uint32_t written = 7, count = 7;
            Bytes buffer{1, 2, 3, 4};
            const std::int32_t statuses[] = {port->ConfigureLine(9600, 8, 0, 0),
                                             port->SetEventCharacter('x'),
                                             port->SetEventMask(1),
                                             port->WaitForEvent(),
                                             port->SetHandshake(0),
                                             port->SetReadMode(0),
                                             port->Write("ab", 2, &written),
                                             port->Read(buffer.data(), 4, &count)};
            for (std::int32_t status : statuses)
                QCOMPARE(status, CSerial::StatusInvalidHandle);
            QVERIFY(written == 0 && count == 0);
            QCOMPARE(buffer, (Bytes{1, 2, 3, 4})); // the 0xDC fill is for open ports only
            for (auto query : {&CSerial::GetBaudRate, &CSerial::GetDataBits, &CSerial::GetParity,
                               &CSerial::GetStopBits, &CSerial::GetHandshake}) {
                QCOMPARE((port->*query)(), -1);
                QCOMPARE(port->lastError(), CSerial::StatusInvalidHandle);
            }
            QVERIFY(port->GetEventMask() == 0 && port->GetEventCharacter() == 0);
            QCOMPARE(port->lastError(), CSerial::StatusInvalidHandle);
        }
    }

    // --- Line settings

    void openMakesLineRaw() {
        // CR, LF, ^C, ^D, DEL, XON, XOFF pass untouched; XOFF last, so a left-on IXON would stall our output.
        const QByteArray control("a\r\n\x03\x04\x7f\x11\x13");
        QVERIFY(pty_->Send(control) && pty_->WaitQueued(control.size()));
        QCOMPARE(ReadQueued(port_), control);
        // Nothing echoed ahead of our own bytes, and no CR added before LF.
        QCOMPARE(port_.WriteText("\nZ"), 0);
        QCOMPARE(pty_->ReceiveUntil('Z'), QByteArray("\nZ"));
    }

    void configureLineReadsBack() {
        const auto line = [this] {
            return std::array<int, 5>{port_.GetBaudRate(), port_.GetDataBits(), port_.GetParity(),
                                      port_.GetStopBits(), port_.GetHandshake()};
        };
        QCOMPARE(line(), (std::array<int, 5>{9600, 8, 0, 0, 0})); // what Open sets
        QCOMPARE(port_.ConfigureLine(19200, 8, CSerial::ParityNone, CSerial::StopOne), 0);
        QCOMPARE(line(), (std::array<int, 5>{19200, 8, 0, 0, 0}));
        const termios tio = pty_->Line();
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
        QCOMPARE(tio.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));
        QCOMPARE(port_.ConfigureLine(9600, 8, CSerial::ParityNone, CSerial::StopTwo), 0);
        QCOMPARE(line(), (std::array<int, 5>{9600, 8, 0, CSerial::StopTwo, 0}));
    }

    void configureLineRefusesWhatLineCannotTake_data() {
        QTest::addColumn<uint>("baud");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("unknown baud rate") << 12345u << 8 << 0 << 0;
        QTest::newRow("baud rate 0") << 0u << 8 << 0 << 0;
        QTest::newRow("9 data bits") << 9600u << 9 << 0 << 0;
        QTest::newRow("parity 5") << 9600u << 8 << 5 << 0;
        QTest::newRow("stop bits 3") << 9600u << 8 << 0 << 3;
        QTest::newRow("1.5 stop bits with 8 data bits") << 9600u << 8 << 0 << 1;
        QTest::newRow("2 stop bits with 5 data bits") << 9600u << 5 << 0 << 2;
        // A pseudo-terminal keeps 8N whatever it is asked: tcsetattr says yes, the read-back must not.
        QTest::newRow("even parity the driver drops") << 19200u << 8 << 2 << 0;
    }

    void configureLineRefusesWhatLineCannotTake() {
        QFETCH(uint, baud);
        QFETCH(int, dataBits);
        QFETCH(int, parity);
        QFETCH(int, stopBits);
        const termios before = pty_->Line();
        QCOMPARE(
            port_.ConfigureLine(baud, std::uint8_t(dataBits), std::uint8_t(parity), std::uint8_t(stopBits)),
            87);
        QCOMPARE(port_.lastError(), 87);
        QVERIFY(SameLine(before, pty_->Line()));
    }

    void lineChangesKeepQueuedInput() {
        QVERIFY(pty_->Send("xy") && pty_->WaitQueued(2));
        QCOMPARE(port_.ConfigureLine(19200, 8, 0, 0), 0);
        QCOMPARE(port_.SetHandshake(CSerial::HandshakeOff), 0);
        QCOMPARE(port_.SetEventCharacter('y'), 0);
        QCOMPARE(port_.SetReadMode(CSerial::ReadNonBlocking), 0);
        QCOMPARE(ReadQueued(port_), QByteArray("xy"));
    }

    void handshakeMapsToTermiosAndRejectsUnknownMode() {
        for (int mode : {CSerial::HandshakeSoftware, CSerial::HandshakeOff, CSerial::HandshakeHardware}) {
            QCOMPARE(port_.SetHandshake(mode), 0);
            QCOMPARE(port_.GetHandshake(), mode);
            const termios tio = pty_->Line();
            QCOMPARE((tio.c_cflag & CRTSCTS) != 0, mode == CSerial::HandshakeHardware);
            QCOMPARE(tio.c_iflag & (IXON | IXOFF), mode == CSerial::HandshakeSoftware ? IXON | IXOFF : 0u);
        }
        const termios before = pty_->Line();
        for (int mode : {3, -1}) {
            QCOMPARE(port_.SetHandshake(mode), CSerial::StatusInvalidArg);
            QCOMPARE(port_.lastError(), CSerial::StatusInvalidArg);
            QCOMPARE(port_.SetReadMode(mode), CSerial::StatusInvalidArg);
        }
        QVERIFY(SameLine(before, pty_->Line()));
        QCOMPARE(port_.GetHandshake(), int(CSerial::HandshakeHardware));
        QCOMPARE(ReadQueued(port_), QByteArray()); // still non-blocking: back at once with nothing
    }

    // --- Transfers

    void nonBlockingReadDeliversQueuedAndFillsRest() {
        Bytes buffer{};
        std::uint32_t count = 7;
        QCOMPARE(port_.Read(buffer.data(), 4, &count), 0);
        QCOMPARE(count, 0u);
        QCOMPARE(buffer, (Bytes{Fill, Fill, Fill, Fill}));
        QVERIFY(pty_->Send(QByteArray("\x03\x04", 2)) && pty_->WaitQueued(2));
        buffer.fill(0);
        QCOMPARE(port_.Read(buffer.data(), 4, &count), 0);
        QCOMPARE(count, 2u);
        QCOMPARE(buffer, (Bytes{3, 4, Fill, Fill}));
    }

    void blockingReadWaitsForFullCount() {
        QCOMPARE(port_.SetReadMode(CSerial::ReadBlocking), 0);
        QVERIFY(pty_->Send("ab") && pty_->WaitQueued(2));
        // The rest comes only once the read has taken the first half from the driver.
        std::thread device([pty = pty_.get()] {
            const auto end = Clock::now() + std::chrono::seconds(5);
            while (pty->Queued() > 0 && Clock::now() < end)
                std::this_thread::yield();
            pty->Send("cd");
        });
        const QByteArray got = ReadQueued(port_, 4);
        device.join();
        QCOMPARE(got, QByteArray("abcd"));
    }

    void finiteTimeoutWithoutOverlappedMovesNothing() {
        QVERIFY(pty_->Send("xy") && pty_->WaitQueued(2));
        SerialOverlapped record;
        Bytes buffer{};
        std::uint32_t count = 7, written = 7;
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 100), CSerial::StatusInvalidFunction);
        QCOMPARE(buffer, (Bytes{Fill, Fill, Fill, Fill})); // the fill comes before the check
        QCOMPARE(port_.Read(buffer.data(), 4, &count, &record), CSerial::StatusInvalidFunction);
        QCOMPARE(port_.Write("ab", 2, &written, nullptr, 100), CSerial::StatusInvalidFunction);
        QCOMPARE(port_.Write("ab", 2, &written, &record), CSerial::StatusInvalidFunction);
        QVERIFY(count == 0 && written == 0);
        QCOMPARE(port_.WaitForEvent(nullptr, 100), CSerial::StatusInvalidFunction);
        QCOMPARE(port_.WaitForEvent(&record), CSerial::StatusInvalidFunction);
        QCOMPARE(ReadQueued(port_), QByteArray("xy"));
        QCOMPARE(port_.WriteText("Z"), 0);
        QCOMPARE(pty_->ReceiveUntil('Z'), QByteArray("Z"));
    }

    void overlappedTransfersHonourTimeout() {
        ReopenOverlapped();
        QCOMPARE(port_.SetReadMode(CSerial::ReadBlocking), 0);
        std::array<char, 4> buffer{};
        std::uint32_t count = 7;
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 20), CSerial::StatusTimeout);
        // Half a reply: the abandoned read delivers nothing and loses nothing.
        QVERIFY(pty_->Send("ef") && pty_->WaitQueued(2));
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 20), CSerial::StatusTimeout);
        QCOMPARE(count, 0u);
        QVERIFY(pty_->Send("gh"));
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 5000), 0);
        QCOMPARE(QByteArray(buffer.data(), int(count)), QByteArray("efgh"));

        SerialOverlapped record{99, true, false}; // a caller's record comes back completed
        QVERIFY(pty_->Send("ij"));
        QCOMPARE(port_.Read(buffer.data(), 2, &count, &record, 5000), 0);
        QVERIFY(record.transferred == 2 && record.signalled && !record.pending);
        QCOMPARE(port_.Write("kl", 2, &count, &record, 5000), 0);
        QCOMPARE(record.transferred, 2u);
        QCOMPARE(pty_->ReceiveUntil('l'), QByteArray("kl"));

        // The read mode still decides: non-blocking returns at once, time-out or not.
        QCOMPARE(port_.SetReadMode(CSerial::ReadNonBlocking), 0);
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 5000), 0);
        QCOMPARE(count, 0u);
    }

    void eventsReportInputAndEventCharacter() {
        ReopenOverlapped();
        QCOMPARE(port_.GetEventMask(), CSerial::EvRxChar | CSerial::EvBreak | CSerial::EvErr);
        QCOMPARE(port_.WaitForEvent(nullptr, 20), CSerial::StatusTimeout);
        QVERIFY(pty_->Send("q"));
        QCOMPARE(port_.WaitForEvent(nullptr, 5000), 0);
        QCOMPARE(port_.lastEvent(), CSerial::EvRxChar);

        QCOMPARE(port_.SetEventCharacter('\n'), 0);
        QCOMPARE(port_.GetEventCharacter(), '\n');
        QCOMPARE(port_.GetEventMask(),
                 CSerial::EvRxChar | CSerial::EvRxFlag | CSerial::EvBreak | CSerial::EvErr);
        QCOMPARE(port_.SetEventMask(CSerial::EvRxFlag), 0);
        QCOMPARE(port_.WaitForEvent(nullptr, 20), CSerial::StatusTimeout); // input, but no event character
        QVERIFY(pty_->Send("r\n"));
        QCOMPARE(port_.WaitForEvent(nullptr, 5000), 0);
        QCOMPARE(port_.lastEvent(), CSerial::EvRxFlag);
        QCOMPARE(ReadQueued(port_), QByteArray("qr\n")); // looking for the character took nothing away

        QCOMPARE(port_.SetEventCharacter('X', false), 0);
        QCOMPARE(port_.GetEventMask(), CSerial::EvRxFlag);
        QCOMPARE(port_.SetEventMask(0), 0);
        QCOMPARE(port_.WaitForEvent(nullptr, 5000), 87); // nothing could end the wait
    }

    // --- Vanished device

    void unplugNeitherBlocksNorBreaksObject() {
        const auto previous = std::signal(SIGPIPE, CountBrokenPipe);
        brokenPipes = 0;
        for (int mode : {CSerial::ReadNonBlocking, CSerial::ReadBlocking}) {
            cleanup();
            init();
            QCOMPARE(port_.SetReadMode(mode), 0);
            pty_->CloseMaster();
            Bytes buffer{};
            std::uint32_t count = 7, written = 7;
            QCOMPARE(port_.Read(buffer.data(), 4, &count), 31);
            QCOMPARE(port_.Write("x", 1, &written), 31);
            QVERIFY(count == 0 && written == 0);
            QCOMPARE(port_.WaitForEvent(), 0);
            QCOMPARE(port_.lastEvent(), CSerial::EvErr);
            QCOMPARE(port_.GetBaudRate(), -1);
            QCOMPARE(port_.lastError(), 31);
            QCOMPARE(port_.Close(), 0);
            QVERIFY(!port_.IsOpen());
            Pty other;
            QCOMPARE(port_.Open(other.Device()), 0);
            QVERIFY(MovesBytes(port_, other));
        }
        std::signal(SIGPIPE, previous);
        QCOMPARE(int(brokenPipes), 0);
    }

    // --- Port names and probing

    void probePortTellsMissingFreeAndHeld() {
        QCOMPARE(CSerial::ProbePort(L"/dev/vantoria-no-such-port"), CSerial::PortNotAvailable);
        QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortInUse);
        CSerial intruder;
        QCOMPARE(intruder.Open(pty_->Device()), 5);
        QVERIFY(!intruder.IsOpen());
        QVERIFY(MovesBytes(port_, *pty_)); // neither disturbed the holder
        QCOMPARE(port_.Close(), 0);
        QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortAvailable);
    }

    void comNamesResolve_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArray>("path");
        const std::pair<const char*, const char*> rows[] = {
            {R"(\\.\COM1)", "/dev/ttyS0"},
            {R"(\\.\COM16)", "/dev/ttyS15"},
            {R"(\\.\COM17)", "/dev/ttyUSB0"},
            {R"(\\.\COM48)", "/dev/ttyUSB31"},
            {R"(\\.\COM49)", "/dev/ttyACM0"},
            {R"(\\.\COM80)", "/dev/ttyACM31"},
            {R"(\\.\COM81)", "ports/COM81"},
            {"/dev/pts/7", nullptr},
            {R"(\\.\COM0)", nullptr},
            {R"(\\.\COM07)", nullptr},
            {R"(\\.\COM3x)", nullptr},
            {"COM3", nullptr},
            {"/tmp/\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", nullptr}, // UTF-8 out, as it came in
        };
        for (const auto& [device, path] : rows) // no path: opens as it stands
            QTest::newRow(device) << QString::fromUtf8(device) << QByteArray(path ? path : device);
    }

    void comNamesResolve() {
        QFETCH(QString, device);
        QFETCH(QByteArray, path);
        QCOMPARE(QByteArray::fromStdString(ResolveDevicePath(device.toStdWString())), path);
    }

    void comLinkOpensAndOverridesTable() {
        QCOMPARE(port_.Close(), 0);
        QVERIFY(QFile::link(QString::fromStdString(pty_->Path()), "ports/COM7"));
        QCOMPARE(ResolveDevicePath(Com(7)), std::string("ports/COM7")); // not /dev/ttyS6
        QCOMPARE(port_.Open(Com(7)), 0);
        QVERIFY(MovesBytes(port_, *pty_));
        QCOMPARE(CSerial::ProbePort(Com(7)), CSerial::PortInUse);
        QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortInUse); // the same device behind the link
        QCOMPARE(port_.Close(), 0);
        QCOMPARE(CSerial::ProbePort(Com(7)), CSerial::PortAvailable);
    }

    void danglingComLinkIsNotAvailable() {
        QCOMPARE(port_.Close(), 0);
        QVERIFY(QFile::link("/dev/vantoria-no-such-port", "ports/COM9"));
        QCOMPARE(ResolveDevicePath(Com(9)), std::string("ports/COM9")); // the link wins over /dev/ttyS8
        QCOMPARE(port_.Open(Com(9)), 2);
        QVERIFY(!port_.IsOpen());
        QCOMPARE(CSerial::ProbePort(Com(9)), CSerial::PortNotAvailable);
        QCOMPARE(port_.Open(Com(81)), 2);
        QCOMPARE(CSerial::ProbePort(Com(81)), CSerial::PortNotAvailable);
        QCOMPARE(port_.Open(pty_->Device()), 0); // a failed open leaves the object usable
        QVERIFY(MovesBytes(port_, *pty_));
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
