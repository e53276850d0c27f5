// The data log: its rows, saving them as a new file or appended to one, and the journal that keeps them
// through a crash.

#include "TestWindow.h"
#include "graph/DataLog.h"
#include "graph/Journal.h"
#include "settings/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>

namespace {
DataLog& logOf(TestWindow& w) { return w.window->dataLog(); }

// The row of the example: unit kN, four channels, sensors in error, totals, machine data, time and date.
void exampleReadings(TestWindow& w) {
    w.state.deviceUnit = 2;
    w.state.readingText.fill(QStringLiteral("E01"));
    const char* channels[] = {"120", "-35", "E01", "7"};
    for (int n = 0; n < 4; ++n)
        w.state.readingText[8 + n] = QString::fromLatin1(channels[n]);
    w.state.readingText[12] = QStringLiteral("23");
    w.state.readingText[13] = QStringLiteral("410");
    w.state.readingText[14] = QStringLiteral("42");
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
} // namespace

class TestDataLog : public QObject {
    Q_OBJECT

private slots:
    void init() {
        writeSettingsFile(settingsLayout());
        QFile::remove(QString::fromLatin1(Journal::DefaultFileName)); // windows of earlier tests "crashed"
    }

    void aRowHoldsItsFieldsInColumnOrderJoinedByTheWholeDelimiter() {
        TestWindow w;
        exampleReadings(w);
        logOf(w).appendRow();
        QCOMPARE(logOf(w).lines().value(1).toLatin1(), ExampleRow);
        w.edit("editCRVDelimiter")->setText(QStringLiteral(", "));
        w.edit("editComment")->setText(QStringLiteral("Werkzeug\r\nB"));
        logOf(w).appendRow();
        const QStringList fields = logOf(w).lines().value(2).split(QStringLiteral(", "));
        QCOMPARE(fields.size(), 21);
        QCOMPARE(fields[18], QStringLiteral("Werkzeug  B")); // a line break would split the row
        QCOMPARE(logOf(w).rowCount(), 2);
    }

    void aNewFileHoldsHeaderAndRowsAndAppendingAddsTheRowsAgain() {
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
        QCOMPARE(readFile(QStringLiteral("log.csv")).count(ExampleRow), 4);
        QVERIFY(readFile(QStringLiteral("log.csv")).startsWith(header));
        QCOMPARE(readFile(QStringLiteral("log.csv")).count("Einheit"), 1);
        QVERIFY(w.dialogs.errors.isEmpty());

        w.window->btnGraphClearClick();
        save(w, QStringLiteral("empty"));
        QCOMPARE(readFile(QStringLiteral("empty.csv")), header);
    }

    void appendingKeepsTheFilesEncodingAndStartsOnALineOfItsOwn() {
        TestWindow w;
        exampleReadings(w);
        w.edit("editMachine")->setText(QString::fromUtf8("Müller"));
        logOf(w).appendRow();
        const QByteArray row = logOf(w).lines().value(1).toUtf8();
        writeFile(QStringLiteral("utf8.csv"), "\xEF\xBB\xBF"
                                              "A;B"); // no line end after the last line
        save(w, QStringLiteral("utf8.csv"));
        QCOMPARE(readFile(QStringLiteral("utf8.csv")), "\xEF\xBB\xBF"
                                                       "A;B\r\n" +
                                                           row + "\r\n");
        writeFile(QStringLiteral("ansi.csv"), "Ma\xDF\r\n");
        save(w, QStringLiteral("ansi.csv"));
        QCOMPARE(readFile(QStringLiteral("ansi.csv")),
                 "Ma\xDF\r\n" + textfile::toWindows1252(QString::fromUtf8(row)) + "\r\n");
        QVERIFY(w.dialogs.errors.isEmpty());
    }

    void aSaveThatCannotBeDoneIsReportedAndLosesNothing() {
        TestWindow w;
        exampleReadings(w);
        logOf(w).appendRow();
        save(w, QStringLiteral("missing.csv")); // append mode needs the file
        QVERIFY(!QFile::exists(QStringLiteral("missing.csv")));
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
        QCOMPARE(w.dialogs.errors.size(), 5);
        for (const char* name : {"missing.csv", "folder.csv", "picture.csv", "kept.csv", "kept.csv"})
            QVERIFY2(w.dialogs.errors.join('\n').contains(QLatin1String(name)), name);
        QCOMPARE(readFile(QStringLiteral("kept.csv")), QByteArray("old\r\n"));
        QCOMPARE(readFile(QStringLiteral("picture.csv")).size(), 10);
        w.dialogs.saveAnswers = {std::nullopt}; // the name stays for a retry; a cancel does not save
        w.window->btnCSVSaveClick();
        QCOMPARE(w.dialogs.saveRequests.last().fileName, QStringLiteral("kept.csv"));
        QCOMPARE(w.dialogs.errors.size(), 5);
        QCOMPARE(logOf(w).rowCount(), 1);
    }

    void editsInTheVisibleLogAreWhatIsSaved() {
        TestWindow w;
        exampleReadings(w);
        logOf(w).appendRow();
        w.window->show();
        w.memo("memoCSV")->show(); // debug mode
        w.control<QTabWidget>("tabSystem")->setCurrentWidget(w.control("tabGraph"));
        QCOMPARE(w.memo("memoCSV")->toPlainText(), logOf(w).lines().join('\n'));
        w.memo("memoCSV")->appendPlainText(QStringLiteral("typed;row")); // as the user types
        save(w, QStringLiteral("edited"));
        QVERIFY(readFile(QStringLiteral("edited.csv")).endsWith(ExampleRow + "\r\ntyped;row\r\n"));
        QCOMPARE(logOf(w).rowCount(), 2);
    }

    void theJournalBringsBackTheRowsOfARecordingThatDidNotEndNormally() {
        {
            TestWindow crashed;
            exampleReadings(crashed);
            logOf(crashed).appendRow();
            logOf(crashed).appendRow();
        } // gone without closing, as in a crash
        QFile journal(QString::fromLatin1(Journal::DefaultFileName));
        QVERIFY(journal.open(QIODevice::Append));
        journal.write("kN;12"); // the last row, cut short
        journal.close();

        TestWindow next;
        QCOMPARE(logOf(next).rowCount(), 2);
        QCOMPARE(logOf(next).lines().value(2).toLatin1(), ExampleRow);
        QCOMPARE(next.dialogs.notices.size(), 1);
        QVERIFY(next.dialogs.notices[0].contains(QStringLiteral("2")));
        QCOMPARE(readFile(QString::fromLatin1(Journal::DefaultFileName)),
                 ExampleRow + "\n" + ExampleRow + "\n");
        next.window->btnGraphClearClick();
        QCOMPARE(readFile(QString::fromLatin1(Journal::DefaultFileName)), QByteArray());
        QVERIFY(next.window->FormClose());
        QVERIFY(!QFile::exists(QString::fromLatin1(Journal::DefaultFileName)));
    }
};

QTEST_MAIN(TestDataLog)
#include "test_data_log.moc"
