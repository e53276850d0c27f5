// The data log: its rows, saving them as a new file or appended to one, and the journal that keeps them
// through a crash.

#include "Testing.h"

#include <QApplication>
#include <QTextBlock>

#include <csignal>

namespace {
DataLog& logOf(TestWindow& w) { return w.window->dataLog(); }

// The row of the example: unit kN, four channels, sensors in error, totals, machine data, time and date.
void exampleReadings(TestWindow& w) {
    CycleSnapshot& cycle = w.state.cycleSnapshot;
    cycle.unit = 2;
    const char* texts[] = {"120", "-35", "E01", "7", "23", "410", "42"}; // the four channels, then the totals
    for (int n = 0; n < 7; ++n)
        cycle.texts[8 + n] = QString::fromLatin1(texts[n]);
    w.edit("editMachine")->setText(QStringLiteral("M1"));
    w.edit("editSerialNr")->setText(QStringLiteral("S-5"));
    w.edit("editComment")->clear();
    w.label("labelTime")->setText(QStringLiteral("14:03:07"));
    w.label("labelDate")->setText(QStringLiteral("02.01.2026"));
}

void save(TestWindow& w, const QString& name) {
    w.dialogs.saveAnswers = {name};
    w.window->btnCSVSaveClick();
}

const QByteArray ExampleRow =
    "kN;120;-35;E01;7;E01;E01;E01;E01;E01;E01;E01;E01;23;410;42;M1;S-5;;14:03:07;02.01.2026";

// Run as a process of its own: rows logged, the user's last steps in the log's box and on the graph page,
// a tick of the graph's timer, then killed as the system kills a program, with nothing closed.
[[noreturn]] void killedAfter(const QByteArray& steps) {
    SimulatedRig rig; // connected, so that the graph page's buttons work
    TestWindow& w = rig.w();
    if (!rig.connect())
        std::abort();
    w.button("btnMeasurement")->click();
    for (int i = 0; i < 3; ++i) {
        exampleReadings(w);
        w.edit("editComment")->setText(QString::number(i));
        logOf(w).appendRow();
    }
    w.window->show();
    w.control<QTabWidget>("tabSystem")->setCurrentWidget(w.control("tabGraph"));
    QPlainTextEdit* box = w.memo("memoCSV");
    box->show(); // debug mode
    for (const QByteArray& step : steps.split(',')) {
        if (step == "edit") { // the row with comment 1 removed, one typed at the end
            const QTextBlock row = box->document()->findBlockByNumber(2);
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {},
                              box->cursorRect(QTextCursor(row)).center());
            QTest::keyClick(box, Qt::Key_Home);
            QTest::keyClick(box, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClicks(box, "typed;row");
        } else if (step == "clear") {
            QTest::mouseClick(w.button("btnGraphClear"), Qt::LeftButton);
        } else if (step == "row") {
            w.edit("editComment")->setText("new");
            logOf(w).appendRow();
        } else if (step == "tick") {
            w.window->timerGraphTimer();
        }
    }
    raise(SIGKILL);
    std::abort();
}
} // namespace

class TestDataLog : public QObject {
    Q_OBJECT

private slots:
    void init() { freshFolder(); }

