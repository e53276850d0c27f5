// The simulated amplifier on a real pseudo-terminal, driven the way the program's tests drive it (write a
// command to the slave, pump the device once, read the slave), and vantoria-ampsim as a program of its own.

#include "ampsim/PtyAmplifier.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ampsim/Amplifier.h"
#include "ampsim/CliOptions.h"
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using ampsim::Amplifier;
using ampsim::PtyAmplifier;
using namespace std::literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes bytesOf(std::string_view text) { return {text.begin(), text.end()}; }
bool isLink(const std::string& path) { return fs::is_symlink(fs::symlink_status(path)); }

// The program's end of the line, opened through the port link; the device has made the line raw already.
struct Slave {
    int fd;
    explicit Slave(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~Slave() { ::close(fd); }
    bool send(std::string_view bytes) const {
        return ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    // What has arrived by now; from a device in another process, at least `count` bytes (poll-bounded).
    Bytes receive(std::size_t count = 0) const {
        Bytes out;
        std::uint8_t chunk[256];
        for (pollfd p{fd, POLLIN, 0};;) {
            for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;)
                out.insert(out.end(), chunk, chunk + n);
            if (out.size() >= count || ::poll(&p, 1, 5000) <= 0 || !(p.revents & POLLIN))
                return out;
        }
    }
};

// One command, one pump, what came back.
Bytes exchange(PtyAmplifier& sim, const Slave& port, std::string_view command, std::uint64_t ms) {
    port.send(command);
    sim.pump(ms, 200);
    return port.receive();
}

constexpr std::uint64_t kHoldMs = 3000; // middle of the hold phase of the default cycle
const Bytes kAck{'i', 'O'};

// A press without noise, offsets or uneven loads: every gauge reads exactly peak at the hold.
ampsim::PressParams exactParams(double peak) {
    return {.peakMicroStrain = peak,
            .loadFactor = {1, 1, 1, 1},
            .sensorFactor = {1, 1, 1, 1, 1, 1, 1, 1},
            .noiseMicroStrain = 0,
            .offsetMicroStrain = 0};
}

int answerOf(Amplifier& amp, std::string_view command, std::uint64_t ms = kHoldMs) {
    const Bytes reply = amp.handle(command, ms);
    return reply.size() == 2 ? std::int16_t(reply[0] | reply[1] << 8) : -99999;
}

// The two totals, "kN t".
QString totals(Amplifier& amp) {
    return QStringLiteral("%1 %2").arg(answerOf(amp, "kN")).arg(answerOf(amp, "to"));
}

} // namespace

class TestPtyAmplifier : public QObject {
    Q_OBJECT
    std::unique_ptr<PtyAmplifier> sim_; // QT34 on ports/COM2, fresh for every test
    std::unique_ptr<Slave> port_;

    Bytes ask(std::string_view command, std::uint64_t ms) { return exchange(*sim_, *port_, command, ms); }
    // A pump without a command: what became due by `ms`.
    Bytes at(std::uint64_t ms) {
        sim_->pump(ms);
        return port_->receive();
    }

private slots:
    void init() {
        sim_ = std::make_unique<PtyAmplifier>("QT34", 2);
        QVERIFY2(sim_->start(), sim_->lastError().c_str());
        port_ = std::make_unique<Slave>(sim_->linkPath());
    }
    void cleanup() {
        port_.reset();
        sim_.reset();
    }

    // --- The device in this process

    void linkFollowsTheDeviceAndLeavesOthersAlone() {
        QCOMPARE(fs::read_symlink("ports/COM2").string(), sim_->slavePath());
        sim_.reset();
        QVERIFY(!isLink("ports/COM2"));
        // A link left behind by a crashed run is replaced.
        fs::create_symlink("/dev/pts/no-such-pty", "ports/COM8");
        PtyAmplifier stale("QT34", 8);
        QVERIFY(stale.start());
        QCOMPARE(fs::read_symlink("ports/COM8").string(), stale.slavePath());
        // A device that lost its name to another one leaves the other one's link alone.
        PtyAmplifier second("QT33", 8);
        QVERIFY(second.start());
        stale.stop();
        QCOMPARE(fs::read_symlink("ports/COM8").string(), second.slavePath());
        // Anything that is not a link is not ours to replace.
        std::ofstream("ports/COM9") << "keep";
        PtyAmplifier blocked("QT34", 9);
        QVERIFY(!blocked.start());
        QVERIFY(!blocked.lastError().empty());
        QVERIFY(fs::is_regular_file("ports/COM9"));
    }

    void answersOnlyAtTheTypesSpeed() { // 9600 for the others, which every test of the program uses
        PtyAmplifier sim("QT35", 3);
        QVERIFY(sim.start());
        // Raw at the type's speed before anyone sets the line up.
        Slave port(sim.linkPath());
        termios tio{};
        QVERIFY(tcgetattr(port.fd, &tio) == 0);
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
        QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(exchange(sim, port, "P0", 10), bytesOf("QT35"));
        QCOMPARE(::cfsetspeed(&tio, B9600) + ::tcsetattr(port.fd, TCSANOW, &tio), 0);
        QVERIFY(exchange(sim, port, "P0", 20).empty());
        QCOMPARE(sim.log().back().note, std::string("baud mismatch"));
    }

