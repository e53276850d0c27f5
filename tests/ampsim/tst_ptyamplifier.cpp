// The simulated amplifier on a real pseudo-terminal, driven the way the program's tests drive it: write a
// command to the slave, pump the device once, read the slave.

#include "SlavePort.h"

#include "ampsim/PtyAmplifier.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using ampsim::PtyAmplifier;
using Bytes = std::vector<std::uint8_t>;

namespace {

bool isLink(const std::string& path) { return fs::is_symlink(fs::symlink_status(path)); }

// One command, one pump, what came back.
Bytes exchange(PtyAmplifier& sim, SlavePort& port, std::string_view command, std::uint64_t ms) {
    port.send(command);
    sim.pump(ms, 200);
    return port.readAvailable();
}

} // namespace

class TestPtyAmplifier : public QObject {
    Q_OBJECT
private slots:
    void linkLifecycle() {
        const std::string dir = "ports/nested";
        {
            PtyAmplifier sim("QT34", 7, dir);
            QVERIFY2(sim.start(), sim.lastError().c_str());
            QCOMPARE(sim.linkPath(), dir + "/COM7");
            QCOMPARE(fs::read_symlink(sim.linkPath()).string(), sim.slavePath());
            QVERIFY(fs::is_character_file(sim.linkPath()));
        }
        QVERIFY(!isLink(dir + "/COM7"));

        // A link left behind by a crashed run is replaced.
        fs::create_symlink("/dev/pts/no-such-pty", dir + "/COM8");
        PtyAmplifier stale("QT34", 8, dir);
        QVERIFY(stale.start());
        QCOMPARE(fs::read_symlink(dir + "/COM8").string(), stale.slavePath());
        stale.stop();
        QVERIFY(!isLink(dir + "/COM8"));

        // Anything that is not a link is not ours to replace.
        std::ofstream(dir + "/COM9") << "keep";
        PtyAmplifier blocked("QT34", 9, dir);
        QVERIFY(!blocked.start());
        QVERIFY(!blocked.lastError().empty());
        QVERIFY(fs::is_regular_file(dir + "/COM9"));

        // A device that lost its name to another one leaves the other one's link alone.
        PtyAmplifier first("QT34", 10, dir), second("QT33", 10, dir);
        QVERIFY(first.start() && second.start());
        first.stop();
        QCOMPARE(fs::read_symlink(dir + "/COM10").string(), second.slavePath());
    }

