// The history page over a real SQLite store in the working folder: paging, filter and search, the marks,
// the export's bytes, notes, the trend and the caption.

#include "Testing.h"
#include "records/HistoryPage.h"
#include "records/RecordsCsv.h"
#include "records/RecordsModel.h"
#include "records/SqliteStore.h"
#include "settings/LanguageApplier.h"

#include <QTableView>
#include <QTextDocumentFragment>
#include <qcustomplot.h>

using namespace records;

namespace {
const QString Hostile = QStringLiteral("'; DROP TABLE records; --");
const QString Quoted = QStringLiteral("Say \"hi\", then\nnext line");

// Vantoria.db with `n` records of three machines, one an hour, record 0 the oldest; comments by record.
void writeRecords(int n, const QMap<int, QString>& comments = {}) {
    for (const char* name : {"Vantoria.db", "Vantoria.db-wal", "Vantoria.db-shm"})
        QFile::remove(QString::fromLatin1(name));
    auto store = SqliteStore::open("Vantoria.db");
    QList<Record> all;
    for (int i = 0; i < n; ++i) {
        Record r;
        r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        r.takenAt = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC).addSecs(3600LL * i);
        r.machine = QStringLiteral("Press %1").arg(QChar('A' + i % 3)), r.unit = QStringLiteral("kN");
        r.channels = {400.0 + i, 410.5, 395.0, 402.0}, r.totalKn = 1607.5 + i;
        r.deviation = i % 15, r.tolerance = 10, r.withinTolerance = i % 15 <= 10;
        r.utcOffsetMin = 60, r.comment = comments.value(i);
        all << r;
    }
    QString error;
    QVERIFY2(store->keepFromServer(all, {}, &error), qPrintable(error));
}

struct HistoryWindow : TestWindow {
    HistoryWindow() { control<QTabWidget>("tabSystem")->setCurrentWidget(control("tabHistory")); }
    HistoryPage& page() const { return window->history(); }
    RecordsModel& model() const { return page().model(); }
    void filter(const QString& machine, const QString& search = {}) {
        auto* combo = control<QComboBox>("comboHistoryMachine");
        combo->setCurrentIndex(machine.isEmpty() ? 0 : combo->findData(machine));
        edit("editHistorySearch")->setText(search);
        page().applyFilter();
    }
    void choose(int row) const {
        control<QTableView>("tableRecords")->setCurrentIndex(model().index(row, 0));
    }
    QString cell(int row, int column, int role = Qt::DisplayRole) const {
        return model().data(model().index(row, column), role).toString();
    }
};
} // namespace

class HistoryPageTest : public QObject {
    Q_OBJECT

private slots:
    void csvLineQuotesOnlyWhatNeedsIt() {
        QCOMPARE(csvLine({"a", "b c", ""}, ";"), "a;b c;\r\n");
        QCOMPARE(csvLine({"x;y", "say \"hi\"", "two\nlines", "cr\r", "a\tb"}, ";"),
                 "\"x;y\";\"say \"\"hi\"\"\";\"two\nlines\";\"cr\r\";\"a\tb\"\r\n");
        QCOMPARE(csvLine({"x;y", "1,5"}, ","), "x;y,\"1,5\"\r\n");
        QCOMPARE(csvLine({"a", "b"}, "::"), "a::b\r\n");
    }

    void theTableReadsAPageAtATimeNewestFirst() {
        writeRecords(1000);
        HistoryWindow w;
        RecordsModel& model = w.model();
        QVERIFY(model.rowCount() == RecordsModel::PageSize && model.total() == 1000 && model.canFetchMore());
        while (model.canFetchMore())
            model.fetchMore();
        // Row 0 is record 999, shown at UTC+1.
        QVERIFY(model.rowCount() == 1000 && w.cell(0, RecordsModel::Time) == "2025-02-11 16:00");
        for (int row = 1; row < 1000; ++row) // a fetch that restarts at 0 repeats the newest
            QVERIFY(model.record(row - 1).takenAt > model.record(row).takenAt);
    }

