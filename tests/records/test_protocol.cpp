// The protocol page as a quality system reads it back: its text (pdftotext), its page count, its verdict,
// and what happens when the file cannot be written.

#include "TestWindow.h"
#include "records/ProtocolOutput.h"
#include "records/SqliteStore.h"

#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace records;

namespace {
Record sample(bool passed) {
    Record r;
    r.id = passed ? QStringLiteral("4f7c1a2e-9b3d-4e8a-a1c5-0d2e6f8b9a10")
                  : QStringLiteral("0b9e8d7c-6a5f-4e3d-9c2b-1a0f9e8d7c6b");
    r.takenAt = QDateTime(QDate(2026, 3, 7), QTime(8, 5, 3), Qt::UTC);
    r.utcOffsetMin = 60;
    r.machine = QStringLiteral("KM-350 Halle 2");
    r.unit = QStringLiteral("\u00b5m/m");
    r.channels = {512.0, 498.0, 505.0, passed ? 489.0 : 441.0};
    r.mainValue = 501;
    r.totalKn = 2468;
    r.totalTons = 251.6;
    r.deviation = passed ? 4.7 : 16.1;
    r.tolerance = 10;
    r.withinTolerance = passed;
    return r;
}

// The page's text laid out as printed, or the tool's complaint.
QString pdfText(const QString& path) {
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    tool.waitForFinished(30000);
    return QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
}

int pages(const QString& path) {
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {path});
    tool.waitForFinished(30000);
    const QString info = QString::fromUtf8(tool.readAllStandardOutput());
    return info.section(QStringLiteral("Pages:"), 1).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
}

// The program as a quality system starts it: in `folder`, with no display and no platform chosen.
std::pair<int, QString> vantoria(const QString& folder, const QStringList& arguments) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder);
    program.start(QStringLiteral(VANTORIA_BIN), arguments);
    program.waitForFinished(60000);
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardError())};
}
} // namespace

class TestProtocol : public QObject {
    Q_OBJECT

private slots:
    void theVerdictNamesPassOrFailWithTheValuesAndTheId() {
        for (const bool passed : {true, false}) {
            const Record r = sample(passed);
            QString error;
            QVERIFY2(
                writeProtocolPdf(QStringLiteral("p.pdf"), r, {sample(true), r}, protocolTexts("EN"), &error),
                qPrintable(error));
            const QString text = pdfText(QStringLiteral("p.pdf"));
            QVERIFY2(text.contains(r.machine), qPrintable(text));
            for (const auto& value : r.channels)
                QVERIFY(text.contains(QString::number(*value)));
            QCOMPARE(text.contains(QStringLiteral("PASS")), passed);
            QCOMPARE(text.contains(QStringLiteral("FAIL")), !passed);
            QVERIFY(text.contains(r.id));
            QVERIFY(text.contains(QStringLiteral("2026-03-07 09:05:03 (UTC+01:00)")));
            QCOMPARE(pages(QStringLiteral("p.pdf")), 1);
        }
    }

