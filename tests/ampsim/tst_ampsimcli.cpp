// vantoria-ampsim as a program: its options, its link, and a clean exit on a signal.

#include "SlavePort.h"

#include "ampsim/CliOptions.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool isLink(const std::string& path) { return fs::is_symlink(fs::symlink_status(path)); }

bool startSim(QProcess& proc, const QStringList& args, QByteArray& firstLine) {
    proc.start(QStringLiteral(AMPSIM_BIN), args);
    if (!proc.waitForStarted(5000))
        return false;
    // The start line is printed once the link exists.
    while (!proc.canReadLine())
        if (!proc.waitForReadyRead(10000))
            return false;
    firstLine = proc.readLine();
    return true;
}

} // namespace

class TestAmpsimCli : public QObject {
    Q_OBJECT
private slots:
    void options() {
        ampsim::CliOptions o;
        std::string error;
        QVERIFY(
            ampsim::parseCliOptions({"--type", "QT35", "--com=7", "--overload", "2:1.30", "--overload=4:0.9",
                                     "--seed", "99", "--split", "--garbage-every", "3", "--wrong-type",
                                     "QT31", "--log", "x.log", "--disconnect-after-ms", "500"},
                                    o, error));
        QCOMPARE(o.type, std::string("QT35"));
        QCOMPARE(o.com, 7);
        QCOMPARE(o.overloads.size(), std::size_t(2));
        QCOMPARE(o.overloads[0].first, 2);
        QCOMPARE(o.overloads[0].second, 1.30);
        QCOMPARE(o.overloads[1].first, 4);
        QCOMPARE(o.seed, std::uint64_t(99));
        QVERIFY(o.split);
        QCOMPARE(o.garbageEvery, 3);
        QCOMPARE(o.wrongType, std::string("QT31"));
        QCOMPARE(o.disconnectAfterMs, 500LL);
        QCOMPARE(o.portsDir, std::string("ports")); // untouched defaults
        QCOMPARE(o.silenceAfter, -1);

        for (const std::vector<std::string>& bad :
             std::vector<std::vector<std::string>>{{"--type", "QT36"},
                                                   {"--com", "0"},
                                                   {"--com", "2x"},
                                                   {"--overload", "5:1.1"},
                                                   {"--overload", "2"},
                                                   {"--overload", "2:x"},
                                                   {"--latency-ms", "-1"},
                                                   {"--seed"},
                                                   {"--split=1"},
                                                   {"--bogus"},
                                                   {"--reconnect-after-ms", "5"}}) {
            ampsim::CliOptions fresh;
            error.clear();
            QVERIFY2(!ampsim::parseCliOptions(bad, fresh, error), bad[0].c_str());
            QVERIFY(!error.empty());
        }
    }

    void badOptionExitsWithUsage() {
        QProcess proc;
        proc.start(QStringLiteral(AMPSIM_BIN), {"--type", "QT99"});
        QVERIFY(proc.waitForFinished(10000));
        QCOMPARE(proc.exitCode(), 2);
        QVERIFY(proc.readAllStandardError().contains("Usage"));
        QVERIFY(!fs::exists("ports"));
    }

    void answersAndRemovesItsLinkOnSignal_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void answersAndRemovesItsLinkOnSignal() {
        QFETCH(int, signal);
        QProcess proc;
        QByteArray line;
        QVERIFY(startSim(proc, {"--com", "5", "--ports-dir", "cliports", "--log", "bytes.log"}, line));
        QVERIFY2(line.startsWith("vantoria-ampsim: QT34 on cliports/COM5 -> /dev/pts/"), line.constData());
        QVERIFY(isLink("cliports/COM5"));

        SlavePort port("cliports/COM5");
        QVERIFY(port.send("P0"));
        QCOMPARE(port.readExactly(4, 5000), bytesOf("QT34"));

        QCOMPARE(::kill(proc.processId(), signal), 0);
        QVERIFY(proc.waitForFinished(10000));
        QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
        QCOMPARE(proc.exitCode(), 0);
        QVERIFY(!isLink("cliports/COM5"));

        std::stringstream log;
        log << std::ifstream("bytes.log").rdbuf();
        QVERIFY2(log.str().find(" RX P0\n") != std::string::npos, log.str().c_str());
        QVERIFY(log.str().find(" TX QT34\n") != std::string::npos);
    }

    void pulledCableThenStop() {
        QProcess proc;
        QByteArray line;
        QVERIFY(startSim(proc, {"--com", "6", "--disconnect-after-ms", "300"}, line));
        SlavePort port("ports/COM6");
        QVERIFY(port.isOpen());
        pollfd p{port.fd(), POLLIN, 0};
        QCOMPARE(poll(&p, 1, 10000), 1);
        QVERIFY(p.revents & POLLHUP);
        QVERIFY(isLink("ports/COM6") && !fs::exists("ports/COM6"));
        proc.terminate();
        QVERIFY(proc.waitForFinished(10000));
        QCOMPARE(proc.exitCode(), 0);
        QVERIFY(!isLink("ports/COM6"));
    }
};

QTEST_GUILESS_MAIN(TestAmpsimCli)
#include "tst_ampsimcli.moc"