    void filterAndSearchFindHostileTextsVerbatim() {
        writeRecords(1000, {{500, Hostile}, {502, Quoted}});
        HistoryWindow w;
        QCOMPARE(w.control<QComboBox>("comboHistoryMachine")->count(), 4);
        w.filter("Press B");
        QCOMPARE(w.model().total(), 333);
        for (int row = 0; row < w.model().rowCount(); ++row)
            QCOMPARE(w.model().record(row).machine, "Press B");
        w.filter({}, Hostile);
        QVERIFY(w.model().total() == 1 && w.model().record(0).comment == Hostile);
        w.filter("Press B", "\"HI\"");
        QVERIFY(w.model().total() == 1 && w.model().record(0).comment == Quoted);
        // Typing waits for the next key: the table is not read at every key.
        w.edit("editHistorySearch")->setText("no such text");
        QCOMPARE(w.model().total(), 1);
        w.filter({});
        QCOMPARE(w.model().total(), 1000);
    }

    void toleranceMarksAndLongTextsReadWithoutColour() {
        const QString longText = QStringLiteral("First line\n") + QString(9989, QLatin1Char('x'));
        writeRecords(15, {{14, longText}});
        HistoryWindow w;
        // Newest first: row 0 is record 14 (outside), row 4 is record 10 (at the tolerance, inside).
        QVERIFY(w.cell(0, RecordsModel::Tolerance) == "\u2717" &&
                w.cell(4, RecordsModel::Tolerance) == "\u2713");
        const QColor out(w.cell(0, RecordsModel::Tolerance, Qt::DecorationRole));
        const QColor in(w.cell(4, RecordsModel::Tolerance, Qt::DecorationRole));
        QVERIFY(out.red() > out.green() && in.green() > in.red());
        QVERIFY(w.cell(0, RecordsModel::Tolerance, Qt::ToolTipRole).contains("10"));
        const QString shown = w.cell(0, RecordsModel::Comment);
        QVERIFY(shown.startsWith("First line") && shown.size() < 100 && !shown.contains('\n'));
        const QString tip = w.cell(0, RecordsModel::Comment, Qt::ToolTipRole);
        QCOMPARE(QTextDocumentFragment::fromHtml(tip).toPlainText(), longText);
    }

    void theExportHoldsEveryFilteredRecordQuoted() {
        writeRecords(1003, {{502, Quoted}});
        HistoryWindow w;
        w.edit("editCRVDelimiter")->setText(",");
        w.filter("Press B");
        QCOMPARE(w.model().rowCount(), RecordsModel::PageSize); // fewer read than exported
        w.dialogs.saveAnswers = {"records"};
        w.button("btnRecordsExport")->click();
        const QByteArray bytes = readFile("records.csv");
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF") && bytes.count("\r\n") == 1 + 334);
        QVERIFY(bytes.contains(",\"Say \"\"hi\"\", then\nnext line\","));
        const QList<QByteArray> lines = bytes.mid(3).split('\n');
        QVERIFY(lines[0].startsWith("Datum und Zeit,Maschine,"));
        QVERIFY(lines[1].startsWith("2025-02-11 17:00:00,Press B,,,2607.5,1400,410.5,395,402,10,\u2713"));
        QVERIFY(w.dialogs.notices.last().contains("334"));
        w.filter({}); // more records than the export reads at once
        w.dialogs.saveAnswers = {"all.csv"};
        w.button("btnRecordsExport")->click();
        QCOMPARE(readFile("all.csv").count("\r\n"), 1 + 1003);
    }