    void thePrinterGetsTheSamePageOnWhateverPaper() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("printed.pdf"));
        printer.setPageSize(QPageSize(QPageSize::Letter));
        QVERIFY(printProtocol(printer, sample(false), {}, protocolTexts("IT"), nullptr));
        QCOMPARE(pages(QStringLiteral("printed.pdf")), 1);
        const QString text = pdfText(QStringLiteral("printed.pdf"));
        QVERIFY2(text.contains(QStringLiteral("NON CONFORME")) && text.contains(sample(false).id),
                 qPrintable(text));
    }

    void aGermanProgramWritesAGermanProtocol() {
        QString error;
        QVERIFY(writeProtocolPdf(QStringLiteral("de.pdf"), sample(false), {}, protocolTexts("DE"), &error));
        const QString text = pdfText(QStringLiteral("de.pdf"));
        QVERIFY2(text.contains(QStringLiteral("Schlie\u00dfkraftprotokoll")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("NICHT BESTANDEN")));
        QVERIFY(text.contains(QStringLiteral("251,6")));
        QVERIFY(text.contains(QStringLiteral("07.03.2026 09:05:03")));
        QVERIFY(!text.contains(QStringLiteral("FAIL")));
    }

    void withoutADeviationThereIsNoVerdict() {
        Record r = sample(true);
        r.deviation.reset();
        QVERIFY(writeProtocolPdf(QStringLiteral("none.pdf"), r, {r}, protocolTexts("EN"), nullptr));
        const QString text = pdfText(QStringLiteral("none.pdf"));
        QVERIFY2(text.contains(QStringLiteral("NO VERDICT")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("PASS")) && !text.contains(QStringLiteral("FAIL")));
    }

    void hostileTextsAreCutToTheirSpaceOnOnePage() {
        Record r = sample(true);
        QString hostile;
        for (int i = 0; hostile.size() < 10000; ++i)
            hostile += QStringLiteral("'; DROP TABLE records; -- \"%1\"\r\n").arg(i);
        r.comment = hostile;
        r.machine = QStringLiteral("M") + QString(10000, QLatin1Char('W'));
        r.note = hostile;
        r.operatorName = QString(10000, QChar(0x00c4));
        QVERIFY(writeProtocolPdf(QStringLiteral("long.pdf"), r, {r}, protocolTexts("EN"), nullptr));
        QCOMPARE(pages(QStringLiteral("long.pdf")), 1);
        const QString text = pdfText(QStringLiteral("long.pdf"));
        QVERIFY2(text.contains(QStringLiteral("DROP TABLE records; -- \"0\"")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("\"12\"")));          // the comment and note end after lines
        QVERIFY(text.contains(QStringLiteral("Inspector / date"))); // what follows them is still there
        QVERIFY(text.contains(r.id));
        QVERIFY(text.contains(QStringLiteral("WW\u2026")));
    }

    void aFileThatCannotBeWrittenIsNamedWithItsReasonAndLeavesNothing() {
        QDir().mkpath(QStringLiteral("w/folder"));
        for (const QString& path : {QStringLiteral("w/missing/p.pdf"), QStringLiteral("w/folder")}) {
            QString error;
            QVERIFY(!writeProtocolPdf(path, sample(true), {}, protocolTexts("EN"), &error));
            QVERIFY2(error.contains(path) && error.size() > path.size() + 40, qPrintable(error));
        }
        QCOMPARE(QDir(QStringLiteral("w")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{"folder"});
        QVERIFY(QDir(QStringLiteral("w/folder")).isEmpty());
        // A disk that fills up while the file is written: a limit on file sizes makes writing fail the same
        // way.
        QVERIFY(writeProtocolPdf(QStringLiteral("w/folder/kept.pdf"), sample(true), {}, protocolTexts("EN"),
                                 nullptr));
        const QByteArray kept = readFile(QStringLiteral("w/folder/kept.pdf"));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{}, small{};
        getrlimit(RLIMIT_FSIZE, &limit);
        small = {10000, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        QString error;
        const bool written = writeProtocolPdf(QStringLiteral("w/folder/kept.pdf"), sample(false), {},
                                              protocolTexts("EN"), &error);
        setrlimit(RLIMIT_FSIZE, &limit);
        QVERIFY(!written);
        QVERIFY2(
            error.endsWith(QStringLiteral("kept.pdf\": ") + QString::fromLocal8Bit(std::strerror(EFBIG))),
            qPrintable(error));
        QCOMPARE(QDir(QStringLiteral("w/folder")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"kept.pdf"});
        QCOMPARE(readFile(QStringLiteral("w/folder/kept.pdf")), kept);
    }

    void theCommandWritesARecordsProtocolWithItsMachinesTrendUpToIt() {
        QDir().mkpath(QStringLiteral("cmd"));
        writeSettingsWith({{1, "EN"}}, QStringLiteral("cmd/Vantoria.ini"));
        Record older = sample(true), other = sample(true), newest = sample(false);
        other.id = QStringLiteral("7d1e2f3a-4b5c-4d6e-8f70-8192a3b4c5d6");
        other.machine = QStringLiteral("Other press");
        other.takenAt = older.takenAt.addDays(1);
        newest.takenAt = older.takenAt.addDays(2);
        Record unnamed = other; // an empty machine name is a machine of its own, not every machine
        unnamed.id = QStringLiteral("5e6f7a8b-9c0d-4e1f-a2b3-c4d5e6f7a8b9");
        unnamed.machine.clear();
        unnamed.takenAt = older.takenAt.addSecs(36 * 3600);
        {
            const auto store = SqliteStore::open(QStringLiteral("cmd/Vantoria.db"));
            for (const Record& r : {older, other, newest, unnamed})
                QVERIFY(store->insert(r, nullptr));
        }
        QCOMPARE(vantoria("cmd", {"--protocol", "last", "last.pdf"}).first, 0);
        QString text = pdfText(QStringLiteral("cmd/last.pdf"));
        QVERIFY2(text.contains(newest.id) && text.contains(QStringLiteral("FAIL")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("the last 2 records")));
        // An id as a quality system may write it; newer records of its machine stay out of its trend.
        const QString asked = QLatin1Char('{') + older.id.toUpper() + QLatin1Char('}');
        QCOMPARE(vantoria("cmd", {"--protocol", asked, QDir().absoluteFilePath("older.pdf")}).first, 0);
        text = pdfText(QStringLiteral("older.pdf"));
        QVERIFY2(text.contains(older.id) && text.contains(QStringLiteral("the last 1 records")),
                 qPrintable(text));
        QCOMPARE(vantoria("cmd", {"--protocol", unnamed.id, "unnamed.pdf"}).first, 0);
        QVERIFY(pdfText(QStringLiteral("cmd/unnamed.pdf")).contains(QStringLiteral("the last 1 records")));

        for (const auto& [folder, which, file, reason] :
             {std::tuple{"cmd", "0a0a0a0a-0000-4000-8000-000000000000", "x.pdf", "0a0a0a0a-0000-4000-8000"},
              std::tuple{"cmd", "last", "missing/x.pdf", "missing/x.pdf"},
              std::tuple{".", "last", "x.pdf", "Vantoria.db"}}) {
            const auto [code, error] = vantoria(folder, {"--protocol", which, file});
            QCOMPARE(code, 1);
            QVERIFY2(error.contains(QLatin1String(reason)), qPrintable(error));
            QVERIFY(!QFile::exists(QDir(folder).filePath(file)));
        }
        QVERIFY(!QFile::exists(QStringLiteral("Vantoria.db")));
        QCOMPARE(vantoria("cmd", {"--protocol", "last"}).first, 1);
    }
};

QTEST_MAIN(TestProtocol)
#include "test_protocol.moc"
