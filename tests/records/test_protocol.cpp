// The protocol page as a quality system reads it back: its text (pdftotext), its page count, its verdict,
// and what happens when the file cannot be written.

#include "RecordsTesting.h"
#include "records/ProtocolOutput.h"

#include <QPrinter>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace records;

namespace {
Record sample(bool passed) {
    Record r;
    r.id = passed ? "4f7c1a2e-9b3d-4e8a-a1c5-0d2e6f8b9a10" : "0b9e8d7c-6a5f-4e3d-9c2b-1a0f9e8d7c6b";
    r.takenAt = QDateTime(QDate(2026, 3, 7), QTime(8, 5, 3), Qt::UTC), r.utcOffsetMin = 60;
    r.machine = "KM-350 Halle 2", r.unit = "\u00b5m/m", r.tonsUnit = "t", r.sensorUnit = r.unit;
    r.channels = {512.0, 498.0, 505.0, passed ? 489.0 : 441.0}, r.mainValue = 501, r.totalKn = 2468;
    r.totalTons = 251.6, r.deviation = passed ? 4.7 : 16.1, r.tolerance = 10, r.withinTolerance = passed;
    return r;
}

// The program as a quality system starts it: in `folder`, with no display and no platform chosen.
std::pair<int, QString> vantoria(const QString& folder, const QStringList& arguments) {
    return runHeadless(QStringLiteral(VANTORIA_BIN), folder, arguments);
}
} // namespace

class TestProtocol : public QObject {
    Q_OBJECT

private slots:
    // Each language's verdict beside the values, the id and the local time; none without a deviation.
    void theVerdictNamesPassOrFailWithTheValuesAndTheId() {
        Record none = sample(true), over = sample(false), usTons = sample(true);
        none.deviation.reset(), none.zeroedAt = QDateTime();
        over.deviation = 500; // over the display's range, as an older file keeps it
        // With what an inspection asks for besides the values.
        usTons.unit = usTons.sensorUnit = "kN", usTons.tonsUnit = "US t",
        usTons.sensors = {11, 12, 13, 14, 15, 16, 17, 18.5};
        usTons.machine = "KM-350 Halle 2, Presse mit dem langen Namen der Linie Nord, Schicht B";
        usTons.zeroedAt = usTons.takenAt.addSecs(-3600), usTons.operatorName = "Eva Roth";
        // What each shows and what it must not, '|' between the parts.
        for (const auto& [r, language, shown, absent] :
             {std::tuple{sample(true), "EN", "PASS|2026-03-07 09:05:03 (UTC+01:00)", "FAIL"},
              {sample(false), "EN", "FAIL|2026-03-07 09:05:03 (UTC+01:00)", "PASS"},
              {sample(false), "DE", "NICHT BESTANDEN|251,6|07.03.2026 09:05:03|nicht bekannt", "FAIL"},
              {none, "EN", "NO VERDICT|not zeroed since the program started", "PASS|FAIL"},
              {usTons, "EN",
               "US t|Sensors [kN]|Channels in \u00b5\u03b5 not shown (records: 1)|18.5|zeroed: 2026-03-07 "
               "08:05:03|Schicht B|largest / smallest",
               "\u00b5m/m"},
              {over, "EN", "FAIL|> 99|the scale: > 99", "500 %|500\u00a0%"}}) {
            QString error;
            QVERIFY2(writeProtocolPdf("p.pdf", r, {sample(true), r}, protocolTexts(language), &error),
                     qPrintable(error));
            const QString text = pdfText("p.pdf");
            QVERIFY2(text.contains(r.machine.left(14)) && text.contains(r.id) && text.count('\f') == 1,
                     qPrintable(text));
            for (const auto& value : r.channels)
                QVERIFY(text.contains(QString::number(*value)));
            if (!r.operatorName.isEmpty()) // among the details, and printed under the signature line
                QCOMPARE(text.count(r.operatorName), 2);
            for (const QString& part : QString::fromUtf8(shown).split('|'))
                QVERIFY2(text.contains(part), qPrintable(part + " in " + language));
            for (const QString& part : QString::fromUtf8(absent).split('|'))
                QVERIFY2(!text.contains(part), qPrintable(part + " in " + language));
        }
    }

    // Every field of a record where it belongs, with its unit, each line as pdftotext lays the page out.
    void everyFieldStandsOnItsLineWithItsUnit() {
        QVERIFY(writeProtocolPdf("full.pdf", fullRecord(), {fullRecord()}, protocolTexts("EN"), nullptr));
        QStringList lines;
        for (const QString& line : pdfText("full.pdf").split('\n'))
            lines << line.simplified();
        QStringList missing;
        for (const char* line :
             {"Serial number SN 4711 Port COM7", "Operator Eva Roth Program Vantoria 4.0.3",
              "Date and time 2026-03-07 09:05:03 (UTC+01:00) Computer press-pc-7",
              "Comment nach Werkzeugwechsel", "512.5 kN 498.25 kN Average 501.38 kN", "Total force 2005.5 kN",
              "1 2 Total force 225.4 US t", "Deviation 5%", "Tolerance 10 %", "505 kN 489.75 kN",
              "Deviation 5 % within the tolerance of 10 %", "2.05 206.5 kN/mm² 120 mm kN",
              "1.1 1.2 2.1 2.2 3.1 3.2 4.1 4.2", "Sensors [µε]", "11.5 12.5 13.5 14.5 15.5 16.5 17.5 18.5",
              "Note Holm 4 nachgezogen", "Eva Roth",
              "Record ID: 5d1c0e7a-3b2f-4c8d-9e6a-7f1b2c3d4e5f VP-1 rev. 1 · Page 1 of 1"})
            if (!lines.contains(QString::fromUtf8(line)))
                missing << QString::fromUtf8(line);
        if (lines.filter("zeroed: 2026-03-07 08:02:09 (UTC+01:00)").size() != 1)
            missing << "zeroed";
        QCOMPARE(missing, QStringList());
    }

