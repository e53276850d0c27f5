// Finding clamps in the measurement stream, teaching a reference, judging clamps against it, and how an
// alarm reads.

#include "Testing.h"
#include "cycles/AlarmText.h"
#include "cycles/ClampDetector.h"
#include "cycles/CycleSettings.h"
#include "cycles/CycleStats.h"

using namespace cycles;

namespace {
const QDateTime T0 = QDateTime(QDate(2026, 12, 8), QTime(6, 0), Qt::UTC);

// A detector fed one cycle every 250 ms; each cycle is four channels (or texts) in kN.
struct Feed {
    ClampDetector detector;
    qint64 ms = 0;
    QList<CycleRow> rows;
    void add(const QStringList& channels, int unit = 2) {
        CycleSnapshot snapshot = CycleSnapshot::none(unit);
        for (int n = 0; n < 4; ++n)
            snapshot.texts[Reading::FirstChannel + n] = channels[n];
        snapshot.texts[Reading::TotalKN] = QString::number(channels.join(QLatin1Char(' ')).size());
        if (auto row = detector.add(ms, T0.addMSecs(ms), snapshot))
            rows << *row;
        ms += 250;
    }
    void add(double a, double b, double c, double d) {
        add({QString::number(a), QString::number(b), QString::number(c), QString::number(d)});
    }
    void rest(int cycles) {
        for (int i = 0; i < cycles; ++i)
            add(1, 0, 1, 2);
    }
};
} // namespace