    // Any PC of the plant may have typed a record's texts: one that a spreadsheet would run as a formula is
    // exported as text. A text with "=" inside and the numbers, negative ones too, stay as they are.
    void theExportWritesFormulaLikeTextsAsText() {
        writeRecords(0);
        Record r;
        r.id = QStringLiteral("0d9e2f5c-6b1a-4f7e-9c3d-2a8b7e6f5d4c");
        r.takenAt = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC), r.utcOffsetMin = 60;
        r.machine = "=1+1", r.comment = "+SUM(1;2)", r.operatorName = "-2+3", r.note = "@A1";
        r.serialNr = "\t=1+1", r.host = "\r=2+2", r.port = "a=b", r.unit = "kN";
        r.channels = {-12.5, 0.0, 395.0, -0.25}, r.totalKn = -1607.5;
        QString error;
        QVERIFY2(SqliteStore::open("Vantoria.db")->keepFromServer({r}, {}, &error), qPrintable(error));
        HistoryWindow w;
        w.edit("editCRVDelimiter")->setText(";");
        w.dialogs.saveAnswers = {"formulas"};
        w.button("btnRecordsExport")->click();
        QCOMPARE(QString::fromUtf8(readFile("formulas.csv").split('\n').value(1)),
                 "2025-01-01 01:00:00;'=1+1;\"'+SUM(1;2)\";'-2+3;-1607.5;-12.5;0;395;-0.25;;\u2013;'@A1;"
                 "\"'\t=1+1\";kN;;;;a=b;;\"'\r=2+2\";" +
                     r.id + "\r");
    }

    // A note, the protocol of the chosen record, and a record stored while the page is shown or not.
    void aNoteIsAddedAndAStoredRecordIsReadWhenThePageIsShown() {
        writeRecords(30);
        HistoryWindow w;
        w.dialogs.textAnswers = {"bolts\nretightened"};
        w.button("btnRecordNote")->click(); // nothing chosen: nothing asked
        QVERIFY(w.dialogs.textQuestions.isEmpty());
        w.choose(3);
        const Record before = w.model().record(3);
        w.button("btnRecordNote")->click();
        QVERIFY(w.dialogs.textQuestions.size() == 1 && w.dialogs.errors.isEmpty());
        Record after = w.model().record(3);
        QVERIFY(after.note.endsWith("bolts\nretightened") &&
                w.cell(3, RecordsModel::Note, Qt::ToolTipRole).contains("retightened"));
        QCOMPARE((after.note = before.note, after), before);
        QVERIFY(w.page().selectedRecord().has_value()); // the selection survives the new reading

        w.dialogs.saveAnswers = {"real"}; // the window's own protocol writer
        w.button("btnProtocol")->click();
        QVERIFY(readFile("real.pdf").startsWith("%PDF"));
        QString written;
        w.page().setProtocolWriter([&](const Record& r, const QString& path, QString*) {
            written = r.id + QLatin1Char(' ') + path;
            return true;
        });
        w.dialogs.saveAnswers = {"check"};
        w.button("btnProtocol")->click();
        QCOMPARE(written, before.id + " check.pdf");

        w.choose(5);
        const QString chosen = w.model().record(5).id;
        Record r = w.model().record(0);
        const auto store = [&] {
            r.id = QUuid::createUuid().toString(QUuid::WithoutBraces), r.machine = QStringLiteral("Press Z");
            r.takenAt = r.takenAt.addSecs(60);
            QString error;
            QVERIFY2(w.window->recordStore()->insert(r, &error), qPrintable(error));
            w.page().recordsChanged();
        };
        store();
        QVERIFY(w.model().total() == 31 && w.model().record(0).id == r.id);
        QCOMPARE(w.page().selectedRecord()->id, chosen);
        QVERIFY(w.control<QComboBox>("comboHistoryMachine")->findData("Press Z") > 0);
        auto* tabs = w.control<QTabWidget>("tabSystem");
        tabs->setCurrentIndex(0);
        store();
        QCOMPARE(w.model().total(), 31); // away from the page nothing is read
        tabs->setCurrentWidget(w.control("tabHistory"));
        QCOMPARE(w.model().total(), 32);
    }

    void theTrendHasOnePointPerRecordOfTheMachineOldestFirst() {
        writeRecords(90);
        HistoryWindow w;
        auto* chart = w.control<QCustomPlot>("chartHistory");
        w.choose(0); // record 89, Press C
        for (int graph = 0; graph < 5; ++graph) {
            const auto data = chart->graph(graph)->data();
            const QDateTime first = QDateTime(QDate(2025, 1, 1), QTime(2, 0), Qt::UTC); // record 2
            QVERIFY(data->size() == 30 && data->at(0)->key == first.toSecsSinceEpoch());
            for (int n = 1; n < 30; ++n)
                QCOMPARE(data->at(n)->key - data->at(n - 1)->key, 3 * 3600.0);
        }
        QCOMPARE(chart->graph(0)->data()->at(29)->value, 489.0);
    }

    void thePageCaptionFollowsTheLanguage() {
        HistoryWindow w;
        QTabWidget* pages = w.control<QTabWidget>("tabSystem");
        const int index = pages->indexOf(w.control("tabHistory"));
        QCOMPARE(index, 4);
        for (const auto& [button, caption] :
             {std::pair{"btnEnglish", "History"}, {"btnItalian", "Storico"}, {"btnGerman", "Verlauf"}}) {
            w.button(button)->setChecked(true);
            w.window->languageApplier().ApplyLanguage();
            QCOMPARE(pages->tabText(index), QString::fromLatin1(caption));
        }
    }
};

QTEST_MAIN(HistoryPageTest)
#include "test_history_page.moc"
