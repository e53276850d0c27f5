// The record buttons in the window against the simulated amplifier: when they work and why not, what a
// record holds of the cycle and of the window, F9, the operator, and stores that refuse or are missing.
#include "Testing.h"
#include "records/RecordButtons.h"
#include "records/RecordsConfig.h"
#include "records/SqliteStore.h"

#include <QSignalSpy>

using records::Number;

namespace {
QString own(TfrmMain& window, OwnText text) { return window.language().own(text); }

// Measuring, with a cycle in the press's hold phase just complete.
void measureUnderLoad(SimulatedRig& rig) {
    QVERIFY(rig.connect());
    rig.w().button("btnMeasurement")->click();
    QVERIFY(rig.tickUntil([&] { return rig.nowMs() > 2600 && rig.state().measureStep == 91; }, 400));
    QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 40));
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
        QVERIFY(rig.connect());
        QVERIFY(!record->isEnabled() && !big->isEnabled());
        QCOMPARE(big->toolTip(), own(rig.window(), OwnText::RecordNotMeasuring));
        rig.w().button("btnMeasurement")->click();
        QCOMPARE(record->toolTip(), own(rig.window(), OwnText::RecordNoCycle));
        QVERIFY(rig.tickUntil([&] { return record->isEnabled(); }, 100));
        QVERIFY(big->isEnabled() && rig.state().cycleSnapshot.texts[8] != ErrorText);
        rig.sim().amplifier().model().setLoadFactor(3, 100.0); // far beyond the range: "E01"
        QVERIFY(rig.tickUntil([&] { return !big->isEnabled(); }, 400));
        QCOMPARE(record->toolTip(), own(rig.window(), OwnText::RecordValueError));
        QVERIFY(!rig.window().recordButtons().take());
        QCOMPARE(rig.window().recordStore()->count({}), 0);
    }

    void aRecordHoldsTheLastCompleteCycleWhateverTheDisplaysShowAndF9StoresTheSame() {
        SimulatedRig rig({.singleValues = false});
        rig.sim().amplifier().model().setLoadFactor(2, 1.3); // beyond the tolerance of 10 %
        rig.w().edit("editMachine")->setText("KM 350");
        rig.w().edit("editOperator")->setText(" Eva Roth ");
        measureUnderLoad(rig);
        const CycleSnapshot cycle = rig.state().cycleSnapshot;
        const QString deviation = rig.w().edit("editDivergence")->text();
        QSignalSpy stored(&rig.window().recordButtons(), &RecordButtons::recordStored);
        rig.w().button("btnRecord")->click();
        // The next cycle under another load: the main value display already shows its new value.
        rig.sim().amplifier().model().setLoadFactor(1, 1.5);
        QVERIFY(rig.tickUntil([&] { return rig.state().measureStep == 96; }, 60));
        QVERIFY(rig.w().edit("editMainValue")->text() != cycle.texts[12]);
        rig.window().show();
        rig.window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window()));
        QTest::keyClick(&rig.window(), Qt::Key_F9);

        const QList<records::Record> both = rig.window().recordStore()->page({}, 0, 10);
        QCOMPARE(both.size(), 2);
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.at(1).at(0).toString(), both[0].id);
        for (const records::Record& r : both) {
            for (int n = 0; n < 4; ++n)
                QCOMPARE(r.channels[n], Number(cycle.texts[8 + n].toInt()));
            QCOMPARE(r.mainValue, Number(cycle.texts[12].toInt()));
            QCOMPARE(r.totalTons, Number(cycle.texts[14].toInt()));
            QCOMPARE(r.deviation, Number(deviation.toInt()));
            QCOMPARE(r.tolerance, Number(10));
            QCOMPARE(r.withinTolerance, false);
            QCOMPARE(r.sensors, (std::array<Number, 8>{}));
            QCOMPARE(r.machine + '|' + r.operatorName + '|' + r.unit + '|' + r.amplifier + '|' + r.port,
                     "KM 350|Eva Roth|µm/m|" + SimulatedRig::deviceName("QT34") + "|COM2");
        }
        QCOMPARE(rig.w().statusLine(2), own(rig.window(), OwnText::RecordStored).arg(2));
        QCOMPARE(records::parseRecordsConfig(readFile("Records.ini")).operatorName, "Eva Roth");
    }

    void aStoreThatRefusesShowsTheReasonAndClaimsNothing() {
        SimulatedRig rig;
        measureUnderLoad(rig);
        QSignalSpy stored(&rig.window().recordButtons(), &RecordButtons::recordStored);
        const QString status = rig.w().statusLine(2);
        {
            DiskFull full;
            QVERIFY(!rig.window().recordButtons().take());
        }
        QCOMPARE(rig.w().dialogs.errors.size(), 1);
        const QString prefix = own(rig.window(), OwnText::RecordNotStored).arg(QString());
        QVERIFY2(rig.w().dialogs.errors[0].size() > prefix.size() &&
                     rig.w().dialogs.errors[0].startsWith(prefix),
                 qPrintable(rig.w().dialogs.errors[0]));
        QCOMPARE(rig.w().statusLine(2), status);
        QCOMPARE(stored.size(), 0);
        QCOMPARE(rig.window().recordStore()->count({}), 0);
    }

    void aDamagedDatabaseIsToldOnceAndWithoutOneTheProgramStillMeasures() {
        writeFile("Vantoria.db", QByteArray(8192, 'x'));
        for (int start = 0; start < 2; ++start) {
            TestWindow w;
            QCOMPARE(w.dialogs.notices.filter("Vantoria.db").size(), 1 - start);
            QVERIFY(w.window->recordStore());
        }
        for (const QString& name : QDir().entryList({"Vantoria.db*"}))
            QVERIFY(QFile::remove(name));
        QVERIFY(QDir().mkdir("Vantoria.db")); // no file can be made under this name
        SimulatedRig rig;
        measureUnderLoad(rig);
        QVERIFY(rig.w().edit("editChannel1")->text() != ErrorText);
        QVERIFY(!rig.w().button("btnRecord")->isEnabled());
        const QString prefix = own(rig.window(), OwnText::RecordsUnavailable).arg(QString());
        QVERIFY(rig.w().button("btnRecord")->toolTip().startsWith(prefix));
        QVERIFY(rig.w().button("btnRecord")->toolTip().size() > prefix.size());
    }

    void theOperatorFileIsWrittenOnlyWhenTheNameChangesAndKeepsItsOtherLines() {
        writeFile("Records.ini", "server=host=db\n");
        TestWindow w;
        QLineEdit* name = w.edit("editOperator");
        QVERIFY(!name->text().isEmpty());
        emit name->editingFinished();
        QCOMPARE(readFile("Records.ini"), "server=host=db\n");
        name->setText("Jan");
        emit name->editingFinished();
        const records::RecordsConfig config = records::parseRecordsConfig(readFile("Records.ini"));
        QCOMPARE(config.operatorName + '|' + config.server, "Jan|host=db");
        QCOMPARE(TestWindow().edit("editOperator")->text(), "Jan");
    }
};

QTEST_MAIN(TestRecordButtons)
#include "test_record_buttons.moc"
