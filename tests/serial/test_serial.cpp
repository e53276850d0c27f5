// CSerial against a pseudo-terminal: the test plays the amplifier on the master side.
#include "serial/Serial.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::array<std::uint8_t, 4>;
using Line = std::array<int, 5>; // baud rate, data bits, parity, stop bits, handshake
constexpr std::uint8_t Fill = 0xDC;

// A pseudo-terminal pair. `watch` is a second descriptor on the slave, opened before CSerial's, through
// which the test looks at the slave's input queue and line settings.
struct Pty {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    std::string path = ::grantpt(master) == 0 && ::unlockpt(master) == 0 ? ::ptsname(master) : "";
    int watch = path.empty() ? -1 : ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);

    ~Pty() {
        ::close(master);
        ::close(watch);
    }
    std::wstring Device() const { return {path.begin(), path.end()}; }
    int Ioctl(unsigned long request) const {
        int value = -1;
        ::ioctl(watch, request, &value);
        return value;
    }
    termios Termios() const {
        termios tio{};
        ::tcgetattr(watch, &tio);
        return tio;
    }
    // The kernel hands bytes to the slave asynchronously: wait until they are queued there.
    bool Send(const QByteArray& bytes) const {
        const int target = Ioctl(FIONREAD) + int(bytes.size());
        if (::write(master, bytes.constData(), bytes.size()) != bytes.size())
            return false;
        const auto end = Clock::now() + std::chrono::seconds(5);
        for (pollfd pfd{watch, POLLIN, 0}; Ioctl(FIONREAD) < target && Clock::now() < end;)
            ::poll(&pfd, 1, 100);
        return Ioctl(FIONREAD) >= target;
    }
    // Everything the master receives up to and including `marker`.
    QByteArray ReceiveUntil(char marker) const {
        QByteArray got;
        char chunk[256];
        for (pollfd pfd{master, POLLIN, 0}; !got.contains(marker) && ::poll(&pfd, 1, 5000) > 0;)
            got.append(chunk, int(std::max<ssize_t>(0, ::read(master, chunk, sizeof chunk))));
        return got;
    }
};

// Read as the device session reads: whatever is queued, at once.
QByteArray ReadQueued(CSerial& port, std::uint32_t length = 16) {
    QByteArray buffer(int(length), '\0');
    std::uint32_t count = 0;
    return port.Read(buffer.data(), length, &count) == 0 ? buffer.left(int(count)) : "<error>";
}

bool MovesBytes(CSerial& port, const Pty& pty) {
    return port.WriteText("ping") == 0 && pty.ReceiveUntil('g') == "ping" && pty.Send("pong") &&
           ReadQueued(port) == "pong";
}

std::wstring Com(int number) { return L"\\\\.\\COM" + std::to_wstring(number); }

} // namespace

class TestSerial : public QObject {
    Q_OBJECT

    QTemporaryDir workDir_;
    std::unique_ptr<Pty> pty_;
    CSerial port_;

    Line Settings() {
        return {port_.GetBaudRate(), port_.GetDataBits(), port_.GetParity(), port_.GetStopBits(),
                port_.GetHandshake()};
    }

private slots:
    void initTestCase() {
        // ctest already runs us in an empty directory; this keeps a hand run from leaving ports/ behind.
        QVERIFY(workDir_.isValid());
        QVERIFY(QDir::setCurrent(workDir_.path()));
        QVERIFY(QDir().mkdir("ports"));
    }
    void init() { // a fresh pseudo-terminal with port_ open on it
        pty_ = std::make_unique<Pty>();
        QVERIFY(pty_->watch >= 0);
        QCOMPARE(port_.Open(pty_->Device()), 0);
    }
    void cleanup() {
        port_.Close();
        pty_.reset();
    }

    // --- Opening and closing