    void rawAtTheTypesSpeedBeforeAnyoneConfiguresIt_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("speed");
        QTest::newRow("QT34") << "QT34" << int(B9600);
        QTest::newRow("QT35") << "QT35" << int(B19200);
    }
    void rawAtTheTypesSpeedBeforeAnyoneConfiguresIt() {
        QFETCH(QString, type);
        PtyAmplifier sim(type.toStdString(), 3);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath(), 0);
        termios tio{};
        QVERIFY(tcgetattr(port.fd(), &tio) == 0);
        QTEST(int(cfgetospeed(&tio)), "speed");
        QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(exchange(sim, port, "P0", 10), bytesOf(type.toStdString()));
    }

    void sessionAndLog() {
        PtyAmplifier sim("QT34", 4);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath());
        QCOMPARE(exchange(sim, port, "P0", 1520), bytesOf("QT34"));
        QCOMPARE(exchange(sim, port, "Ei", 1540), Bytes{1});
        QCOMPARE(exchange(sim, port, "EW", 1560), bytesOf("iO"));
        // A 4-byte command split over two writes and two pumps.
        QVERIFY(exchange(sim, port, std::string_view("~~\0", 3), 1580).empty());
        QCOMPARE(exchange(sim, port, "\5", 1600).size(), std::size_t(2));
        QVERIFY(exchange(sim, port, "XY", 1620).empty());

        const QStringList lines = QString::fromStdString(sim.logText()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines.mid(0, 6), QStringList({"   1520 RX P0", "   1520 TX QT34", "   1540 RX Ei",
                                               "   1540 TX <01>", "   1560 RX EW", "   1560 TX iO"}));
        QCOMPARE(lines[6], "   1600 RX ~~<00><05>");
        QVERIFY(lines[7].startsWith("   1600 TX "));
        QCOMPARE(lines[8], "   1620 RX XY  # unknown command");
        sim.clearLog();
        QVERIFY(sim.log().empty());
    }

    void baudMismatchGetsNoAnswer() {
        PtyAmplifier sim("QT35", 5);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath(), 9600);
        QVERIFY(exchange(sim, port, "P0", 100).empty());
        QCOMPARE(sim.log().back().note, std::string("baud mismatch"));
        QVERIFY(port.setSpeed(19200));
        QCOMPARE(exchange(sim, port, "P0", 200), bytesOf("QT35"));

        PtyAmplifier slow("QT34", 6);
        QVERIFY(slow.start());
        SlavePort fast(slow.linkPath(), 19200);
        QVERIFY(exchange(slow, fast, "P0", 100).empty());
    }

    void silenceAfterN() {
        PtyAmplifier sim("QT34", 11);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath());
        sim.silenceAfter(2);
        QCOMPARE(exchange(sim, port, "P0", 0), bytesOf("QT34"));
        QCOMPARE(exchange(sim, port, "Ei", 20), Bytes{1});
        QVERIFY(exchange(sim, port, "EM", 40).empty());
        QVERIFY(exchange(sim, port, "DU", 60).empty());
        QCOMPARE(sim.log().back().note, std::string("silent"));
        sim.silenceAfter(-1);
        QCOMPARE(exchange(sim, port, "EM", 80), (Bytes{0xD2, 0}));
    }

    void splitRepliesGoOutInTwoPumps() {
        PtyAmplifier sim("QT34", 12);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath());
        sim.splitReplies(true);
        QCOMPARE(exchange(sim, port, "P0", 100), bytesOf("QT"));
        sim.pump(100);
        QCOMPARE(port.readAvailable(), bytesOf("34"));
        QCOMPARE(exchange(sim, port, "Ei", 120), Bytes{1}); // one byte cannot be split

        sim.splitReplies(true, 50);
        QCOMPARE(exchange(sim, port, "EM", 200), Bytes{0xD2});
        QCOMPARE(sim.nextDueMs(), std::optional<std::uint64_t>(250));
        sim.pump(249);
        QVERIFY(port.readAvailable().empty());
        sim.pump(250);
        QCOMPARE(port.readAvailable(), Bytes{0});
    }

    void garbageBeforeAReply() {
        PtyAmplifier sim("QT34", 13);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath());
        sim.injectGarbage({0xFF, 0x00});
        QCOMPARE(exchange(sim, port, "P0", 0), (Bytes{0xFF, 0x00, 'Q', 'T', '3', '4'}));
        QCOMPARE(exchange(sim, port, "Ei", 20), Bytes{1});

        sim.garbageEvery(2);
        const Bytes clean{0x64, 0}, dirty{PtyAmplifier::kGarbageByte, 0x64, 0};
        for (const Bytes& expected : {clean, dirty, clean, dirty})
            QCOMPARE(exchange(sim, port, "DU", 40), expected);
    }

    void wrongTypeIdentifier() {
        PtyAmplifier sim("QT34", 14);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath());
        sim.wrongType("QT32");
        QCOMPARE(exchange(sim, port, "P0", 0), bytesOf("QT32"));
        QCOMPARE(exchange(sim, port, "Ei", 0), Bytes{1});
        sim.wrongType("AB");
        QCOMPARE(exchange(sim, port, "P0", 0), bytesOf("AB  "));
        sim.wrongType("ABCDEF");
        QCOMPARE(exchange(sim, port, "P0", 0), bytesOf("ABCD"));
        sim.wrongType("");
        QCOMPARE(exchange(sim, port, "P0", 0), bytesOf("QT34"));
    }

    void latencyHoldsRepliesUntilDue() {
        PtyAmplifier sim("QT34", 15);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath());
        sim.setLatencyMs(100);
        QVERIFY(exchange(sim, port, "P0", 1000).empty());
        QCOMPARE(sim.nextDueMs(), std::optional<std::uint64_t>(1100));
        sim.pump(1099);
        QVERIFY(port.readAvailable().empty());
        sim.pump(1100);
        QCOMPARE(port.readAvailable(), bytesOf("QT34"));
        QVERIFY(!sim.nextDueMs());

        // Held replies keep their order and their own due times.
        QVERIFY(exchange(sim, port, "Ei", 1200).empty());
        QVERIFY(exchange(sim, port, "DU", 1250).empty());
        sim.pump(1300);
        QCOMPARE(port.readAvailable(), Bytes{1});
        sim.pump(1350);
        QCOMPARE(port.readAvailable(), (Bytes{0x64, 0}));
    }

    void disconnectAndReconnect() {
        PtyAmplifier sim("QT34", 16);
        QVERIFY(sim.start());
        SlavePort port(sim.linkPath());
        const std::string oldSlave = sim.slavePath();
        sim.disconnect();
        QVERIFY(!sim.isConnected());

        pollfd p{port.fd(), POLLIN, 0};
        QCOMPARE(poll(&p, 1, 1000), 1);
        QVERIFY(p.revents & POLLHUP);
        char c;
        QVERIFY(read(port.fd(), &c, 1) <= 0);
        QVERIFY(write(port.fd(), "P0", 2) < 0);
        struct stat st;
        QVERIFY(stat(oldSlave.c_str(), &st) != 0 && errno == ENOENT);
        QVERIFY(isLink(sim.linkPath()) && !fs::exists(sim.linkPath())); // dangling until stop
        QVERIFY(!SlavePort(sim.linkPath()).isOpen());
        sim.pump(2000, 0); // a pulled cable is no reason to fail
        QCOMPARE(sim.log().back().note, std::string("disconnected"));

        QVERIFY(sim.reconnect());
        QCOMPARE(fs::read_symlink(sim.linkPath()).string(), sim.slavePath());
        SlavePort again(sim.linkPath());
        QCOMPARE(exchange(sim, again, "P0", 2100), bytesOf("QT34"));
        sim.stop();
        QVERIFY(!isLink(sim.linkPath()));
    }

    void programMayCloseAndReopenThePort() {
        PtyAmplifier sim("QT34", 17);
        QVERIFY(sim.start());
        {
            SlavePort port(sim.linkPath());
            port.send("EW");
        }
        // No program holds the slave now: the device still reads, answers and sees no hang-up.
        sim.pump(0, 200);
        pollfd p{sim.masterFd(), POLLIN, 0};
        QCOMPARE(poll(&p, 1, 0), 0);
        SlavePort port(sim.linkPath());
        port.readAvailable(); // whatever the kernel kept of the old answer
        QCOMPARE(exchange(sim, port, "Ei", 20), Bytes{2});
    }
};

QTEST_APPLESS_MAIN(TestPtyAmplifier)
#include "tst_ptyamplifier.moc"