    void aNewFileHoldsHeaderAndRowsAndAppendingAddsOnlyRowsTheFileLacks() {
        TestWindow w;
        exampleReadings(w);
        logOf(w).appendRow();
        logOf(w).appendRow();
        save(w, QStringLiteral("log"));
        QCOMPARE(w.dialogs.saveRequests.last().filter, QStringLiteral("CSV (*.csv)|*.CSV"));
        // The sensor captions' epsilon is no Windows-1252 character: the file is UTF-8 with a mark.
        const QByteArray header = "\xEF\xBB\xBF" + logOf(w).header().toUtf8() + "\r\n";
        QCOMPARE(readFile(QStringLiteral("log.csv")), header + ExampleRow + "\r\n" + ExampleRow + "\r\n");
        QCOMPARE(w.dialogs.saveRequests.size(), 1);
        save(w, QStringLiteral("log.csv"));
        QCOMPARE(w.dialogs.saveRequests.last().fileName, QString()); // emptied after each save
        QCOMPARE(readFile(QStringLiteral("log.csv")).count(ExampleRow), 2);
        logOf(w).appendRow();
        save(w, QStringLiteral("LOG.CSV"));
        const QByteArray rows = QByteArray(ExampleRow + "\r\n").repeated(3);
        QCOMPARE(readFile(QStringLiteral("LOG.CSV")), header + rows); // new, under the name typed
        save(w, QStringLiteral("log.csv"));
        save(w, QStringLiteral("./log.csv")); // the same file by another name
        QCOMPARE(readFile(QStringLiteral("log.csv")), header + rows);
        QVERIFY(w.statusLine(2).startsWith(QStringLiteral("0 ")) && w.statusLine(2).contains("log.csv"));
        QVERIFY(w.dialogs.errors.isEmpty());

        w.window->btnGraphClearClick();
        save(w, QStringLiteral("empty"));
        QCOMPARE(readFile(QStringLiteral("empty.csv")), header);
        w.edit("editCRVDelimiter")->setText(QStringLiteral(", ")); // the whole delimiter joins the fields
        w.edit("editComment")->setText(QStringLiteral("Werkzeug\r\nB"));
        logOf(w).appendRow();
        const QStringList fields = logOf(w).lines().value(1).split(QStringLiteral(", "));
        QCOMPARE(fields.size(), 21);
        QCOMPARE(fields[18], QStringLiteral("Werkzeug  B")); // a line break would split the row
        QCOMPARE(logOf(w).rowCount(), 1);
    }

