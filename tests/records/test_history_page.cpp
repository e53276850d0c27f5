// The history page over a real SQLite store in the working folder: paging by key, searches read off the
// window's thread, filter and search, the marks, the export's bytes, notes, the trend and the caption.

#include "RecordsTesting.h"
#include "records/HistoryPage.h"
#include "records/Protocol.h"
#include "records/RecordsCsv.h"
#include "records/RecordsModel.h"
#include "records/RecordsReader.h"
#include "settings/LanguageApplier.h"

#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTextDocumentFragment>
#include <qcustomplot.h>

using namespace records;

namespace {
const QString Hostile = QStringLiteral("'; DROP TABLE records; --");
const QString Quoted = QStringLiteral("Say \"hi\", then\nnext line");

Record record(int i, const QString& comment = {}) {
    Record r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.takenAt = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC).addSecs(3600LL * i);
    r.machine = QString("Press ") + QChar('A' + i % 3), r.unit = r.sensorUnit = "kN", r.tonsUnit = "t";
    r.channels = {400.0 + i, 410.5, 395.0, 402.0}, r.totalKn = 1607.5 + i, r.utcOffsetMin = 60;
    r.deviation = i % 15, r.tolerance = 10, r.withinTolerance = i % 15 <= 10, r.comment = comment;
    return r;
}

// Vantoria.db with `n` records of three machines, one an hour, record 0 the oldest; comments by record.
void writeRecords(int n, const QMap<int, QString>& comments = {}) {
    for (const char* name : {"Vantoria.db", "Vantoria.db-wal", "Vantoria.db-shm"})
        QFile::remove(QString::fromLatin1(name));
    auto store = SqliteStore::open("Vantoria.db");
    QList<Record> all;
    for (int i = 0; i < n; ++i)
        all << record(i, comments.value(i));
    QString error;
    QVERIFY2(store->keepFromServer(all, {}, &error), qPrintable(error));
}

// `n` older records of "Press F", a minute apart, that say "hay" but every 5,000th "needle".
void addHay(int n) {
    const QString sql =
        QStringLiteral("WITH RECURSIVE i(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM i WHERE n < %1) INSERT "
                       "INTO records (id, nr, taken_at, utc_offset_min, machine, serial_nr, comment, "
                       "operator, amplifier, port, unit, program, host, note) SELECT 'hay-' || n, 100000 + "
                       "n, strftime('%Y-%m-%dT%H:%M:%fZ', 1500000000 + n * 60, 'unixepoch'), 0, 'Press F', "
                       "'', iif(n % 5000, 'hay', 'needle'), '', '', '', 'kN', '', '', '' FROM i");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hay");
        db.setDatabaseName("Vantoria.db");
        QVERIFY(db.open() && QSqlQuery(db).exec(sql.arg(n)));
    }
    QSqlDatabase::removeDatabase("hay");
}

struct HistoryWindow : TestWindow {
    HistoryWindow() {
        window->show();
        control<QTabWidget>("tabSystem")->setCurrentWidget(control("tabHistory"));
    }
    HistoryPage& page() const { return window->history(); }
    RecordsModel& model() const { return page().model(); }
    QTableView* table() const { return control<QTableView>("tableRecords"); }
    // The filter's reading and count are done.
    bool settled(const QString& search = {}) const {
        return QTest::qWaitFor(
            [&] { return model().filter().search == search && !model().reading() && model().total() >= 0; });
    }
    void type(const QString& search) const {
        edit("editHistorySearch")->clear();
        for (const QChar c : search) // as a German or Italian keyboard sends its letters
            QTest::sendKeyEvent(QTest::Click, edit("editHistorySearch"), Qt::Key_unknown, QString(c), {});
    }
    bool search(const QString& text) const { return type(text), settled(text); }
    // A save dialog answered with `name`, then the button clicked.
    void saveAs(const QString& name, const char* button) {
        dialogs.saveAnswers = {name};
        QTest::mouseClick(this->button(button), Qt::LeftButton);
    }
    void chooseMachine(const QString& machine) const {
        auto* combo = control<QComboBox>("comboHistoryMachine");
        const int wanted = machine.isEmpty() ? 0 : combo->findData(machine);
        while (wanted >= 0 && combo->currentIndex() != wanted)
            QTest::keyClick(combo, combo->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    }
    void choose(int row) const {
        table()->scrollTo(model().index(row, 1));
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          table()->visualRect(model().index(row, 1)).center());
    }
    QString cell(int row, int column, int role = Qt::DisplayRole) const {
        return model().data(model().index(row, column), role).toString();
    }
};
} // namespace

