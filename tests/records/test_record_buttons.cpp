// The record buttons in the window against the simulated amplifier: when they work and why not, what a
// record holds of the cycle and of the window, F9, the remembered operator, and stores that refuse or are
// missing.
#include "RecordsTesting.h"

#include "records/RecordMaking.h"
#include "records/RecordText.h"
#include "records/RecordsCsv.h"
#include "settings/LanguageApplier.h"
#include <QTabBar>

using records::Number;

namespace {
QString own(TfrmMain& window, OwnText text) { return window.language().own(text); }

// Measuring, with a cycle in the press's hold phase just complete; zeroed at rest first if asked.
void measureUnderLoad(SimulatedRig& rig, bool zeroFirst = false) {
    QVERIFY(rig.connect());
    rig.w().button("btnMeasurement")->click();
    if (zeroFirst)
        rig.w().button("btnReset")->click();
    QVERIFY(rig.tickUntil([&] { return rig.nowMs() > 3200 && rig.state().measureStep == 91; }, 400));
    QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 40));
}

// The notice line after the clock ticked for that many seconds.
QString afterSeconds(SimulatedRig& rig, int seconds) {
    while (seconds-- > 0)
        rig.window().timerClockTimer();
    return rig.w().statusLine(2);
}
} // namespace

using namespace records;

namespace {
CycleSnapshot cycle(std::array<const char*, 4> channels, const char* main = "110") {
    CycleSnapshot s = CycleSnapshot::none(1);
    for (int n = 0; n <= 12; ++n)
        s.texts[n] = n < 8 ? QString::number(n + 1) : QString::fromLatin1(n < 12 ? channels[n - 8] : main);
    return s;
}
} // namespace

class TestRecordButtons : public QObject {
    Q_OBJECT
private slots:
    void init() {
        freshFolder();
        for (const QString& name : QDir().entryList({"Vantoria.db*", "Records.ini"}))
            QVERIFY(QFile::remove(name) || QDir().rmdir(name));
    }

    void theButtonsWorkOnlyOnACompleteCycleOfRealValues() {
        SimulatedRig rig;
        QAbstractButton* record = rig.w().button("btnRecord");
        QAbstractButton* big = rig.w().button("btnRecordBigView");
        // In micro-strain with the sensors: metric all the same.
        rig.w().button("btnUStons")->setChecked(true);
        QVERIFY(rig.connect() && !record->isEnabled() &&
                big->toolTip() == own(rig.window(), OwnText::RecordNotMeasuring));
        rig.w().button("btnMeasurement")->click();
        QCOMPARE(record->toolTip(), own(rig.window(), OwnText::RecordNoCycle));
        QVERIFY(rig.tickUntil([&] { return record->isEnabled(); }, 100));
        QVERIFY(big->isEnabled() && rig.state().cycleSnapshot.texts[8] != ErrorText);
        QCOMPARE(rig.w().label("labelMainValueTons")->text(), "Gesamtkraft [tons]");
        rig.w().button("btnKFactor")->click(); // open for typing
        QVERIFY(!big->isEnabled() && big->toolTip() == own(rig.window(), OwnText::RecordParameterOpen));
        rig.w().button("btnKFactor")->click();
        rig.sim().amplifier().model().setLoadFactor(3, 100.0); // far beyond the range: "E01"
        QVERIFY(big->isEnabled() && rig.tickUntil([&] { return !big->isEnabled(); }, 400));
        QCOMPARE(record->toolTip(), own(rig.window(), OwnText::RecordValueError));
        QVERIFY(!rig.window().recordButtons().take() && rig.window().recordStore()->count({}) == 0);
    }