    void heldRepliesGoOutWhenDue() {
        sim_->setLatencyMs(100);
        QVERIFY(ask("P0", 1000).empty());
        QCOMPARE(sim_->nextDueMs(), std::optional<std::uint64_t>(1100));
        QVERIFY(at(1099).empty());
        QCOMPARE(at(1100), bytesOf("QT34"));
        QVERIFY(!sim_->nextDueMs());
    }

    void garbageAndAWrongType() { // silence and single garbage are exercised by the program's tests
        sim_->garbageEvery(2);
        const Bytes clean{0x64, 0}, dirty{PtyAmplifier::kGarbageByte, 0x64, 0};
        for (const Bytes& expected : {clean, dirty, clean, dirty})
            QCOMPARE(ask("DU", 120), expected);
        sim_->garbageEvery(0);

        // Only P0 is affected, its answer padded or cut to four bytes.
        const std::pair<const char*, const char*> types[] = {
            {"AB", "AB  "}, {"ABCDEF", "ABCD"}, {"", "QT34"}};
        for (const auto& [text, reply] : types) {
            sim_->wrongType(text);
            QCOMPARE(ask("P0", 140), bytesOf(reply));
            QCOMPARE(ask("Ei", 140), Bytes{1});
        }
    }

    // --- The tool