class HistoryPageTest : public QObject {
    Q_OBJECT

private slots:
    // Records of the same second, split across pages; a search that finds little goes in steps.
    void pagesContinueAfterTheirLastKeyAndSearchesGoInSteps() {
        writeRecords(30, {{2, "needle"}, {25, "Needle"}, {26, "hay"}});
        auto store = SqliteStore::open("Vantoria.db");
        QList<Record> twins; // of record 29's time, stored after it
        for (int i = 0; i < 3; ++i)
            QVERIFY(store->insert(twins.emplaceFront(record(29)), nullptr));
        QList<Record> all;
        for (Page p{{}, {}, false}; !p.end;)
            all += (p = store->page({}, p.next, 3)).records;
        QCOMPARE(all.mid(0, 3), twins); // the same time: the one stored last first
        QVERIFY(all.size() == 33 && all[3].takenAt == twins[0].takenAt && all[4].takenAt < all[3].takenAt);
        for (const Filter& filter : {Filter{{}, "NEEDLE"}, Filter{"Press B", "needle"}}) {
            QStringList found;
            int steps = 0, emptySteps = 0, counted = 0;
            for (Page p{{}, {}, false}; !p.end && steps < 20; ++steps) {
                p = store->scan(filter, p.next, 10, 5);
                emptySteps += p.records.isEmpty() && !p.end;
                for (const Record& r : p.records)
                    found << r.comment;
            }
            bool end = false;
            for (PageKey from; !end;)
                counted += store->countWithin(filter, &from, 7, &end);
            const bool all = filter.machine.isEmpty(); // record 25 is of Press B, record 2 of Press C
            QCOMPARE(found, (all ? QStringList{"Needle", "needle"} : QStringList{"Needle"}));
            QVERIFY(steps == (all ? 7 : 3) && emptySteps > 0 && counted == found.size());
        }
        const Page upper = store->page({}, {}, 10), through = store->scan({}, {}, 100, 0, upper.next);
        QVERIFY(through.records == upper.records && through.next == upper.next && !through.end);
    }