    void portIsHeldExclusivelyUntilClosed() {
        QCOMPARE(pty_->Ioctl(TIOCGEXCL), 1);
        QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortInUse); // tests run as root: flock's work
        Pty second;
        QCOMPARE(port_.Open(second.Device()), CSerial::StatusAlreadyOpen);
        QCOMPARE(CSerial::ProbePort(second.Device()), CSerial::PortAvailable); // never touched
        QVERIFY(MovesBytes(port_, *pty_));                                     // nor the first one let go
        QCOMPARE((QList<int>{port_.Close(), port_.Close(), port_.IsOpen()}), (QList<int>{0, 0, false}));
        QCOMPARE(pty_->Ioctl(TIOCGEXCL), 0); // left set, it would lock out the next opener
        QCOMPARE(CSerial::ProbePort(pty_->Device()), CSerial::PortAvailable);
        QCOMPARE(CSerial::ProbePort(L"/dev/vantoria-no-such-port"), CSerial::PortNotAvailable);
    }

    void aClosedPortOrOneThatIsNoTerminalReportsInvalidHandle() { // regression: a FIFO hung the program, a
        // file took "P0"
        QCOMPARE(port_.Close(), 0);
        QFile file("plain.bin");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(::mkfifo("pipe", 0600) == 0);
        for (const wchar_t* device : {L"plain.bin", L"pipe", L"/dev/null"})
            QCOMPARE(port_.Open(device), CSerial::StatusInvalidFunction);
        std::uint32_t written = 7, count = 7;
        Bytes buffer{1, 2, 3, 4};
        for (std::int32_t status :
             {port_.ConfigureLine(9600, 8, 0, 0), port_.SetEventCharacter('x'), port_.SetEventMask(1),
              port_.WaitForEvent(), port_.SetHandshake(0), port_.SetReadMode(0),
              port_.Write("ab", 2, &written), port_.WriteText("P0"), port_.Read(buffer.data(), 4, &count)})
            QCOMPARE(status, CSerial::StatusInvalidHandle);
        QCOMPARE(QFileInfo("plain.bin").size(), 0);
        QCOMPARE(buffer, (Bytes{1, 2, 3, 4})); // the 0xDC fill is for open ports only
        QCOMPARE(Settings(), (Line{-1, -1, -1, -1, -1}));
        QCOMPARE((QList<int>{int(written), int(count), int(port_.GetEventMask()), port_.GetEventCharacter(),
                             port_.IsOpen(), port_.lastError()}),
                 (QList<int>{0, 0, 0, 0, false, CSerial::StatusInvalidHandle}));
    }

    // --- Line settings

    void openStartsRawAndEmptyAndLineChangesKeepInput() {
        // What was queued before the open answers nothing we will send; a later read must not see it.
        QCOMPARE(port_.Close(), 0);
        QVERIFY(pty_->Send("stale"));
        QCOMPARE(port_.Open(pty_->Device()), 0);
        QCOMPARE(Settings(), (Line{9600, 8, 0, 0, 0}));
        // CR, LF, ^C, ^D, DEL, XON, XOFF pass untouched; XOFF last, so a left-on IXON would stall our output.
        const QByteArray control("a\r\n\x03\x04\x7f\x11\x13");
        QVERIFY(pty_->Send(control));
        QCOMPARE(port_.ConfigureLine(19200, 8, CSerial::ParityNone, CSerial::StopTwo), 0);
        for (int mode : {CSerial::HandshakeSoftware, CSerial::HandshakeOff, CSerial::HandshakeHardware}) {
            QCOMPARE(port_.SetHandshake(mode), 0);
            QCOMPARE(Settings(), (Line{19200, 8, 0, CSerial::StopTwo, mode}));
            const termios tio = pty_->Termios();
            QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
            QCOMPARE(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS),
                     tcflag_t(CS8 | CSTOPB | (mode == CSerial::HandshakeHardware ? CRTSCTS : 0)));
            QCOMPARE(tio.c_iflag & (IXON | IXOFF), mode == CSerial::HandshakeSoftware ? IXON | IXOFF : 0u);
        }
        for (int mode : {3, -1}) { // unknown modes change nothing
            QCOMPARE(port_.SetHandshake(mode), CSerial::StatusInvalidArg);
            QCOMPARE(port_.SetReadMode(mode), CSerial::StatusInvalidArg);
        }
        QCOMPARE(port_.GetHandshake(), int(CSerial::HandshakeHardware));
        QCOMPARE(port_.SetEventCharacter('y'), 0);
        QCOMPARE(ReadQueued(port_), control); // still non-blocking, and no line change flushed the input
        // Nothing echoed ahead of our own bytes, and no CR added before LF.
        QCOMPARE(port_.WriteText("\nZ"), 0);
        QCOMPARE(pty_->ReceiveUntil('Z'), QByteArray("\nZ"));
    }

    void configureLineRefusesWhatLineCannotTake_data() {
        QTest::addColumn<QList<int>>("line"); // baud rate, data bits, parity, stop bits
        QTest::newRow("unknown baud rate") << QList<int>{12345, 8, 0, 0};
        QTest::newRow("9 data bits") << QList<int>{9600, 9, 0, 0};
        QTest::newRow("1.5 stop bits with 8 data bits") << QList<int>{9600, 8, 0, 1};
        QTest::newRow("2 stop bits with 5 data bits") << QList<int>{9600, 5, 0, 2};
        // A pseudo-terminal keeps 8N whatever it is asked: tcsetattr says yes, the read-back must not.
        QTest::newRow("even parity the driver drops") << QList<int>{19200, 8, 2, 0};
    }
    void configureLineRefusesWhatLineCannotTake() {
        QFETCH(QList<int>, line);
        QCOMPARE(
            port_.ConfigureLine(line[0], std::uint8_t(line[1]), std::uint8_t(line[2]), std::uint8_t(line[3])),
            87);
        QCOMPARE(port_.lastError(), 87);
        QCOMPARE(Settings(), (Line{9600, 8, 0, 0, 0})); // nothing half-taken stays
    }

    // --- Transfers

    void readFillsBufferAndRefusesTimeoutWithoutOverlapped() {
        Bytes buffer{};
        std::uint32_t count = 7;
        QCOMPARE(port_.Read(buffer.data(), 4, &count), 0);
        QCOMPARE(count, 0u);
        QCOMPARE(buffer, (Bytes{Fill, Fill, Fill, Fill}));
        QVERIFY(pty_->Send(QByteArray("\x03\x04", 2)));
        buffer.fill(0);
        QCOMPARE(port_.Read(buffer.data(), 4, nullptr, nullptr, 100), CSerial::StatusInvalidFunction);
        QCOMPARE(buffer, (Bytes{Fill, Fill, Fill, Fill})); // the fill comes before the check
        SerialOverlapped record;
        for (std::int32_t status :
             {port_.Read(buffer.data(), 4, nullptr, &record), port_.Write("ab", 2, nullptr, nullptr, 100),
              port_.Write("ab", 2, nullptr, &record), port_.WaitForEvent(nullptr, 100),
              port_.WaitForEvent(&record)})
            QCOMPARE(status, CSerial::StatusInvalidFunction);
        // Nothing moved either way: a plain read gets what was queued, the master only our "Z".
        QCOMPARE(port_.Read(buffer.data(), 4, &count), 0);
        QCOMPARE(count, 2u);
        QCOMPARE(buffer, (Bytes{3, 4, Fill, Fill}));
        QCOMPARE(port_.WriteText("Z"), 0);
        QCOMPARE(pty_->ReceiveUntil('Z'), QByteArray("Z"));
    }

    void overlappedPortBoundsWaitsByTimeout() {
        QCOMPARE(port_.Close() + port_.Open(pty_->Device(), 0, 0, true), 0);
        QCOMPARE(port_.SetReadMode(CSerial::ReadBlocking), 0);
        std::array<char, 4> buffer{};
        std::uint32_t count = 7;
        // Half a reply: the abandoned read delivers nothing and loses nothing.
        QVERIFY(pty_->Send("ef"));
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 20), CSerial::StatusTimeout);
        QCOMPARE(count, 0u);
        QVERIFY(pty_->Send("gh"));
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 5000), 0);
        QCOMPARE(QByteArray(buffer.data(), int(count)), QByteArray("efgh"));

        SerialOverlapped record{99, true, false}; // a caller's record comes back completed
        QVERIFY(pty_->Send("ij"));
        QCOMPARE(port_.Read(buffer.data(), 2, &count, &record, 5000), 0);
        QCOMPARE((QList<int>{int(record.transferred), record.signalled, record.pending}),
                 (QList<int>{2, true, false}));
        QCOMPARE(port_.Write("kl", 2, &count, &record, 5000), 0);
        QCOMPARE(record.transferred, 2u);
        QCOMPARE(pty_->ReceiveUntil('l'), QByteArray("kl"));

        // The read mode still decides: non-blocking returns at once, time-out or not.
        QCOMPARE(port_.SetReadMode(CSerial::ReadNonBlocking), 0);
        QCOMPARE(port_.Read(buffer.data(), 4, &count, nullptr, 5000), 0);
        QCOMPARE(count, 0u);

        // Events: nothing when nothing could end the wait.
        QCOMPARE(port_.SetEventMask(0), 0);
        QCOMPARE(port_.WaitForEvent(nullptr, 5000), 87);
    }

    void unplugReportsDeviceGoneWithoutBlocking() {
        // Blocking mode: a read that waited for bytes that can no longer come would hang.
        QCOMPARE(port_.SetReadMode(CSerial::ReadBlocking), 0);
        ::close(std::exchange(pty_->master, -1));
        Bytes buffer{};
        std::uint32_t count = 7, written = 7;
        QCOMPARE(port_.Read(buffer.data(), 4, &count), 31);
        QCOMPARE(port_.Write("x", 1, &written), 31);
        QCOMPARE(count + written, 0u);
        QCOMPARE(port_.WaitForEvent(), 0);
        QCOMPARE(port_.lastEvent(), CSerial::EvErr);
        QCOMPARE(port_.GetBaudRate(), -1);
        QCOMPARE(port_.lastError(), 31);
    }

    // --- Port names

    void comNamesResolve_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArray>("path");
        const std::pair<int, const char*> table[] = {
            {1, "/dev/ttyS0"},    {16, "/dev/ttyS15"},   {17, "/dev/ttyUSB0"}, {48, "/dev/ttyUSB31"},
            {49, "/dev/ttyACM0"}, {80, "/dev/ttyACM31"}, {81, "ports/COM81"}};
        for (const auto& [number, path] : table)
            QTest::newRow(path) << QString::fromStdWString(Com(number)) << QByteArray(path);
        // Not a COM name: opens as it stands, UTF-8 out as it came in.
        for (const char* device :
             {R"(\\.\COM0)", R"(\\.\COM3x)", "COM3", "/tmp/\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80"})
            QTest::newRow(device) << QString::fromUtf8(device) << QByteArray(device);
    }
    void comNamesResolve() {
        QFETCH(QString, device);
        QFETCH(QByteArray, path);
        QCOMPARE(QByteArray::fromStdString(ResolveDevicePath(device.toStdWString())), path);
    }

    void comLinksOverrideTheTable() {
        QCOMPARE(port_.Close(), 0);
        QVERIFY(QFile::link(QString::fromStdString(pty_->path), "ports/COM7"));
        QVERIFY(QFile::link("/dev/vantoria-no-such-port", "ports/COM9"));
        QCOMPARE(ResolveDevicePath(Com(9)), std::string("ports/COM9")); // dangling, it still wins over ttyS8
        QCOMPARE(port_.Open(Com(9)), 2);
        QCOMPARE(port_.Open(Com(7)), 0); // a failed open leaves the object usable
        QVERIFY(MovesBytes(port_, *pty_));
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
