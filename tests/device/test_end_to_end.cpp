// The program as a user starts it, beside the simulator as a separate process: from a terminal it must find
// the amplifier by the automatic search and settle into the polling loop; from the desktop menu it must do
// the same in its user folder, keep a second start out, and, where that folder cannot be used, say so and run
// on.

#include "Testing.h"
#include "app/SingleInstance.h"
#include <QElapsedTimer>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>

#include <csignal>

namespace {
// The commands the simulator received, from its byte log ("   1520 RX P0").
QStringList receivedCommands(const QString& logPath) {
    static const QRegularExpression line(QStringLiteral("^\\s*\\d+ RX (\\S+)"),
                                         QRegularExpression::MultilineOption);
    QStringList commands;
    for (const QRegularExpressionMatch& match : line.globalMatch(QString::fromLatin1(readFile(logPath))))
        commands.append(match.captured(1));
    return commands;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A start from the desktop menu: in the home folder, with --user-folder.
QProcessEnvironment launcherEnvironment(const QString& home, const QString& xdgDataHome) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("TMPDIR"), QDir::current().absoluteFilePath(QStringLiteral("tmp")));
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en")); // English texts, the system's too
    if (xdgDataHome.isEmpty())
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
    else
        environment.insert(QStringLiteral("XDG_DATA_HOME"), xdgDataHome);
    return environment;
}

// Whether the polling loop showed in the simulator's log within 10 s; what the log holds if not.
bool awaitPollingLoop(const QString& log) {
    QElapsedTimer clock;
    clock.start();
    QStringList commands;
    for (; clock.elapsed() < 10000; QTest::qWait(100)) {
        commands = receivedCommands(log);
        const qsizetype identify = commands.indexOf(QStringLiteral("P0"));
        if (identify >= 0 && commands.mid(identify + 1, 6) == QStringList{"Ei", "EM", "DU", "Ei", "EM", "DU"})
            return true;
    }
    qWarning() << "the simulator received" << commands;
    return false;
}

// A start of the program in `folder`, its standard error output read by the test.
void startProgram(QProcess& program, const QString& folder, const QProcessEnvironment& environment,
                  const QStringList& arguments) {
    program.setReadChannel(QProcess::StandardError);
    program.setWorkingDirectory(folder);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VANTORIA_BIN), arguments);
}

// The simulator as a process of its own in folder; its port link exists once it has said its first line.
bool startSimulator(QProcess& simulator, const QString& folder, const QString& log) {
    simulator.setWorkingDirectory(folder);
    simulator.start(QStringLiteral(AMPSIM_BIN), {"--type", "QT34", "--com", "2", "--log", log});
    return simulator.waitForStarted() && simulator.waitForReadyRead(5000);
}

// How a process ends on the signals: "normal exit 0" when it ends the normal way.
QString endOn(QProcess& process, const QList<int>& sent = {SIGTERM}) {
    for (const int signal : sent)
        ::kill(pid_t(process.processId()), signal);
    if (!process.waitForFinished(10000))
        return QStringLiteral("still running");
    return QStringLiteral("%1 exit %2")
        .arg(process.exitStatus() == QProcess::NormalExit ? "normal" : "crashed")
        .arg(process.exitCode());
}