    // Appended to a file that is there: the rows in the file's own encoding, on a line of their own, and
    // no header when the file has a first line already or is empty.
    void appendingKeepsTheFilesEncodingAndStartsOnALineOfItsOwn_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("between");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("UTF-8, no line end")
            << QByteArray("\xEF\xBB\xBF") + "A;B" << QByteArray("\r\n") << true;
        QTest::newRow("Windows-1252") << QByteArray("Ma\xDF\r\n") << QByteArray() << false;
        QTest::newRow("ends like UTF-8 begins") << QByteArray("h\r\nCaf\xE9") << QByteArray("\r\n") << false;
        QTest::newRow("another's, a lone CR") << QByteArray("Einheit\r") << QByteArray() << true;
        QTest::newRow("empty") << QByteArray() << QByteArray() << true;
    }
    void appendingKeepsTheFilesEncodingAndStartsOnALineOfItsOwn() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, between);
        QFETCH(bool, utf8);
        TestWindow w;
        exampleReadings(w);
        w.edit("editMachine")->setText(QString::fromUtf8("M\u00fcller"));
        logOf(w).appendRow();
        logOf(w).appendRow();
        const QString row = logOf(w).lines().value(1) + "\r\n";
        writeFile("there.csv", before);
        save(w, "there.csv");
        QCOMPARE(readFile("there.csv"),
                 before + between + (utf8 ? row.toUtf8() : textfile::toWindows1252(row)).repeated(2));
        QVERIFY(w.dialogs.errors.isEmpty());
    }

    // A journal on a full disk keeps whole rows only and says so once; a save that cannot be done is
    // reported and loses nothing.
    void aJournalOrSaveOnAFullDiskOrAWrongFileLosesNothingAndSaysSo() {
        TestWindow w;
        exampleReadings(w);
        logOf(w).appendRow();
        {
            DiskFull full(ExampleRow.size() + 20); // room for one row and part of the next
            logOf(w).appendRow();
            logOf(w).appendRow();
        }
        logOf(w).appendRow();
        QCOMPARE(readFile(QString::fromLatin1(Journal::DefaultFileName)),
                 QByteArray(ExampleRow + "\n").repeated(2));
        QCOMPARE(w.dialogs.notices.size(), 1);
        QCOMPARE(logOf(w).rowCount(), 4);
        save(w, QStringLiteral("missing.csv")); // a new file, under the name typed
        QVERIFY(readFile(QStringLiteral("missing.csv")).endsWith(ExampleRow + "\r\n"));
        QDir().mkdir(QStringLiteral("folder.csv"));
        writeFile(QStringLiteral("picture.csv"), QByteArray("\x89PNG\r\n\x1A\n\0\0", 10));
        save(w, QStringLiteral("folder.csv"));
        save(w, QStringLiteral("picture.csv"));
        writeFile(QStringLiteral("kept.csv"), "old\r\n");
        {
            DiskFull full;
            save(w, QStringLiteral("kept")); // a new file replacing kept.csv
            save(w, QStringLiteral("kept.csv"));
        }
        QCOMPARE(w.dialogs.errors.size(), 4);
        for (const char* name : {"folder.csv", "picture.csv", "kept.csv", "kept.csv"})
            QVERIFY2(w.dialogs.errors.join('\n').contains(QLatin1String(name)), name);
        QVERIFY(!w.dialogs.errors.join('\n').contains(QStringLiteral("Unknown error")));
        QCOMPARE(readFile(QStringLiteral("kept.csv")), QByteArray("old\r\n"));
        QCOMPARE(readFile(QStringLiteral("picture.csv")).size(), 10);
        w.dialogs.saveAnswers = {std::nullopt}; // the name stays for a retry; a cancel does not save
        w.window->btnCSVSaveClick();
        QCOMPARE(w.dialogs.saveRequests.last().fileName, QStringLiteral("kept.csv"));
        QCOMPARE(w.dialogs.errors.size(), 4);
        QCOMPARE(logOf(w).rowCount(), 4);

        const QString small = QDir::current().absoluteFilePath(QStringLiteral("small"));
        std::optional<SmallFileSystem> disk(std::in_place, small, "size=16k");
        QVERIFY(disk->mounted());
        writeFile(small + QStringLiteral("/filler"),
                  QByteArray(8 * 1024, 'x')); // half of it: a write in part
        for (int i = 0; i < 96; ++i)
            logOf(w).appendRow();
        save(w, small + QStringLiteral("/shift"));
        disk.reset();
        QVERIFY2(w.dialogs.errors.value(4).contains(QStringLiteral("No space left on device")),
                 qPrintable(w.dialogs.errors.value(4)));
    }

    void editsInTheVisibleLogAreWhatIsSavedAndAStaleBoxNever() {
        TestWindow w;
        exampleReadings(w);
        logOf(w).appendRow();
        w.window->show();
        w.memo("memoCSV")->show(); // debug mode, while its page is not shown
        logOf(w).appendRow();
        save(w, QStringLiteral("stale"));
        QCOMPARE(readFile(QStringLiteral("stale.csv")).count(ExampleRow), 2);
        logOf(w).clear();
        logOf(w).appendRow();
        w.control<QTabWidget>("tabSystem")->setCurrentWidget(w.control("tabGraph"));
        QCOMPARE(w.memo("memoCSV")->toPlainText(), logOf(w).lines().join('\n'));
        w.memo("memoCSV")->appendPlainText(QStringLiteral("typed;row")); // as the user types
        save(w, QStringLiteral("edited"));
        QVERIFY(readFile(QStringLiteral("edited.csv")).endsWith(ExampleRow + "\r\ntyped;row\r\n"));
        QCOMPARE(logOf(w).rowCount(), 2);
        logOf(w).appendRow(); // the program's own row in the box is no edit of the user's
        save(w, QStringLiteral("edited.csv"));
        QCOMPARE(readFile(QStringLiteral("edited.csv")).count(ExampleRow), 2);
    }

    // The amplifier reports its unit once connected, after the header was first made at the start.
    void theHeaderNamesTheUnitOfTheRowsUnderIt() {
        SimulatedRig rig;
        rig.sim().amplifier().setUnit(2); // kN
        QVERIFY(rig.connect());
        rig.w().button("btnMeasurement")->click();
        rig.w().button("btnGraphStartStop")->click();
        const auto sampled = [&] { return rig.window().timerGraphTimer(), logOf(rig.w()).rowCount() > 0; };
        QVERIFY(rig.tickUntil(sampled, 400));
        const QStringList header = logOf(rig.w()).header().split(';');
        const QStringList row = logOf(rig.w()).lines().value(1).split(';');
        QCOMPARE(row[0] + " | " + header[5] + " | " + header[12], "kN | Sensor 1.1 [kN] | Sensor 4.2 [kN]");
    }

    // What the user last saw in the log comes back after the program is killed, not what it logged: rows
    // the user removed stay removed, a row typed is kept, a cleared log stays empty. The rows come back
    // once, drawn and saveable without an amplifier, and are never deleted unsaved.
    void afterAKillExactlyTheRowsTheUserLastSawComeBack_data() {
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<QStringList>("comments");
        QTest::newRow("edited, then a tick") << QByteArray("edit,tick") << QStringList{"0", "2", "typed;row"};
        QTest::newRow("edited, then a row")
            << QByteArray("edit,row") << QStringList{"0", "2", "typed;row", "new"};
        QTest::newRow("cleared") << QByteArray("clear,tick") << QStringList{};
        QTest::newRow("edited, cleared, a row") << QByteArray("edit,clear,row") << QStringList{"new"};
        QTest::newRow("cleared, rows, edited")
            << QByteArray("clear,row,row,row,edit,tick") << QStringList{"new", "new", "typed;row"};
    }
    void afterAKillExactlyTheRowsTheUserLastSawComeBack() {
        QFETCH(QByteArray, steps);
        QFETCH(QStringList, comments);
        QProcess killed;
        killed.start(QCoreApplication::applicationFilePath(), {"--killed-after", steps});
        QVERIFY(killed.waitForFinished(60000));
        QCOMPARE(killed.exitStatus(), QProcess::CrashExit);
        QCOMPARE(killed.exitCode(), SIGKILL);
        QFile journal(QString::fromLatin1(Journal::DefaultFileName));
        QVERIFY(journal.open(QIODevice::Append));
        journal.write("kN;12"); // a last row, cut short by the kill: dropped
        journal.close();
        TestWindow next;
        QStringList found;
        for (const QString& row : logOf(next).lines().mid(1))
            found << (row.startsWith("typed") ? row : row.section(';', 18, 18));
        QCOMPARE(found, comments);
        if (steps != "edit,tick")
            return;
        QCOMPARE(next.dialogs.notices.size(), 1);
        QVERIFY(next.dialogs.notices[0].contains(QStringLiteral("3")));
        QCOMPARE(readFile(journal.fileName()), (logOf(next).lines().mid(1).join('\n') + '\n').toUtf8());
        QCOMPARE(next.window->graph().pointCount(0), std::size_t(2));
        QVERIFY(next.button("btnCSVSave")->isEnabled());
        next.dialogs.saveChoices = {Dialogs::SaveChoice::Cancel, Dialogs::SaveChoice::Discard};
        QVERIFY(!next.window->FormClose());
        QVERIFY(next.dialogs.questions.last().contains(QStringLiteral("3")));
        QVERIFY(next.window->FormClose(false)); // ended by a signal: nobody asked, the rows kept
        QVERIFY(QFile::exists(journal.fileName()));
        QVERIFY(next.window->FormClose());
        QVERIFY(!QFile::exists(journal.fileName()));
        logOf(next).appendRow();
        next.dialogs.saveChoices = {Dialogs::SaveChoice::Save};
        next.dialogs.saveAnswers = {QStringLiteral("rescued")};
        QVERIFY(next.window->FormClose());
        QCOMPARE(readFile(QStringLiteral("rescued.csv")).count("\r\n"), 1 + 4);
        QVERIFY(!QFile::exists(journal.fileName()));
        QVERIFY(next.window->FormClose()); // all saved: no question
        QCOMPARE(next.dialogs.questions.size(), 3);
        next.window->btnGraphClearClick();
        QVERIFY(!next.button("btnCSVSave")->isEnabled());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--killed-after") == 0)
        killedAfter(argv[2]);
    TestDataLog test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_data_log.moc"
