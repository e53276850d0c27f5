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
        RecordContext c;
        c.kFactor = "2,50", c.eModulus = "210", c.tolerance = "28", c.usTons = true;
        Record r = makeRecord(s, c);
        QCOMPARE(r.channels, (std::array<Number, 4>{100, -129, 100, 100}));
        QCOMPARE(r.sensors, (std::array<Number, 8>{})); // not polled: empty, whatever the table held
        QVERIFY(r.mainValue == -7 && !r.totalKn && r.totalTons == 12 && r.kFactor == 2.5 && !r.barDiameter);
        QVERIFY(r.deviation == 28 && r.withinTolerance == true && r.unit == "US t");
        c.tolerance = "27", c.sensorsPolled = true;
        QVERIFY(makeRecord(s, c).withinTolerance == false && makeRecord(s, c).sensors[7] == 8);
        c.tolerance = "100"; // beyond 99 % the display shows "> 99" in red, whatever the tolerance
        r = makeRecord(cycle({"100", "200", "100", "100"}), c);
        QCOMPARE(csvFields(r).filter("99"), QStringList{"> 99"}); // not the 100 % computed
        QCOMPARE(r.withinTolerance, false);
        QCOMPARE(shownDeviation(makeRecord(cycle({"200", "399", "200", "200"}), c).deviation), "99");
        Record old = r;
        old.deviation = 500; // as files from before the over-range mark hold it
        QCOMPARE(shownDeviation(old.deviation), "> 99");
        r = makeRecord(cycle({"100", "E01", "100", "100"}), c); // no deviation from three channels
        QVERIFY(!r.deviation && !r.withinTolerance && !r.channels[1]);
    }

    // Two cycles agree within 1 % or 2 digits, whichever is larger, in one unit; no load is the zero band.
    void aSteadyLoadAndNoLoad() {
        QVERIFY(steady(cycle({"1000", "-500", "3", "7"}), cycle({"1010", "-495", "1", "9"})));
        QVERIFY(!steady(cycle({"1000", "500", "3", "7"}), cycle({"1011", "500", "3", "7"})));
        QVERIFY(!steady(cycle({"1000", "500", "3", "7"}), cycle({"1000", "500", "0", "7"})));
        QVERIFY(!steady(cycle({"100", "-200", "3", "7"}), cycle({"100", "200", "3", "7"})));
        CycleSnapshot kN = cycle({"1000", "500", "3", "7"});
        kN.unit = 2;
        QVERIFY(!steady(cycle({"1000", "500", "3", "7"}), kN));
        QVERIFY(!steady(CycleSnapshot::none(1), cycle({"1", "2", "3", "4"})));
        QVERIFY(noLoad(cycle({"10", "-10", "0", "4"})) && !noLoad(cycle({"10", "-11", "0", "4"})));
        CycleSnapshot tons = cycle({"2", "-2", "0", "3"});
        tons.unit = 3;
        QVERIFY(!noLoad(tons));
        tons.texts[11] = "1";
        QVERIFY(noLoad(tons) && !noLoad(CycleSnapshot::none(1)));
    }
};

QTEST_MAIN(TestRecordMaking)
#include "test_record_making.moc"
