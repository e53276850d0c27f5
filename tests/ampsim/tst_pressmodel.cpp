// The press behind the simulated amplifier: repeatable from its seed, the right shape, uneven bars.

#include "ampsim/Amplifier.h"
#include "ampsim/PressModel.h"

#include <QtTest>

using ampsim::PressModel;

class TestPressModel : public QObject {
    Q_OBJECT
private slots:
    void sameSeedSameReadingsOtherSeedOtherNoise() {
        PressModel a(42), b(42), c(43);
        std::vector<double> forward;
        int differing = 0;
        for (std::uint64_t k = 0; k <= 20; ++k) {
            for (int s = 1; s <= 8; ++s) {
                forward.push_back(a.sensorStrain(s, 97 * k));
                differing += c.sensorStrain(s, 97 * k) != forward.back();
            }
        }
        // b is asked backwards: a value must not depend on what was asked before.
        std::size_t i = forward.size();
        for (std::uint64_t k = 21; k-- > 0;) {
            for (int s = 8; s >= 1; --s)
                QCOMPARE(b.sensorStrain(s, 97 * k), forward[--i]);
        }
        QCOMPARE(i, std::size_t(0));
        QVERIFY(differing > 100);
        // Noise changes from one moment to the next, not only between seeds.
        QVERIFY(a.sensorStrain(1, 7000) != a.sensorStrain(1, 7001));
    }

    void cycleShape() {
        PressModel m(3);
        const auto& p = m.params();
        QCOMPARE(m.periodMs(), std::uint64_t(8000));
        QCOMPARE(m.envelope(0), 0.0);
        QCOMPARE(m.envelope(p.rampMs / 2), 0.5);
        QCOMPARE(m.envelope(p.rampMs + 10), 1.0);
        QCOMPARE(m.envelope(p.rampMs + p.holdMs - 1), 1.0);
        QCOMPARE(m.envelope(p.rampMs + p.holdMs + p.releaseMs / 2), 0.5);
        QCOMPARE(m.envelope(7000), 0.0);
        QCOMPARE(m.envelope(7000 + 3 * m.periodMs()), 0.0);
        QCOMPARE(m.envelope(3000 + 5 * m.periodMs()), 1.0);

        const double slack = p.offsetMicroStrain + p.noiseMicroStrain;
        for (int s = 1; s <= 8; ++s) {
            const int bar = (s + 1) / 2;
            QVERIFY(std::abs(m.sensorStrain(s, 7000)) <= slack);
            const double peak = p.peakMicroStrain * p.loadFactor[bar - 1] * p.sensorFactor[s - 1];
            QVERIFY(std::abs(m.sensorStrain(s, 3000) - peak) <= slack);
            QVERIFY(peak > 300 && peak < 600); // a few hundred micro-strain at the peak
        }
    }

    void barsAndGaugesDiffer() {
        ampsim::Amplifier amp("QT34", 5);
        auto p = amp.model().params();
        p.noiseMicroStrain = 0;
        p.offsetMicroStrain = 0;
        amp.model().setParams(p);
        // Default loads 1.00, 1.03, 0.97, 1.02 on 400 ue.
        QCOMPARE(int(amp.channelValue(1, 3000)), 400);
        QCOMPARE(int(amp.channelValue(2, 3000)), 412);
        QCOMPARE(int(amp.channelValue(3, 3000)), 388);
        QCOMPARE(int(amp.channelValue(4, 3000)), 408);
        QVERIFY(amp.sensorValue(1, 3000) != amp.sensorValue(2, 3000));
    }

    void overloadOneBar() {
        ampsim::Amplifier amp("QT34", 5);
        amp.model().setLoadFactor(2, 1.30);
        amp.model().setLoadFactor(5, 9.0); // no such bar: ignored
        amp.model().setLoadFactor(0, 9.0);
        QCOMPARE(amp.model().loadFactor(2), 1.30);
        QCOMPARE(amp.model().loadFactor(1), 1.00);
        const double ch1 = amp.channelValue(1, 3000), ch2 = amp.channelValue(2, 3000);
        QVERIFY(std::abs(ch2 / ch1 - 1.30) < 0.05);
        QVERIFY(std::abs(amp.channelValue(4, 3000) / ch1 - 1.02) < 0.05);
    }
};

QTEST_APPLESS_MAIN(TestPressModel)
#include "tst_pressmodel.moc"