    void toolRefusesBadOptionsWithUsage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown type") << QStringList{"--type", "QT36"};
        QTest::newRow("port not a number") << QStringList{"--com", "2x"};
        QTest::newRow("no bar 5") << QStringList{"--overload", "5:1.1"};
        QTest::newRow("value missing") << QStringList{"--seed"};
        QTest::newRow("unknown option") << QStringList{"--bogus"};
        QTest::newRow("no bar 0 drifts") << QStringList{"--drift", "0:1.1@5"};
        QTest::newRow("no bar 5 drifts") << QStringList{"--drift", "5:1.1@5"};
        QTest::newRow("drift to nothing") << QStringList{"--drift", "2:0@5"};
        QTest::newRow("drift without a moment") << QStringList{"--drift", "2:1.1"};
        QTest::newRow("drift before the start") << QStringList{"--drift", "2:1.1@-1"};
        QTest::newRow("no press cycle") << QStringList{"--ramp=0", "--hold=0", "--release=0", "--rest=0"};
    }
    void toolRefusesBadOptionsWithUsage() {
        QFETCH(QStringList, args);
        QProcess tool;
        tool.start(QStringLiteral(AMPSIM_BIN), QStringList{"--ports-dir", "refused"} + args);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(tool.readAllStandardError().contains("\nUsage: vantoria-ampsim")); // after the reason
        QVERIFY(!fs::exists("refused"));
    }

    void toolAnswersAndRemovesItsLinkOnSignal() {
        QProcess tool;
        tool.start(QStringLiteral(AMPSIM_BIN),
                   {"--com", "5", "--ports-dir", "cliports", "--log", "bytes.log"});
        // The tool prints its first line once the link exists.
        while (tool.waitForStarted(5000) && !tool.canReadLine() && tool.waitForReadyRead(10000)) {
        }
        const QByteArray line = tool.readLine();
        QVERIFY2(line.startsWith("vantoria-ampsim: QT34 on cliports/COM5 -> /dev/pts/"), line.constData());
        Slave port("cliports/COM5");
        QVERIFY(port.send("P0"));
        QCOMPARE(port.receive(4), bytesOf("QT34"));
        QCOMPARE(::kill(tool.processId(), SIGINT), 0);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(!isLink("cliports/COM5"));
        QFile log("bytes.log");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.contains(" RX P0\n"), text.constData());
        QVERIFY2(text.contains(" TX QT34\n"), text.constData());
    }

    void toolAppliesItsPressOptions() {
        // A cycle that is all plateau, so the readings do not depend on when they are asked for; bar 2
        // carries 2 * 1.5 times the load of bar 1.
        QProcess tool;
        tool.start(QStringLiteral(AMPSIM_BIN), {"--ports-dir", "p", "--ramp=0", "--hold=1", "--release=0",
                                                "--rest=0", "--overload=2:2", "--drift=2:1.5@0"});
        // The tool writes its first line once the link exists.
        QVERIFY(tool.waitForStarted(5000) && tool.waitForReadyRead(10000));
        Slave port("p/COM2");
        const Bytes r = port.send("S1S2") ? port.receive(4) : Bytes();
        QCOMPARE(r.size(), std::size_t(4));
        const int bar1 = std::int16_t(r[0] | r[1] << 8), bar2 = std::int16_t(r[2] | r[3] << 8);
        QVERIFY2(bar1 > 200 && bar2 > 2.8 * bar1 && bar2 < 3.2 * bar1, qPrintable(QString::number(bar2)));
        ::kill(tool.processId(), SIGINT), tool.waitForFinished(10000);
    }

    // The simulated amplifier without I/O: the protocol engine, the press behind it and the tool's options.
    // --- The protocol

    void typesDifferInSingleSensorsAndFixedParameters() {
        for (const std::string_view type : {"QT31", "QT32", "QT33", "QT34", "QT35"}) {
            Amplifier amp(std::string{type});
            QCOMPARE(amp.handle("P0", 0), Bytes(type.begin(), type.end()));
            const bool single = type >= "QT34", fixed = type <= "QT32";
            QCOMPARE(amp.handle("~~\0\1"sv, kHoldMs).size(), std::size_t(single ? 2 : 0));
            QCOMPARE(amp.handle("em\0\310"sv, 0), fixed ? Bytes() : kAck);
            QCOMPARE(answerOf(amp, "EM"), fixed ? 210 : 200);
            QCOMPARE(amp.pendingBytes(), std::size_t(0)); // unanswered, but still framed as 4 bytes
        }
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Amplifier("QT36"));
    }

    void forceConversion() {
        Amplifier amp;
        amp.model().setParams(exactParams(500));
        // 500 ue on 100 mm at 210 kN/mm^2: 824.67 kN = 84.09 t per bar; four bars 3298.7 kN = 336.4 t.
        QCOMPARE(answerOf(amp, "S1"), 500);
        QCOMPARE(totals(amp), QStringLiteral("3299 336"));
        amp.setUnit(ampsim::UnitTons);
        QCOMPARE(answerOf(amp, "S4"), 84);
        QCOMPARE(totals(amp), QStringLiteral("3299 336")); // totals do not depend on the unit shown
        // 80 mm at 200: 502.65 kN per bar; a radius-for-diameter or E-for-d mix-up gives other numbers.
        amp.setUnit(ampsim::UnitKiloNewton);
        amp.setEModulus(200);
        amp.setBarDiameter(80);
        for (std::string_view command : {"S1"sv, "S4"sv, "S5"sv, "~~\0\3"sv})
            QCOMPARE(answerOf(amp, command), 503);
        QCOMPARE(totals(amp), QStringLiteral("2011 205"));
    }

    // --- The tool's options

    void optionsAreParsed() {
        ampsim::CliOptions o;
        std::string error;
        QVERIFY(
            ampsim::parseCliOptions({"--type", "QT35", "--com=7", "--overload", "2:1.30", "--overload=4:0.9",
                                     "--seed", "99", "--split", "--garbage-every", "3", "--wrong-type",
                                     "QT31", "--log", "x.log", "--disconnect-after-ms", "500"},
                                    o, error));
        // The last two are untouched defaults.
        QCOMPARE(QString::asprintf("%s %d %llu %d %d %s %s %lld %s %lld", o.type.c_str(), o.com,
                                   (unsigned long long)o.seed, o.split, o.garbageEvery, o.wrongType.c_str(),
                                   o.logFile.c_str(), (long long)o.disconnectAfterMs, o.portsDir.c_str(),
                                   (long long)o.silenceAfter),
                 QStringLiteral("QT35 7 99 1 3 QT31 x.log 500 ports -1"));
        QCOMPARE(o.overloads, (std::vector<std::pair<int, double>>{{2, 1.30}, {4, 0.9}}));
    }

    void pressFollowsItsOptions() {
        ampsim::CliOptions o;
        std::string error;
        QVERIFY(ampsim::parseCliOptions({"--ramp=100", "--hold=50", "--release=100", "--rest=250",
                                         "--overload=2:1.1", "--drift=2:1.2@12", "--drift=2:1.3@20",
                                         "--drift=2:1.15@8.11"},
                                        o, error));
        ampsim::PressModel drifted(7, exactParams(400)), plain(7, exactParams(400));
        ampsim::applyPressOptions(o, drifted);
        o.drifts.clear();
        ampsim::applyPressOptions(o, plain);
        // A 500 ms cycle with its plateau from 100 to 149 ms.
        QCOMPARE(QString::asprintf("%g %g %g %g %g %g", plain.envelope(99), plain.envelope(100),
                                   plain.envelope(149), plain.envelope(151), plain.envelope(499),
                                   plain.envelope(600)),
                 QStringLiteral("0.99 1 1 0.99 0 1"));
        // Bar 2 (gauges 3 and 4) carries more from 8.11 s on (8.11 * 1000 is just below 8110), more still
        // from 12 s and 20 s on, the drift begun last wherever it is listed; no other bar changes.
        const std::pair<std::uint64_t, double> moments[] = {
            {8109, 1.0}, {8110, 1.15}, {12100, 1.2}, {20100, 1.3}, {1000120, 1.3}};
        for (const auto& [t, f] : moments)
            for (int s = 1; s <= 8; ++s)
                QCOMPARE(drifted.sensorStrain(s, t), plain.sensorStrain(s, t) * (s == 3 || s == 4 ? f : 1.0));
    }
};

QTEST_GUILESS_MAIN(TestPtyAmplifier)
#include "test_pty_amplifier.moc"
