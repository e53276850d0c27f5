// A record made from a cycle snapshot: the numbers as the displays showed them, the deviation as the
// display judged it, sensors only when polled, and when a snapshot may not be recorded.
#include "records/RecordMaking.h"
#include "records/RecordText.h"
#include "records/RecordsCsv.h"

#include <QTest>

using namespace records;

namespace {
CycleSnapshot cycle(std::array<const char*, 4> channels, const char* main = "110") {
    CycleSnapshot s = CycleSnapshot::none(1);
    for (int n = 0; n <= 12; ++n)
        s.texts[n] = n < 8 ? QString::number(n + 1) : QString::fromLatin1(n < 12 ? channels[n - 8] : main);
    return s;
}
} // namespace

class TestRecordMaking : public QObject {
    Q_OBJECT
private slots:
    void aSnapshotIsRecordableOnlyWhileMeasuringAndWithoutE01() {
        QCOMPARE(whyNotRecordable(cycle({"1", "2", "3", "4"}), false, false), Refusal::NotMeasuring);
        QCOMPARE(whyNotRecordable(CycleSnapshot::none(1), true, false), Refusal::NoCompleteCycle);
        CycleSnapshot s = cycle({"1", "2", "3", "4"});
        s.texts[5] = QStringLiteral("E01");
        QCOMPARE(whyNotRecordable(s, true, false), std::nullopt); // sensors not polled: their E01 is no part
        QCOMPARE(whyNotRecordable(s, true, true), Refusal::SensorError);
        QCOMPARE(whyNotRecordable(cycle({"1", "2", "3", "E01"}), true, false), Refusal::ValueError);
        QCOMPARE(whyNotRecordable(cycle({"1", "2", "3", "4"}, "E01"), true, false), Refusal::ValueError);
    }

    void theRecordHoldsTheNumbersAsShownAndTheDeviationAsTheDisplayJudgedIt() {
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
    }

    // Two cycles agree within 1 % or 2 digits, whichever is larger, in one unit; no load is the zero band.
    void aSteadyLoadAndNoLoad() {
        const CycleSnapshot base = cycle({"1000", "-500", "3", "7"});
        QVERIFY(steady(base, cycle({"1010", "-495", "1", "9"})));
        CycleSnapshot tons = cycle({"2", "-2", "0", "1"});
        tons.unit = 3;
        for (const CycleSnapshot& moved : {cycle({"1011", "-500", "3", "7"}),
                                           cycle({"1000", "-500", "0", "7"}), CycleSnapshot::none(1), tons})
            QVERIFY(!steady(moved.unit == 3 ? cycle({"2", "-2", "0", "1"}) : base, moved));
        QVERIFY(noLoad(tons));
        QVERIFY(noLoad(cycle({"10", "-10", "0", "4"})));
        tons.texts[11] = "3";
        for (const CycleSnapshot& loaded : {tons, cycle({"10", "-11", "0", "4"}), CycleSnapshot::none(1)})
            QVERIFY(!noLoad(loaded));
    }
};

QTEST_MAIN(TestRecordMaking)
#include "test_record_making.moc"