    // Rows of a superseded search must never show, not even those on their way when the user changes it.
    void aSearchRunsBesideTheWindowAndOnlyTheNewestShows() {
        writeRecords(1000, {{500, Hostile}, {502, Quoted}});
        addHay(45000);
        HistoryWindow w;
        QVERIFY(w.settled());
        QStringList states, stale;
        connect(&w.model(), &RecordsModel::stateChanged, this, [&] { states << w.page().statusText(); });
        connect(&w.model(), &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex&, int a, int b) {
            const Filter f = w.model().filter();
            for (int row = a; row <= b; ++row) {
                const Record& r = w.model().record(row);
                if (!(r.machine + r.comment).contains(f.search, Qt::CaseInsensitive) ||
                    (!f.machine.isEmpty() && r.machine != f.machine))
                    stale << r.comment;
            }
        });
        w.type("NEEDLE");
        QVERIFY(QTest::qWaitFor([&] { return w.model().rowCount() > 0; }));
        w.chooseMachine("Press B"); // while the needles still come
        QVERIFY(w.settled("NEEDLE") && w.model().rowCount() == 0);
        QVERIFY(w.search("\"HI\""));
        QVERIFY(w.model().total() == 1 && w.model().record(0).comment == Quoted);
        QVERIFY(states.contains("Suche l\u00e4uft \u2026") && states.last() == "1 Messungen");
        w.chooseMachine({});
        QVERIFY(w.search("needle"));
        QCOMPARE(w.model().total(), 9);
        QVERIFY(w.search(Hostile) && w.model().total() == 1 && w.model().record(0).comment == Hostile);
        w.type({});
        w.chooseMachine("Press B");
        QVERIFY(w.settled() && w.model().total() == 333 && stale.isEmpty());
        QCOMPARE(w.control<QComboBox>("comboHistoryMachine")->count(), 5);
        // A superseded search stops at its next step: of its three steps with needles, only the one under
        // way when the next search comes may still report.
        RecordsReader reader("Vantoria.db");
        QSignalSpy read(&reader, &RecordsReader::rowsRead);
        reader.read(1, {{}, "needle"}, {}, {}, 200);
        reader.read(2, {"Press B", {}}, {}, {}, 200);
        QVERIFY(QTest::qWaitFor([&] { return !read.isEmpty() && read.last().at(2).toBool(); }));
        QVERIFY(read.last().at(0) == 2 && read.count() <= 2);
    }

    // Texts as any PC of the plant may have typed them, as the table, the export and the search show them.
    void typedTextsAsTheTableTheExportAndTheSearchShowThem() {
        const QString longText = QStringLiteral("First line\n") + QString(9989, QLatin1Char('x'));
        writeRecords(15, {{0, "Wei\u00df"},
                          {1, "weiss"},
                          {2, "M\u00fcller"},
                          {3, "MUELLER"},
                          {4, "\u00d6l"},
                          {5, "100%_ok"},
                          {6, "\u00c9TAT"},
                          {14, longText}});
        Record over = record(-1), r; // over: the oldest, over the range, stored as older versions did
        over.deviation = 500;
        r.id = QStringLiteral("0d9e2f5c-6b1a-4f7e-9c3d-2a8b7e6f5d4c");
        r.takenAt = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC), r.utcOffsetMin = 60;
        r.machine = "=1+1", r.comment = "+SUM(1;2)", r.operatorName = "-2+3", r.note = "@A1";
        r.serialNr = "\t=1+1", r.host = "\r=2+2", r.port = "a=b", r.unit = "kN";
        r.channels = {-12.5, 0.0, 395.0, -0.25}, r.totalKn = -1607.5;
        r.mainValue = 401.9, r.sensors = {1.5, -2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.25}, r.kFactor = 2.05;
        r.eModulus = 210.0, r.barDiameter = 120.0, r.totalTons = 44, r.tonsUnit = "US t"; // not under [t]
        auto store = SqliteStore::open("Vantoria.db");
        QString error;
        QVERIFY2(store->keepFromServer({over, r, fullRecord()}, {}, &error) &&
                     store->addNote(over.id, "J\u00fcrgen", "ok", &error),
                 qPrintable(error));
        HistoryWindow w;
        QVERIFY(w.settled());
        // The marks read without colour. Newest first: row 1 is record 14 (outside), row 5 is record 10 (at
        // the tolerance, inside).
        QCOMPARE(w.cell(w.model().rowCount() - 1, RecordsModel::Deviation), "> 99");
        QVERIFY(w.cell(1, RecordsModel::Tolerance) == "\u2717" &&
                w.cell(5, RecordsModel::Tolerance) == "\u2713");
        const QColor out(w.cell(1, RecordsModel::Tolerance, Qt::DecorationRole));
        const QColor in(w.cell(5, RecordsModel::Tolerance, Qt::DecorationRole));
        QVERIFY(out.red() > out.green() && in.green() > in.red());
        QVERIFY(w.cell(1, RecordsModel::Tolerance, Qt::ToolTipRole).contains("10"));
        const QString shown = w.cell(1, RecordsModel::Comment);
        QVERIFY(shown.startsWith("First line") && shown.size() < 100 && !shown.contains('\n'));
        const QString tip = w.cell(1, RecordsModel::Comment, Qt::ToolTipRole);
        QCOMPARE(QTextDocumentFragment::fromHtml(tip).toPlainText(), longText);

        // A text that a spreadsheet would run as a formula is exported as text. A text with "=" inside and
        // the numbers, negative ones too, stay as they are.
        w.edit("editCRVDelimiter")->setText(";");
        w.saveAs("formulas", "btnRecordsExport");
        QTRY_VERIFY(!w.dialogs.notices.isEmpty());
        const QStringList lines = QString::fromUtf8(readFile("formulas.csv")).split("\r\n");
        QCOMPARE(lines.filter(fullRecord().id),
                 QStringList{
                     "2026-03-07 09:05:03;KM-350 Halle 2;nach Werkzeugwechsel;Eva Roth;2005.5;512.5;"
                     "498.25;505;489.75;5;\u2713;Holm 4 nachgezogen;SN 4711;kN;10;;QT34;COM7;Vantoria 4.0.3;"
                     "press-pc-7;5d1c0e7a-3b2f-4c8d-9e6a-7f1b2c3d4e5f;501.375;11.5;12.5;13.5;14.5;15.5;"
                     "16.5;17.5;18.5;2.05;206.5;120;60;BESTANDEN;225.4;\u00b5\u03b5"});
        QCOMPARE(lines.filter(r.id),
                 QStringList{
                     "2025-01-01 01:00:00;'=1+1;\"'+SUM(1;2)\";'-2+3;-1607.5;-12.5;0;395;-0.25;;\u2013;'@A1;"
                     "\"'\t=1+1\";kN;;;;a=b;;\"'\r=2+2\";" +
                     r.id + ";401.9;1.5;-2;3;4;5;6;7;8.25;2.05;210;120;60;KEINE BEWERTUNG;44;kN"});
        // What the whole lines do not reach: a delimiter other than the one in a value, and a longer one.
        QCOMPARE(csvLine({"x;y", "1,5"}, ","), "x;y,\"1,5\"\r\n");
        QCOMPARE(csvLine({"a", "b"}, "::"), "a::b\r\n");

        // Typed on a keyboard without ß and umlauts, or with them: both find both. % and _ are what they are.
        for (const char* expected : {"weiss:2", "WEI\u00df:2", "m\u00fcller:2", "Mueller:2", "OEL:1", "%_:1",
                                     "0_:0", "\u00e9tat:1", "juergen:1", "sn 47:1", "EVA R:1"}) {
            const QString search = QString::fromUtf8(expected).section(':', 0, 0);
            QVERIFY(w.search(search));
            QCOMPARE(search + ':' + QString::number(w.model().total()), QString::fromUtf8(expected));
        }
    }

    void theExportRunsBesideTheTableAndHoldsEveryFilteredRecord() {
        writeRecords(1003, {{502, Quoted}});
        HistoryWindow w;
        w.edit("editCRVDelimiter")->setText(",");
        w.chooseMachine("Press B");
        QVERIFY(w.settled());
        QCOMPARE(w.model().rowCount(), RecordsModel::PageSize); // fewer read than exported
        w.saveAs("records", "btnRecordsExport");
        QVERIFY(w.dialogs.notices.isEmpty() && !w.button("btnRecordsExport")->isEnabled());
        QCOMPARE(w.button("btnRecordsExport")->text(), "Export l\u00e4uft \u2026");
        QVERIFY(w.search("hi") && w.model().total() == 1); // the table goes on meanwhile
        QTRY_VERIFY(!w.dialogs.notices.isEmpty() && w.button("btnRecordsExport")->isEnabled());
        QVERIFY(w.dialogs.notices.last().contains("334"));
        const QByteArray bytes = readFile("records.csv");
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF") && bytes.count("\r\n") == 1 + 334);
        QVERIFY(bytes.contains(",\"Say \"\"hi\"\", then\nnext line\","));
        const QList<QByteArray> lines = bytes.mid(3).split('\n');
        QVERIFY(lines[0].startsWith("Datum und Zeit,Maschine,"));
        QVERIFY(lines[1].startsWith("2025-02-11 17:00:00,Press B,,,2607.5,1400,410.5,395,402,10,\u2713"));
        // Columns added later come after those that readers of older exports know.
        QVERIFY(
            lines[0].endsWith(",ID,Mittelwert,Sensor 1.1,Sensor 1.2,Sensor 2.1,Sensor 2.2,Sensor 3.1,Sensor "
                              "3.2,Sensor 4.1,Sensor 4.2,K-Faktor,E-Modul [kN/mm\u00b2],Holmdurchmesser [mm],"
                              "UTC-Versatz [min],Ergebnis,Gesamtkraft [US t],Einheit der Sensoren\r"));
        QCOMPARE(lines[1].split(',').mid(33) + lines[5].split(',').mid(33), // records 1000 and 988
                 (QList<QByteArray>{"60", "BESTANDEN", "", "kN\r", "60", "NICHT BESTANDEN", "", "kN\r"}));
        w.type({});
        w.chooseMachine({}); // more records than the export reads at once
        QVERIFY(w.settled());
        w.saveAs("all.csv", "btnRecordsExport");
        QTRY_COMPARE(w.dialogs.notices.size(), 2);
        QCOMPARE(readFile("all.csv").count("\r\n"), 1 + 1003);
    }

    // A note, the protocol of the chosen record, and records stored while the page is shown or not: the
    // chosen row, deep below the first page, stays chosen.
    void aNoteIsAddedAndTheChosenRowStaysChosenWhenRecordsArrive() {
        writeRecords(1000);
        HistoryWindow w;
        QVERIFY(w.settled());
        QVERIFY(w.model().rowCount() == RecordsModel::PageSize && w.model().canFetchMore());
        QCOMPARE(w.page().statusText(), "1000 Messungen");
        w.dialogs.textAnswers = {"bolts\nretightened"};
        w.button("btnRecordNote")->click(); // nothing chosen: nothing asked
        QVERIFY(w.dialogs.textQuestions.isEmpty());
        for (int i = 0; i < 50 && w.model().rowCount() < 1000; ++i) { // Ctrl+End, as often as it reads more
            QTest::keyClick(w.table(), Qt::Key_End, Qt::ControlModifier);
            QVERIFY(QTest::qWaitFor([&] { return !w.model().reading(); }));
        }
        // Row 0 is record 999, shown at UTC+1.
        QVERIFY(w.model().rowCount() == 1000 && w.cell(0, RecordsModel::Time) == "11.02.2025 16:00");
        for (int row = 1; row < 1000; ++row) // a page that starts again at the top repeats the newest
            QVERIFY(w.model().record(row - 1).takenAt > w.model().record(row).takenAt);
        // The protocol's trend of record 99, the 300th of Press A: beyond the first page of its machine.
        const QList<Record> trend = protocolTrend(*w.window->recordStore(), w.model().record(900), 3);
        QVERIFY(trend.size() == 3 && trend[2].id == w.model().record(900).id &&
                trend[1].id == w.model().record(903).id);
        w.choose(300);
        const Record before = w.model().record(300);
        w.button("btnRecordNote")->click();
        QVERIFY(w.dialogs.textQuestions.size() == 1 && w.dialogs.errors.isEmpty());
        QTRY_VERIFY(w.model().record(300).note.startsWith("bolts\nretightened ("));
        Record after = w.model().record(300);
        QVERIFY(w.cell(300, RecordsModel::Note, Qt::ToolTipRole).contains("retightened"));
        QCOMPARE((after.note = before.note, after), before);

        QString written;
        w.page().setProtocolWriter([&](const Record& r, const QString& path, QString*) {
            written = r.id + QLatin1Char(' ') + path;
            return true;
        });
        w.saveAs("check", "btnProtocol");
        QCOMPARE(written, before.id + " check.pdf");

        // The newest, one between rows 100 and 101, and one older than every row read; the chosen row's
        // machine (Press A) has one more in its trend.
        auto* chart = w.control<QCustomPlot>("chartHistory");
        QTRY_COMPARE(chart->graph(0)->data()->size(), 334);
        const int rows = w.model().rowCount();
        QList<Record> arriving{record(1000), record(0), record(-1)};
        arriving[0].machine = "Press Z", arriving[1].takenAt = w.model().record(100).takenAt.addSecs(-1);
        for (const Record& r : arriving)
            QVERIFY(w.window->recordStore()->insert(r, nullptr));
        w.page().recordsChanged();
        QVERIFY(w.settled());
        QTRY_COMPARE(w.model().total(), 1003); // the count before it stays until the new one is there
        QCOMPARE(w.model().rowCount(), rows + 2);
        QVERIFY(w.model().record(0).id == arriving[0].id && w.model().record(102).id == arriving[1].id);
        QCOMPARE(w.page().selectedRecord().value_or(Record{}).id, before.id);
        QCOMPARE(w.table()->currentIndex().row(), 302);
        QTRY_COMPARE(chart->graph(0)->data()->size(), 335);
        QVERIFY(w.control<QComboBox>("comboHistoryMachine")->findData("Press Z") > 0);
        auto* tabs = w.control<QTabWidget>("tabSystem");
        tabs->setCurrentIndex(0);
        QVERIFY(w.window->recordStore()->insert(record(1001), nullptr));
        w.page().recordsChanged();
        QCOMPARE(w.model().total(), 1003); // away from the page nothing is read
        tabs->setCurrentWidget(w.control("tabHistory"));
        QTRY_COMPARE(w.model().total(), 1004);
    }

    // The page's caption, count and dates follow the language; the newest record's day is the 4th of
    // January: a day taken for the month would show. A machine's nominal force, typed on the page, is kept in
    // Records.ini beside what it held; the protocol gives the total as a share of it.
    // Last, the only row of a search is current before it is clicked (the view makes it so with the focus):
    // the click selects it without moving the current row. The trend marks it (its marker is the last item).
    void theTrendHasOnePointPerRecordOfTheMachineOldestFirstAndTheCaptionFollowsTheLanguage() {
        writeRecords(90, {{40, "single"}});
        writeFile("Records.ini", "operator = Jan\n");
        HistoryWindow w;
        QVERIFY(w.settled());
        auto* chart = w.control<QCustomPlot>("chartHistory");
        QTRY_COMPARE(chart->graph(0)->data()->size(), 30); // nothing chosen: the newest row's machine
        w.choose(1);                                       // record 88, Press B
        QTRY_COMPARE(chart->graph(0)->data()->at(29)->value, 488.0);
        w.choose(0); // record 89, Press C
        QTRY_COMPARE(chart->graph(0)->data()->at(29)->value, 489.0);
        for (int graph = 0; graph < 5; ++graph) {
            const auto data = chart->graph(graph)->data();
            const QDateTime first = QDateTime(QDate(2025, 1, 1), QTime(2, 0), Qt::UTC); // record 2
            QVERIFY(data->size() == 30 && data->at(0)->key == first.toSecsSinceEpoch());
            for (int n = 1; n < 30; ++n)
                QCOMPARE(data->at(n)->key - data->at(n - 1)->key, 3 * 3600.0);
        }

        QTabWidget* pages = w.control<QTabWidget>("tabSystem");
        const int index = pages->indexOf(w.control("tabHistory"));
        QCOMPARE(index, 4);
        for (const auto& [button, caption, count, time] :
             {std::tuple{"btnEnglish", "History", "90 records", "2025-01-04 18:00"},
              {"btnItalian", "Storico", "90 misurazioni", "04/01/2025 18:00"},
              {"btnGerman", "Verlauf", "90 Messungen", "04.01.2025 18:00"}}) {
            w.button(button)->setChecked(true);
            w.window->languageApplier().ApplyLanguage();
            QCOMPARE(pages->tabText(index), QString::fromLatin1(caption));
            QCOMPARE(w.edit("editHistorySearch")->findChild<QLabel*>()->text(), QString::fromLatin1(count));
            QCOMPARE(w.cell(0, RecordsModel::Time), QString::fromLatin1(time));
        }
        auto* nominal = w.control<QSpinBox>("spinNominalForce");
        QVERIFY(!nominal->isEnabled()); // all machines
        w.chooseMachine("Press B");
        QVERIFY(nominal->isEnabled() && nominal->value() == 0);
        QTest::keyClick(nominal, Qt::Key_A, Qt::ControlModifier); // the field's dash replaced
        QTest::keyClicks(nominal, "2500");
        QTest::keyClick(nominal, Qt::Key_Return);
        QCOMPARE(readFile("Records.ini"), "operator = Jan\r\nnominal = 2500; Press B\r\n");
        w.chooseMachine("Press A");
        QCOMPARE(nominal->value(), 0);
        w.chooseMachine("Press B");
        QVERIFY(w.settled() && nominal->value() == 2500);
        w.choose(0);
        w.saveAs("share", "btnProtocol"); // the window's own protocol writer
#ifndef _WIN32                            // pdftotext is a program of Linux
        const QString share = QLocale(QLocale::German).toString(*w.model().record(0).totalKn / 25, 'f', 1);
        QVERIFY2(
            pdfText("share.pdf").contains(QRegularExpression("Anteil der Sollkraft \\(2500 kN\\) +" + share)),
            qPrintable(pdfText("share.pdf")));
#endif

        // One day of Press T, 09:00 to 13:00 on its clock: tons and US tons among kN, one in strain, one
        // deviation far beyond the tolerance and one over the range. Press S has a single record, Press R
        // one on each of the next two days.
        const QDateTime nine(QDate(2025, 2, 3), QTime(8, 0), Qt::UTC);
        const std::tuple<const char*, double, double> day[] = {
            {"t", 100, 3}, {"US t", 110.23, 60}, {"\u00b5m/m", 500, 12}, {"kN", 900, 300}, {"kN", 950, 4}};
        for (int i = 0; i < 8; ++i) {
            Record r = record(0);
            std::tie(r.unit, r.channels[0], r.deviation) = day[std::min(i, 4)];
            r.machine = i < 5 ? "Press T" : i < 6 ? "Press S" : "Press R";
            r.takenAt = nine.addSecs(i < 6 ? 3600 * i : 86400 * (i - 5));
            QVERIFY(w.window->recordStore()->insert(r, nullptr));
        }
        w.page().recordsChanged();
        w.chooseMachine("Press T");
        const auto labels = [&] { return QStringList(chart->xAxis->tickVectorLabels().toList()); };
        QTRY_COMPARE(chart->graph(0)->data()->size(), 4);
        for (int i : {0, 1}) // 100 t, and 110.23 US t made of 100 t
            QCOMPARE(chart->graph(0)->data()->at(i)->value, 980.665);
        auto* notShown = qobject_cast<QCPItemText*>(chart->item(chart->itemCount() - 2));
        QVERIFY(notShown->visible() && notShown->text().contains("\u00b5\u03b5") &&
                notShown->text().contains(": 1)"));
        const QCPRange time = chart->xAxis->range(), deviation = chart->yAxis2->range();
        const double first = nine.toSecsSinceEpoch(), last = first + 4 * 3600;
        // The four hours with less than a twentieth of them either side.
        QVERIFY(time.lower < first && time.lower > first - 720 && time.upper > last &&
                time.upper < last + 720);
        QTRY_VERIFY(labels().contains("13:00") &&
                    labels().filter(QRegularExpression("^\\d\\d:\\d\\d$")) == labels());
        QVERIFY(deviation.lower == 0 && deviation.upper > 12 && deviation.upper < 20);
        for (int i : {1, 3}) // the 60 and the 300, on the top edge, marked
            QCOMPARE(chart->graph(4)->data()->at(i)->value, deviation.upper);
        QCOMPARE(chart->graph(5)->data()->size(), 2);
        QCOMPARE(qobject_cast<QCPItemRect*>(chart->item(0))->topLeft->valueAxis(), chart->yAxis2); // the band
        w.chooseMachine("Press S");
        QTRY_COMPARE(chart->graph(0)->data()->size(), 1);
        QVERIFY(chart->xAxis->range().center() == first + 5 * 3600 && chart->xAxis->range().size() >= 600);
        w.chooseMachine("Press R");
        QTRY_VERIFY(!labels().isEmpty() &&
                    labels().filter(QRegularExpression("^0[45]\\.02\\.2025$")) == labels());
        QCOMPARE(labels().removeDuplicates(), 0);            // in German, and each date once
        for (const double tick : chart->xAxis->tickVector()) // at midnight on the clock of UTC+1
            QCOMPARE(std::fmod(tick + 3600, 86400), 0.0);

        w.chooseMachine({});
        QVERIFY(w.search("single"));
        QCOMPARE(w.model().rowCount() + w.button("btnProtocol")->isEnabled(), 1); // one row, not chosen
        QTRY_COMPARE(chart->item(chart->itemCount() - 1)->visible(), false);
        w.table()->setFocus();
        w.choose(0);
        QCOMPARE(w.button("btnRecordNote")->isEnabled(), true);
        w.saveAs("single", "btnProtocol");
        QVERIFY(readFile("single.pdf").startsWith("%PDF"));
        QTRY_COMPARE(chart->item(chart->itemCount() - 1)->visible(), true);
    }
};

QTEST_MAIN(HistoryPageTest)
#include "test_history_page.moc"