    void aRecordHoldsTheLastCompleteCycleWhateverTheDisplaysShowAndF9StoresTheSame() {
        writeFile("Records.ini", "server=host=db\n");
        SimulatedRig rig({.singleValues = false});
        rig.sim().amplifier().model().setLoadFactor(2, 1.3); // beyond the tolerance of 10 %
        rig.w().edit("editMachine")->setText("KM 350");
        rig.w().edit("editOperator")->setText(" Eva Roth ");
        rig.w().button("btnUStons")->setChecked(true); // the total in US tons, the channels in micro-strain
        const QDateTime beforeZeroing = QDateTime::currentDateTimeUtc();
        measureUnderLoad(rig, true);
        rig.w().edit("editSerialNr")->setText("SN 4711");
        rig.w().edit("editComment")->setText("nach Werkzeugwechsel");
        for (const auto& [button, edit, typed] : {std::tuple{"btnKFactor", "editKFactor", "2.05"},
                                                  {"btnBarDiameter", "editBarDiameter", "120"}}) {
            rig.w().button(button)->click(); // open for typing, then taken
            rig.w().edit(edit)->setText(typed);
            rig.w().button(button)->click();
        }
        QVERIFY(rig.tickUntil([&] { return rig.state().measureStep == 91; }, 100));
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 40));
        QCOMPARE(rig.w().label("labelMainValueTons")->text(), "Gesamtkraft [UStons]");
        const CycleSnapshot cycle = rig.state().cycleSnapshot;
        const int deviation = rig.w().edit("editDivergence")->text().toInt();
        QSignalSpy stored(&rig.window().recordButtons(), &RecordButtons::recordStored);
        rig.w().button("btnRecord")->click();
        // The next cycle under another load: the main value display already shows its value, the channels
        // not.
        rig.sim().amplifier().model().setLoadFactor(1, 1.5);
        QVERIFY(rig.tickUntil([&] { return rig.state().measureStep == 96; }, 60));
        rig.window().show(), rig.window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window()));
        QTest::keyClick(&rig.window(), Qt::Key_F9);

        const QList<records::Record> both = rig.window().recordStore()->page({}, {}, 10).records;
        QVERIFY(both.size() == 2 && stored.size() == 2 && stored.at(1).at(0).toString() == both[0].id);
        for (const records::Record& r : both) {
            const auto n = [&](int entry) { return cycle.texts[entry].toInt(); };
            records::Record e; // all but id and time as the window held them
            e.id = r.id, e.takenAt = r.takenAt, e.utcOffsetMin = r.utcOffsetMin, e.tolerance = 10;
            e.machine = "KM 350", e.serialNr = "SN 4711", e.comment = "nach Werkzeugwechsel";
            e.operatorName = "Eva Roth", e.amplifier = SimulatedRig::deviceName("QT34"), e.port = "COM2";
            e.unit = e.sensorUnit = "\u00b5m/m", e.tonsUnit = "US t", e.channels = {n(8), n(9), n(10), n(11)};
            e.mainValue = n(12), e.totalKn = n(13), e.totalTons = n(14), e.deviation = deviation;
            e.withinTolerance = false, e.kFactor = 2.05, e.eModulus = 210, e.barDiameter = 120;
            e.program = "Vantoria 4.0.3.38", e.host = QSysInfo::machineHostName(), e.zeroedAt = r.zeroedAt;
            QCOMPARE(r, e);
            QVERIFY(r.zeroedAt && r.zeroedAt >= beforeZeroing && r.zeroedAt <= r.takenAt);
        }
        QCOMPARE(afterSeconds(rig, 5), own(rig.window(), OwnText::RecordStored).arg(2));
        QTabBar* pages = rig.w().control<QTabWidget>("tabSystem")->tabBar();
        QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(2).center()); // the graph
        QTest::keyClick(&rig.window(), Qt::Key_F9);
        QCOMPARE(afterSeconds(rig, 5), own(rig.window(), OwnText::RecordOnlyWhereValuesShown));
        const records::RecordsConfig config = records::parseRecordsConfig(readFile("Records.ini"));
        QCOMPARE(config.operatorName + '|' + config.server, "Eva Roth|host=db"); // remembered, the rest kept

        // A store that refuses (here a full disk): the reason is shown and nothing is claimed.
        SKIP_ON_WINDOWS("a full disk");
        std::optional<DiskFull> full(std::in_place);
        const bool taken = rig.window().recordButtons().take();
        full.reset();
        const QString prefix = own(rig.window(), OwnText::RecordNotStored).arg(QString());
        const QStringList errors = rig.w().dialogs.errors;
        QVERIFY(!taken && errors.size() == 1 && errors[0].startsWith(prefix) &&
                errors[0].size() > prefix.size());
        QVERIFY(stored.size() == 2 && rig.window().recordStore()->count({}) == 2);
        rig.sim().disconnect(); // what the lost amplifier measured last is no longer true
        QVERIFY(rig.tickUntil([&] { return !rig.w().button("btnRecord")->isEnabled(); }, 80));

        // Beside the history's protocol button the caption must not read as if it wrote one; it shows whole.
        for (const char* language : {"btnGerman", "btnEnglish", "btnItalian"}) {
            rig.w().button(language)->setChecked(true);
            rig.window().languageApplier().ApplyLanguage();
            const QString record = rig.w().button("btnRecord")->text();
            const QString protocol = rig.w().button("btnProtocol")->text();
            QCOMPARE(record + ':' + QString::number(protocol.contains(record.left(5), Qt::CaseInsensitive)),
                     record + ":0");
            for (QAbstractButton* button : {rig.w().button("btnRecord"), rig.w().button("btnRecordBigView")})
                QVERIFY2(button->fontMetrics().horizontalAdvance(record) < button->width() - 8,
                         qPrintable(record));
        }
    }

    // A click in a ramp waits for the hold and stores it; a ramp that does not settle is refused after five
    // seconds on the rig's clock, not before; no load is refused at once. The notices outlast five seconds.
    void aRecordIsTakenOnlyFromASteadyLoad() {
        SimulatedRig rig({.singleValues = false});
        QAbstractButton* record = rig.w().button("btnRecord");
        records::RecordStore& store = *rig.window().recordStore();
        QVERIFY(rig.connect());
        rig.w().button("btnMeasurement")->click();
        QVERIFY(rig.tickUntil([&] { return rig.nowMs() % 8000 > 600 && rig.nowMs() > 8000; }, 800));
        QTest::mouseClick(record, Qt::LeftButton);
        QCOMPARE(store.count({}), 0);
        QVERIFY(rig.tickUntil([&] { return store.count({}) == 1; }, 200) && rig.nowMs() % 8000 >= 2000);
        // After a minute at rest (a press that stands, not one that runs), a ramp that began 200 ms ago and
        // outlasts the wait: the load grows far more than 1 % a cycle.
        ampsim::PressParams ramp = rig.sim().amplifier().model().params();
        ramp.rampMs = 8000, ramp.holdMs = ramp.releaseMs = 0, ramp.peakMicroStrain = 2000;
        ramp.pauseMs = rig.nowMs() + 61000 - 200 - ramp.rampMs;
        rig.sim().amplifier().model().setParams(ramp);
        rig.tick(61000 / 20);
        QVERIFY(
            rig.tickUntil([&] { return qAbs(rig.state().cycleSnapshot.texts[8].toInt() - 150) < 120; }, 60));
        QTest::mouseClick(record, Qt::LeftButton);
        const std::uint64_t clicked = rig.nowMs();
        QVERIFY(rig.tickUntil([&] { return rig.nowMs() >= clicked + 4980; }, 300));
        QCOMPARE(rig.w().statusLine(2), own(rig.window(), OwnText::RecordWaitingForSteadyLoad));
        QVERIFY(rig.tickUntil([&] { return !rig.window().recordButtons().waiting(); }, 3));
        QCOMPARE(afterSeconds(rig, 5), own(rig.window(), OwnText::RecordLoadNotSteady));
        QCOMPARE(afterSeconds(rig, 2), QString());
        for (int bar = 1; bar <= 4; ++bar)
            rig.sim().amplifier().model().setLoadFactor(bar, 0);
        rig.tick(120); // a few cycles at rest
        QTest::mouseClick(record, Qt::LeftButton);
        QCOMPARE(rig.w().statusLine(2), own(rig.window(), OwnText::RecordNoLoad));
        QCOMPARE(store.count({}), 1);
    }

    void aDamagedDatabaseIsToldOnceAndWithoutOneTheProgramStillMeasures() {
        writeFile("Vantoria.db", QByteArray(8192, 'x'));
        writeFile("Records.ini", "operator = Jan\n");
        for (int start = 0; start < 2; ++start) {
            TestWindow w;
            QCOMPARE(w.dialogs.notices.filter("Vantoria.db").size(), 1 - start);
            QCOMPARE(w.edit("editOperator")->text(), "Jan");
            emit w.edit("editOperator")->editingFinished();
        }
        QCOMPARE(readFile("Records.ini"), "operator = Jan\n"); // written only when the name changes
        init();
        QVERIFY(QDir().mkdir("Vantoria.db")); // no file can be made under this name
        SimulatedRig rig;
        measureUnderLoad(rig); // the program measures all the same
        const QString prefix = own(rig.window(), OwnText::RecordsUnavailable).arg(QString());
        const QString tip = rig.w().button("btnRecord")->toolTip();
        QVERIFY(!rig.w().button("btnRecord")->isEnabled() && tip.startsWith(prefix) &&
                tip.size() > prefix.size());
    }

    // What the window scenarios do not reach: the sensors' E01 counts only when they are polled, the main
    // value's E01 refuses; the numbers as the displays showed them, the deviation as the display judged it;
    // the edges of a steady load and of no load.
    void aSnapshotIsRecordableWithoutE01AndHoldsTheNumbersAsShown() {
        CycleSnapshot e01 = cycle({"1", "2", "3", "4"});
        e01.texts[5] = QStringLiteral("E01");
        QCOMPARE(whyNotRecordable(e01, true, false), std::nullopt);
        QCOMPARE(whyNotRecordable(e01, true, true), Refusal::SensorError);
        QCOMPARE(whyNotRecordable(cycle({"1", "2", "3", "4"}, "E01"), true, false), Refusal::ValueError);
        QVERIFY(numberShown("-35") == -35 && numberShown(" 2,50 ") == 2.5 && numberShown("999.99") == 999.99);
        for (const char* none : {"E01", "", " ", "1,2.5", "abc", "12kN", "nan", "inf"})
            QVERIFY2(!numberShown(QString::fromLatin1(none)), none);
        CycleSnapshot s = cycle({"100", "-129", "100", "100"}, "-7"); // 28.999996 %, shown as 28
        s.unit = 3, s.texts[13] = QStringLiteral("E01"), s.texts[14] = QStringLiteral("12");
        s.inUsTons = 0x7f00; // channels, main value and tons total converted; sensors never are
        RecordContext c;
        c.kFactor = "2,50", c.eModulus = "210", c.tolerance = "28";
        Record r = makeRecord(s, c);
        QCOMPARE(r.channels, (std::array<Number, 4>{100, -129, 100, 100}));
        QCOMPARE(r.sensors, (std::array<Number, 8>{})); // not polled: empty, whatever the table held
        QVERIFY(r.mainValue == -7 && !r.totalKn && r.totalTons == 12 && r.kFactor == 2.5 && !r.barDiameter);
        QVERIFY(r.deviation == 28 && r.withinTolerance == true && r.unit == "US t" && r.tonsUnit == "US t");
        QCOMPARE(r.sensorUnit, "t");
        c.tolerance = "27", c.sensorsPolled = true;
        QVERIFY(makeRecord(s, c).withinTolerance == false && makeRecord(s, c).sensors[7] == 8);
        c.tolerance = "100"; // beyond 99 % the display shows "> 99" in red, whatever the tolerance
        r = makeRecord(cycle({"100", "250", "100", "100"}), c);
        QCOMPARE(r.deviation, Number(100)); // the over-range mark, not the 150 % computed
        QCOMPARE(csvFields(r, {}).filter("99"), QStringList{"> 99"});
        QCOMPARE(r.withinTolerance, false);
        QCOMPARE(shownDeviation(makeRecord(cycle({"200", "399", "200", "200"}), c).deviation), "99");
        r = makeRecord(cycle({"100", "E01", "100", "100"}), c); // no deviation from three channels
        QVERIFY(!r.deviation && !r.withinTolerance && !r.channels[1]);
        // Two cycles agree within 1 % or 2 digits, whichever is larger, in one unit; no load is the zero
        // band.
        const CycleSnapshot base = cycle({"1000", "-500", "3", "7"});
        QVERIFY(steady(base, cycle({"1010", "-495", "1", "9"})));
        CycleSnapshot tons = cycle({"2", "-2", "0", "1"});
        tons.unit = 3;
        for (const CycleSnapshot& moved : {cycle({"1011", "-500", "3", "7"}),
                                           cycle({"1000", "-500", "0", "7"}), CycleSnapshot::none(1), tons})
            QVERIFY(!steady(moved.unit == 3 ? cycle({"2", "-2", "0", "1"}) : base, moved));
        QVERIFY(noLoad(tons) && noLoad(cycle({"10", "-10", "0", "4"})));
        tons.texts[11] = "3";
        for (const CycleSnapshot& loaded : {tons, cycle({"10", "-11", "0", "4"}), CycleSnapshot::none(1)})
            QVERIFY(!noLoad(loaded));
    }
};

QTEST_MAIN(TestRecordButtons)
#include "test_record_buttons.moc"
