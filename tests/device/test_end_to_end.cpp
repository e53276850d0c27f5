// The program as a user starts it, beside the simulator as a separate process: it must find the amplifier
// by the automatic search and settle into the polling loop.

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {
// The commands the simulator received, from its byte log ("   1520 RX P0").
QStringList receivedCommands(const QString& logPath) {
    QFile file(logPath);
    QStringList commands;
    if (!file.open(QIODevice::ReadOnly))
        return commands;
    static const QRegularExpression line(QStringLiteral("^\\s*\\d+ RX (\\S+)"));
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QRegularExpressionMatch match = line.match(QString::fromLatin1(raw));
        if (match.hasMatch())
            commands.append(match.captured(1));
    }
    return commands;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool pollingLoopReached(const QStringList& commands) {
    const qsizetype identify = commands.indexOf(QStringLiteral("P0"));
    if (identify < 0)
        return false;
    const QStringList loop = commands.mid(identify + 1);
    const QStringList expected = {"Ei", "EM", "DU", "Ei", "EM", "DU"};
    return loop.size() >= expected.size() && loop.mid(0, expected.size()) == expected;
}
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void theProgramFindsTheSimulatorAndPollsIt() {
        QProcess simulator;
        simulator.start(QStringLiteral(AMPSIM_BIN),
                        {"--type", "QT34", "--com", "2", "--log", "simulator.log"});
        QVERIFY(simulator.waitForStarted());
        QVERIFY(simulator.waitForReadyRead(5000)); // its start line: the port link exists now
        QVERIFY(QFile::exists(QStringLiteral("ports/COM2")));

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(VANTORIA_BIN), {});
        QVERIFY(program.waitForStarted());

        QElapsedTimer clock;
        clock.start();
        QStringList commands;
        while (clock.elapsed() < 10000 && !pollingLoopReached(commands)) {
            QTest::qWait(100);
            commands = receivedCommands(QStringLiteral("simulator.log"));
        }
        // A second start in the same folder says so and ends, changing nothing.
        const QByteArray settings = readAll(QStringLiteral("Vantoria.ini"));
        QProcess second;
        second.setReadChannel(QProcess::StandardError);
        second.start(QStringLiteral(VANTORIA_BIN), {});
        QVERIFY(second.waitForStarted());
        QByteArray said;
        while (!said.contains("Vantoria") && second.waitForReadyRead(10000))
            said += second.readAllStandardError();
        QVERIFY2(said.contains("Vantoria"), said.constData());
        second.terminate();
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(readAll(QStringLiteral("Vantoria.ini")), settings);

        // Logging out sends SIGTERM: the program ends the normal way, with its settings written.
        const QDateTime before = QFileInfo(QStringLiteral("Vantoria.ini")).lastModified();
        QTest::qWait(20);
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFileInfo(QStringLiteral("Vantoria.ini")).lastModified() > before);
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(5000));
        QVERIFY2(pollingLoopReached(commands), qPrintable(commands.join(' ')));
        QVERIFY(QFile::exists(QStringLiteral("Vantoria.ini"))); // installed on the first start
        QVERIFY(!QFile::exists(QStringLiteral("ports/COM2")));  // the simulator cleaned up
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