    // The printer gets the same page on whatever paper; hostile texts are cut to their space on it.
    void hostileTextsAreCutToTheirSpaceOnOnePrintedPage() {
        Record r = sample(false);
        QString hostile;
        for (int i = 0; hostile.size() < 10000; ++i)
            hostile += QStringLiteral("'; DROP TABLE records; -- \"%1\"\r\n").arg(i);
        r.comment = r.note = hostile, r.machine = "M" + QString(10000, QLatin1Char('W'));
        r.operatorName = QString(10000, QChar(0x00c4));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName("long.pdf");
        printer.setPageSize(QPageSize(QPageSize::Letter));
        QVERIFY(printProtocol(printer, r, {r}, protocolTexts("IT"), nullptr));
        const QString text = pdfText("long.pdf");
        QVERIFY2(text.contains("NON CONFORME") && text.contains("DROP TABLE records; -- \"0\"") &&
                     text.count('\f') == 1,
                 qPrintable(text));
        // The comment and note end after lines; what follows them is still there.
        QVERIFY(!text.contains("\"12\"") && text.contains("Misurato da / data") && text.contains(r.id) &&
                text.contains("WW\u2026"));
    }

    void aFileThatCannotBeWrittenIsNamedWithItsReasonAndLeavesNothing() {
        QDir().mkpath("w/folder");
        for (const QString path : {"w/missing/p.pdf", "w/folder"}) {
            QString error;
            QVERIFY(!writeProtocolPdf(path, sample(true), {}, protocolTexts("EN"), &error));
            QVERIFY2(error.contains(path) && error.size() > path.size() + 40, qPrintable(error));
        }
        QCOMPARE(QDir("w").entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{"folder"});
        QVERIFY(QDir("w/folder").isEmpty());
        // A disk that fills up while the file is written: a limit on file sizes makes writing fail the same
        // way.
        QVERIFY(writeProtocolPdf("w/folder/kept.pdf", sample(true), {}, protocolTexts("EN"), nullptr));
        const QByteArray kept = readFile("w/folder/kept.pdf");
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{10000, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        QString error;
        const bool written =
            writeProtocolPdf("w/folder/kept.pdf", sample(false), {}, protocolTexts("EN"), &error);
        setrlimit(RLIMIT_FSIZE, &limit);
        QVERIFY2(!written && error.endsWith("kept.pdf\": " + QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(error));
        QCOMPARE(QDir("w/folder").entryList(QDir::Files | QDir::Hidden), QStringList{"kept.pdf"});
        QCOMPARE(readFile("w/folder/kept.pdf"), kept);
    }

    void theCommandWritesARecordsProtocolWithItsMachinesTrendUpToIt() {
        QDir().mkpath("cmd");
        writeSettingsWith({{1, "EN"}}, "cmd/Vantoria.ini");
        writeFile("cmd/Records.ini", "form = QS-17 rev. 4\n");
        Record older = sample(true), other = sample(true), newest = sample(false);
        other.id = "7d1e2f3a-4b5c-4d6e-8f70-8192a3b4c5d6", other.machine = "Other press";
        other.takenAt = older.takenAt.addDays(1), newest.takenAt = older.takenAt.addDays(2);
        Record unnamed = other; // an empty machine name is a machine of its own, not every machine
        unnamed.id = "5e6f7a8b-9c0d-4e1f-a2b3-c4d5e6f7a8b9", unnamed.machine.clear();
        unnamed.takenAt = older.takenAt.addSecs(36 * 3600);
        for (const Record& r : {older, other, unnamed, newest}) // the last one stored is "last"
            QVERIFY(SqliteStore::open("cmd/Vantoria.db")->insert(r, nullptr));
        QCOMPARE(vantoria("cmd", {"--protocol", "last", "last.pdf"}).first, 0);
        QString text = pdfText("cmd/last.pdf");
        QVERIFY2(text.contains(newest.id) && text.contains("FAIL") && text.contains("the last 2 records") &&
                     text.contains("QS-17 rev. 4"),
                 qPrintable(text));
        // An id as a quality system may write it; newer records of its machine stay out of its trend.
        const QString asked = QLatin1Char('{') + older.id.toUpper() + QLatin1Char('}');
        QCOMPARE(vantoria("cmd", {"--protocol", asked, QDir().absoluteFilePath("older.pdf")}).first, 0);
        text = pdfText("older.pdf");
        QVERIFY2(text.contains(older.id) && text.contains("the last record of"), qPrintable(text));
        QCOMPARE(vantoria("cmd", {"--protocol", unnamed.id, "unnamed.pdf"}).first, 0);
        QVERIFY(pdfText("cmd/unnamed.pdf").contains("the last record of"));

        for (const auto& [folder, which, file, reason] :
             {std::tuple{"cmd", "0a0a0a0a-0000-4000-8000-000000000000", "x.pdf", "0a0a0a0a-0000-4000-8000"},
              std::tuple{"cmd", "last", "missing/x.pdf", "missing/x.pdf"},
              std::tuple{".", "last", "x.pdf", "Vantoria.db"}}) {
            const auto [code, error] = vantoria(folder, {"--protocol", which, file});
            QVERIFY2(code == 1 && error.contains(QLatin1String(reason)), qPrintable(error));
            QVERIFY(!QFile::exists(QDir(folder).filePath(file)));
        }
        QVERIFY(!QFile::exists("Vantoria.db"));
        QCOMPARE(vantoria("cmd", {"--protocol", "last"}).first, 1);
    }
};

QTEST_MAIN(TestProtocol)
#include "test_protocol.moc"