// What the program wrote to its standard error output until it said `expected`, or was silent for 10 s.
QByteArray awaitSaying(QProcess& program, const QByteArray& expected) {
    QByteArray said;
    while (!said.contains(expected) && program.waitForReadyRead(10000))
        said += program.readAllStandardError();
    return said;
}
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    // Started from a terminal, the program finds the simulator by the automatic search and polls it. Logging
    // out, shutting down or Ctrl+C while the data log holds rows no save has written (here those a crash
    // left): it ends at once and asks nothing, with its settings written and the rows kept in the journal.
    // The second start takes them back, which shows when its own end keeps them again. A second signal
    // while it ends changes nothing.
    void anEndBySignalAsksNothingAndKeepsTheUnsavedRows_data() {
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM};
        QTest::newRow("SIGHUP") << QList<int>{SIGHUP};
        QTest::newRow("SIGINT, then SIGTERM") << QList<int>{SIGINT, SIGTERM};
    }

    void anEndBySignalAsksNothingAndKeepsTheUnsavedRows() {
        QFETCH(QList<int>, sent);
        const QString folder = QDir::current().absoluteFilePath(QString::number(sent[0]));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray rows = "µε;401;407;387;407;405;398;408;409;391;384;405;408;401;2645;270;;;;"
                                "21:13:26;07.12.2026\n"
                                "µε;402;406;388;407;404;399;407;409;392;385;405;408;401;2647;270;;;;"
                                "21:13:27;07.12.2026\n";
        writeFile(folder + QStringLiteral("/Vantoria.journal"), rows);
        for (int start = 1; start <= 2; ++start) {
            QProcess simulator, program;
            const QString log = QStringLiteral("simulator%1.log").arg(start);
            QVERIFY(startSimulator(simulator, folder, log));
            startProgram(program, folder, QProcessEnvironment::systemEnvironment(), {});
            // Polling shows its event loop runs, where the signals are handled.
            QVERIFY(awaitPollingLoop(folder + QLatin1Char('/') + log));
            const QString settings = folder + QStringLiteral("/Vantoria.ini");
            QVERIFY(QFile::remove(settings)); // to be written again on the way out
            QCOMPARE(endOn(program, sent), QStringLiteral("normal exit 0"));
            QVERIFY(QFile::exists(settings));
            QCOMPARE(readFile(folder + QStringLiteral("/Vantoria.journal")), rows);
            QCOMPARE(endOn(simulator), QStringLiteral("normal exit 0"));
            QVERIFY(!QFile::exists(folder + QStringLiteral("/ports/COM2"))); // the simulator cleaned up
        }
    }

    void aLauncherStartWorksInTheUserFolderAndLeavesTheHomeFolderAlone() {
        const QString home = QDir::current().absoluteFilePath(QStringLiteral("home"));
        const QString folder = home + QStringLiteral("/.local/share/Vantoria");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(QStringLiteral("tmp")));
        QProcess simulator, program; // the amplifier's link lives in the user folder, where the program looks
        QVERIFY(startSimulator(simulator, folder, QStringLiteral("../simulator.log")));
        startProgram(program, home, launcherEnvironment(home, QString()), {"--user-folder"});
        QVERIFY(awaitPollingLoop(home + QStringLiteral("/.local/share/simulator.log")));
        for (const char* seeded : {"Vantoria.ini", "German.txt", "English.txt", "Italian.txt", "KELVARA.url"})
            QVERIFY2(QFile::exists(folder + QLatin1Char('/') + QLatin1String(seeded)), seeded);

        // A second start from the menu: the first answers; it ends by itself, says so and changes nothing.
        const QByteArray settings = readFile(folder + QStringLiteral("/Vantoria.ini"));
        QProcess second;
        startProgram(second, home, launcherEnvironment(home, QString()), {"--user-folder"});
        QCOMPARE(endOn(second, {}), QStringLiteral("normal exit 0"));
        QCOMPARE(second.readAllStandardError(), QByteArray("Vantoria already runs in this folder.\n"));
        QCOMPARE(readFile(folder + QStringLiteral("/Vantoria.ini")), settings);
        QCOMPARE(endOn(program), QStringLiteral("normal exit 0"));
        QCOMPARE(endOn(simulator), QStringLiteral("normal exit 0"));
        QCOMPARE(entries(home), QStringList({QStringLiteral(".local")}));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/Vantoria.lock")));
    }

    void aSecondStartThatGetsNoAnswerSaysSoAndEnds() {
        writeFile(QStringLiteral("Vantoria.ini"), shippedFile(QStringLiteral("Vantoria.ini"))); // German
        QLockFile lock(QStringLiteral("Vantoria.lock"));
        QVERIFY(lock.tryLock(0));
        single_instance::FirstInstance hung(QDir::currentPath()); // this thread never serves it
        QProcess second;
        startProgram(second, QDir::currentPath(), QProcessEnvironment::systemEnvironment(), {});
        QVERIFY(awaitSaying(second, "antwortet aber nicht").contains("antwortet aber nicht"));
        QVERIFY(endOn(second) != QStringLiteral("still running"));
    }

    // A lock left behind by an instance that was killed, naming the process id the system hands the next
    // start (Windows gives freed ids out again soon): that start runs and polls instead of waiting for an
    // answer from itself, and removes the lock at its end.
    void aLockLeftBehindNamingTheNewStartsIdDoesNotStopIt() {
        QProcess simulator, program;
        QVERIFY(startSimulator(simulator, QDir::currentPath(), QStringLiteral("simulator.log")));
        writeFile(QStringLiteral("lock-rest"), QSysInfo::machineHostName().toUtf8() + '\n' +
                                                   QSysInfo::machineUniqueId() + '\n' +
                                                   QSysInfo::bootUniqueId() + '\n');
        // The shell writes the lock with its own id, then becomes the program and keeps the id.
        program.setReadChannel(QProcess::StandardError);
        program.start(QStringLiteral("/bin/sh"),
                      {"-c", "{ echo $$; echo vantoria; cat lock-rest; } >Vantoria.lock && exec \"$0\"",
                       QStringLiteral(VANTORIA_BIN)});
        QVERIFY(awaitPollingLoop(QStringLiteral("simulator.log")));
        QCOMPARE(endOn(program), QStringLiteral("normal exit 0"));
        QVERIFY(!QFile::exists(QStringLiteral("Vantoria.lock")));
        QCOMPARE(endOn(simulator), QStringLiteral("normal exit 0"));
    }

    void anUnknownOptionIsAUsageErrorEvenWithoutADisplay() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        QVERIFY(QDir().mkpath(QStringLiteral("options")));
        QProcess program;
        startProgram(program, QStringLiteral("options"), environment, {"--user-folder", "-x"});
        QCOMPARE(endOn(program, {}), QStringLiteral("normal exit 2"));
        const QByteArray said = program.readAllStandardError();
        QVERIFY2(said.startsWith("vantoria: unknown option 'x'\nUsage:"), said.constData());
        QCOMPARE(entries(QStringLiteral("options")), QStringList()); // it did not start
    }

    // A start from the menu whose user folder cannot be used: it says so, runs in a temporary folder, ends
    // the normal way and leaves nothing behind, in the home folder or in the temporary one.
    void aLauncherStartWithAnUnusableFolderSaysSoAndRunsOnAStandIn_data() {
        QTest::addColumn<QString>("mount"); // the home folder a small file system mounted with these options
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("XDG_DATA_HOME a file") << QString() << QByteArray("data/Vantoria");
        QTest::newRow("full") << "size=16k" << QByteArray("No space left on device");
        QTest::newRow("read-only") << "ro,size=16k" << QByteArray("Read-only file system");
    }

    void aLauncherStartWithAnUnusableFolderSaysSoAndRunsOnAStandIn() {
        QFETCH(QString, mount);
        QFETCH(QByteArray, expected);
        const QString home = QDir::current().absoluteFilePath(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir().mkpath(QStringLiteral("tmp")));
        const QString data = QDir::current().absoluteFilePath(QStringLiteral("data"));
        std::optional<SmallFileSystem> disk;
        if (mount.isEmpty()) {
            writeFile(data, {}); // no folder can be made in a file
        } else {
            QVERIFY(disk.emplace(home, mount).mounted());
            QFile filler(home + QStringLiteral("/filler"));
            if (filler.open(QIODevice::WriteOnly)) // a full disk: no byte more fits
                while (filler.write(QByteArray(1024, 'x')) > 0 && filler.flush()) {
                }
        }
        const QStringList before = entries(home);
        QProcess program;
        startProgram(program, home, launcherEnvironment(home, mount.isEmpty() ? data : QString()),
                     {"--user-folder"});
        const QByteArray said = awaitSaying(program, expected);
        QVERIFY2(said.contains(expected), said.constData());
        const QStringList standIns = entries(QStringLiteral("tmp"));
        QCOMPARE(standIns.size(), 1);
        QVERIFY(QFile::exists(QStringLiteral("tmp/") + standIns[0] + QStringLiteral("/Vantoria.ini")));
        QCOMPARE(endOn(program), QStringLiteral("normal exit 0"));
        QCOMPARE(entries(QStringLiteral("tmp")), QStringList()); // the stand-in went with the program
        QStringList after = entries(home);
        after.removeAll(QStringLiteral(".local")); // the part of the path that could still be made
        QCOMPARE(after, before);
        QCOMPARE(readFile(data), QByteArray());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