class TestCycles : public QObject {
    Q_OBJECT

private slots:
    void clampsAreFoundOnceWithThePlateausMedians() {
        Feed f;
        f.rest(8); // zero noise makes no clamp, however high the last minute's share of it
        QCOMPARE(f.rows.size(), 0);
        // A ramp that wobbles around the threshold, a plateau with one stray cycle, and the release.
        for (double load : {150.0, 280.0, 240.0, 290.0, 260.0, 380.0})
            f.add(load / 4, load / 4, load / 4, load / 4);
        f.add(100, 120, 90, 110);
        f.add(101, 119, 91, 109);
        f.add(140, 100, 60, 110); // a stray cycle: no channel's median may follow it
        f.add(99, 121, 89, 111);
        f.add(100, 120, 90, 110);
        // A release that wavers at the threshold (210 of a 420 peak) is still one clamp.
        for (double load : {300.0, 205.0, 215.0, 150.0, 100.0})
            f.add(load / 4, load / 4, load / 4, load / 4);
        f.rest(4);
        QCOMPARE(f.rows.size(), 1);
        const CycleRow& row = f.rows[0];
        QCOMPARE(row.channels, (std::array<double, 4>{100, 120, 90, 110}));
        QCOMPARE(row.snapshots, 5);
        QVERIFY(!row.isShort);
        QCOMPARE(row.plateauMs, 1000);
        QCOMPARE(row.startedAt, T0.addMSecs(8 * 250)); // 150 is above half the highest load seen yet
        QCOMPARE(row.endedAt, T0.addMSecs(22 * 250));  // 150 is the first below the release level
        QCOMPARE(row.unit, QStringLiteral("kN"));
        QCOMPARE(row.shares[1], 120 * 100.0 / 420);
        QCOMPARE(row.shares[2], 90 * 100.0 / 420);
        QCOMPARE(row.deviation, 33.0); // 120 / 90
        QVERIFY(row.totalKn.has_value());

        // A clamp of a single cycle is kept and called short; "E01" neither starts nor ends one.
        f.add(100, 120, 90, 110);
        f.add({QStringLiteral("E01"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")});
        f.rest(1);
        QCOMPARE(f.rows.size(), 2);
        QVERIFY(f.rows[1].isShort);
        QCOMPARE(f.rows[1].snapshots, 1);

        // A clamp that changes its unit halfway, or is cut by a reset, has no values of its own.
        f.add(100, 120, 90, 110);
        f.add({QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("9"), QStringLiteral("11")}, 3);
        f.rest(2);
        f.add(100, 120, 90, 110);
        f.detector.reset();
        f.rest(2);
        QCOMPARE(f.rows.size(), 2);
    }

    void aTaughtReferenceSetsTheThresholdAndJudgesClamps() {
        Teaching teaching(3);
        CycleRow row;
        row.unit = QStringLiteral("kN");
        row.channels = {100, 120, 90, 110};
        row.shares = {23.8, 28.6, 21.4, 26.2};
        row.deviation = 33;
        std::optional<CycleReference> reference;
        for (int n = 0; n < 4 && !reference; ++n) {
            row.startedAt = T0.addSecs(15 * n);
            row.isShort = n == 1; // a short clamp teaches nothing
            row.channels[1] = 118 + n;
            reference = teaching.add(row);
        }
        QVERIFY(reference);
        QCOMPARE(reference->clamps, 3);
        QCOMPARE(reference->channelMean[1], 119.0 + 2.0 / 3); // 118, 120, 121
        QCOMPARE(reference->channelSd[0], 0.0);
        QVERIFY(qAbs(reference->channelSd[1] - 1.5275) < 1e-4);
        QCOMPARE(reference->cycleMs, 22500); // first to last start over two gaps
        QCOMPARE(reference->totalMean, 419.0 + 2.0 / 3);

        // Bar 2 carries 15 % more: its share leaves the band, the total stays within 5 %.
        CycleRow drifted = row;
        drifted.channels = {100, 138, 90, 110};
        for (int n = 0; n < 4; ++n)
            drifted.shares[n] = drifted.channels[n] * 100 / drifted.total();
        QList<CycleAlarm> alarms = check(drifted, *reference, Limits{}, 40);
        QCOMPARE(alarms.size(), 1);
        QCOMPARE(alarms[0].kind, AlarmKind::Share);
        QCOMPARE(alarms[0].bar, 2);
        QCOMPARE(alarms[0].limit, 28.6 + 2);
        // Within every limit, then the total 6 % low with the deviation over a tolerance of 30.
        QCOMPARE(check(row, *reference, Limits{}, 40).size(), 0);
        CycleRow low = row;
        low.channels = {94, 112.5, 84.5, 103.5};
        alarms = check(low, *reference, Limits{}, 30);
        QCOMPARE(alarms.size(), 2);
        QCOMPARE(alarms[0].kind, AlarmKind::Total);
        QVERIFY(qAbs(alarms[0].limit - 0.95 * reference->totalMean) < 1e-9);
        QCOMPARE(alarms[1].kind, AlarmKind::Deviation);
        low.unit = QStringLiteral("t");
        QCOMPARE(check(low, *reference, Limits{}, 30).size(), 0); // another unit is no measure

        const auto capable = capability({9, 10, 11}, 7, 13), offCentre = capability({11, 12, 13}, 7, 13);
        QVERIFY(capable && offCentre && !capability({10, 10}, 7, 13));
        QCOMPARE(capable->cp, 1.0);
        QCOMPARE(offCentre->cp, 1.0);
        QCOMPARE(offCentre->cpk, 1.0 / 3);
        QCOMPARE(median({4, 1, 3, 2}), 2.5);

        QVERIFY(!checkNoClamp(3 * 22500, *reference, Limits{}));
        const auto stopped = checkNoClamp(3 * 22500 + 1, *reference, Limits{});
        QVERIFY(stopped && stopped->kind == AlarmKind::NoClamp && stopped->reference == 22.5);

        // Once taught, the threshold is half the reference total: a clamp of a third of it is no clamp.
        Feed f;
        f.detector.setReference(reference->totalMean, QStringLiteral("kN"));
        f.rest(2);
        f.add(35, 35, 35, 35);
        f.add(35, 35, 35, 35);
        f.rest(2);
        QCOMPARE(f.rows.size(), 0);
    }

    void alarmsReadInTheProgramsLanguage() {
        CycleAlarm share;
        share.kind = AlarmKind::Share;
        share.bar = 2;
        share.value = 28.14;
        share.reference = 25.2;
        share.band = 2;
        QCOMPARE(alarmText(share, QStringLiteral("DE")),
                 QString::fromUtf8("Zugstange 2: 28,1 % der Kraft, Referenz 25,2 % ± 2"));
        share.band = 1.5;
        QCOMPARE(alarmText(share, QStringLiteral("EN")),
                 QString::fromUtf8("Tie bar 2: 28.1 % of the force, reference 25.2 % ± 1.5"));
        CycleAlarm total;
        total.kind = AlarmKind::Total;
        total.value = 1234.4;
        total.reference = 1310;
        total.band = 5;
        total.unit = QStringLiteral("kN");
        QCOMPARE(bannerText({total, share}, QStringLiteral("IT")),
                 QString::fromUtf8("Carico totale: 1234 kN, riferimento 1310 kN ± 5 % (e altri 1)"));
    }

    void settingsComeFromRecordsIniMachineBeforeAll() {
        const records::RecordsConfig config = records::parseRecordsConfig(
            "cycle_threshold = 40\ncycle_share_band = 1.5; KM 350\ncycle_share_band = 3\n"
            "cycle_teach = 0.5\ncycle_no_clamp = x\nCYCLE_TOTAL_BAND=8 ; KM 350\n");
        const CycleSettings km = cycleSettings(config, QStringLiteral("KM 350"));
        QCOMPARE(km.detector.thresholdPct, 40.0);
        QCOMPARE(km.limits.shareBandPp, 1.5);
        QCOMPARE(km.limits.totalBandPct, 8.0);
        QCOMPARE(km.teachClamps, 2); // the fewest that have a spread
        QCOMPARE(km.limits.noClampFactor, Limits{}.noClampFactor);
        const CycleSettings other = cycleSettings(config, QStringLiteral("KM 500"));
        QCOMPARE(other.limits.shareBandPp, 3.0);
        QCOMPARE(other.limits.totalBandPct, Limits{}.totalBandPct);
    }
};

QTEST_GUILESS_MAIN(TestCycles)
#include "test_cycles.moc"
