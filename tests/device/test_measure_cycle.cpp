// The measurement cycle against the simulated amplifier: its timing, time-outs, interruptions, and the
// values on screen compared with the amplifier's own model.

#include "Testing.h"
#include "device/MeasureCycle.h"

#include <unistd.h>

namespace {
bool measuring(SimulatedRig& rig) { return rig.state().sessionState == StateMeasure; }

// Connected, measuring switched on, and the first cycle just entered.
void startMeasuring(SimulatedRig& rig) {
    QVERIFY(rig.connect());
    rig.w().button("btnMeasurement")->click();
    QVERIFY(rig.tickUntil([&] { return measuring(rig); }, 20));
}

// The time at which the amplifier answered the last occurrence of a command.
std::uint64_t answeredAt(SimulatedRig& rig, const std::string& command) {
    std::uint64_t at = 0;
    for (const ampsim::LogEntry& entry : rig.sim().log())
        if (entry.toDevice && std::string(entry.bytes.begin(), entry.bytes.end()) == command)
            at = entry.ms;
    return at;
}
} // namespace

class TestMeasureCycle : public QObject {
    Q_OBJECT

private slots:
    void anInstantAmplifierTakesTwoTicksPerReadStep_data() {
        QTest::addColumn<bool>("sensors");
        QTest::addColumn<int>("readTicks");
        QTest::addColumn<int>("cycleTicks");
        QTest::newRow("channel values only") << false << 14 << 21;
        QTest::newRow("with the sensor values") << true << 30 << 37;
    }

    void anInstantAmplifierTakesTwoTicksPerReadStep() {
        QFETCH(bool, sensors);
        QFETCH(int, readTicks);
        QFETCH(int, cycleTicks);
        SimulatedRig rig({.singleValues = sensors});
        startMeasuring(rig);
        QCOMPARE(rig.state().measureStep, sensors ? 81 : 91);
        int ticks = 0;
        while (rig.state().measureStep != EvaluateStep && ticks < 100) {
            rig.tick();
            ++ticks;
        }
        QCOMPARE(ticks, readTicks);
        // The whole cycle: the read steps, one evaluation tick and the three polls of the settings loop.
        rig.sim().clearLog();
        int cycle = ticks;
        do {
            rig.tick();
            ++cycle;
        } while (!measuring(rig) && cycle < 100);
        QCOMPARE(cycle, cycleTicks);
        QCOMPARE(rig.commands(), (QStringList{"Ei", "EM", "DU"}));
        rig.tick(readTicks + 1);
        const QStringList sent = rig.commands();
        QCOMPARE(sent.count("S1"), 1);
        QCOMPARE(sent.filter("~~").size(), sensors ? 8 : 0); // four-byte sensor commands only when polled
        if (sensors)
            QCOMPARE(sent.indexOf("~~<00><01>"), 3);
    }

    void aReplyOnTick74IsTakenAndNoneByTick75DropsTheConnection() {
        SimulatedRig rig;
        startMeasuring(rig);
        QVERIFY(rig.tickUntil([&] { return rig.state().measureStep == 92; }, 40));
        rig.sim().silenceAfter(0);
        rig.tick(73); // "S2" and 72 reads without an answer
        QCOMPARE(rig.state().stateTick, 73u);
        const QByteArray reply("\x2A\x00", 2);
        QCOMPARE(::write(rig.sim().masterFd(), reply.constData(), 2), ssize_t(2));
        rig.sim().pump(rig.nowMs());
        rig.tick(); // the 74th tick of the step reads it
        QCOMPARE(rig.state().measureStep, 93);
        QCOMPARE(rig.state().readingText[9], QStringLiteral("42"));

        const QString shown = rig.w().edit("editChannel1")->text();
        const QString main = rig.w().edit("editMainValue")->text();
        rig.tick(75); // "S3" unanswered
        QCOMPARE(rig.state().sessionState, int(StateConnect));
        QCOMPARE(rig.state().portSearchStep, int(StepReopenPort));
        QCOMPARE(rig.state().measureStep, 93); // kept
        QCOMPARE(rig.w().edit("editChannel1")->text(), shown);
        QCOMPARE(rig.w().edit("editMainValue")->text(), main);
    }

    void aUnitChangeInTheMiddleOfACycleStartsTheNextCycleFromTheBeginning() {
        SimulatedRig rig;
        startMeasuring(rig);
        QVERIFY(rig.tickUntil([&] { return rig.state().measureStep == 94; }, 40));
        rig.sim().clearLog();
        rig.w().button("btnUnitSelect")->click();
        QVERIFY(rig.tickUntil([&] { return measuring(rig); }, 20));
        rig.tick(2);
        QCOMPARE(rig.commands(), (QStringList{"EW", "Ei", "EM", "DU", "~~<00><01>"})); // step 81, not 94
        QCOMPARE(rig.state().deviceUnit, 2);
    }

    void switchingMeasuringOffLetsTheRunningCycleFinish() {
        SimulatedRig rig;
        startMeasuring(rig);
        QVERIFY(rig.tickUntil([&] { return rig.state().measureStep == 93; }, 40));
        rig.w().button("btnMeasurement")->click();
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 20));
        QCOMPARE(rig.state().measureStep, 91);
        rig.sim().clearLog();
        rig.tick(30);
        QVERIFY(!rig.commands().contains("S1"));
    }

    void theDisplaysShowWhatTheAmplifierMeasured() {
        SimulatedRig rig;
        startMeasuring(rig);
        // A cycle in the hold phase of the press, where the tie bars carry their load.
        QVERIFY(rig.tickUntil([&] { return rig.nowMs() > 2600 && rig.state().measureStep == 91; }, 400));
        rig.sim().clearLog();
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 20));
        const ampsim::Amplifier& amp = rig.sim().amplifier();
        for (int channel = 1; channel <= 4; ++channel) {
            const std::uint64_t at = answeredAt(rig, "S" + std::to_string(channel));
            QCOMPARE(rig.w().edit(numbered("editChannel%1", channel))->text(),
                     QString::number(amp.channelValue(channel, at)));
        }
        QCOMPARE(rig.w().edit("editMainValue")->text(),
                 QString::number(amp.mainValue(answeredAt(rig, "S5"))));
        QCOMPARE(rig.w().edit("editMainValueKN")->text(),
                 QString::number(amp.totalKiloNewton(answeredAt(rig, "kN"))));
        QCOMPARE(rig.w().edit("editMainValueTons")->text(),
                 QString::number(amp.totalTons(answeredAt(rig, "to"))));
        QVERIFY(rig.w().edit("editChannel1")->text().toInt() > 300); // under load, not at rest
        QCOMPARE(controls::background(rig.w().edit("editDivergence")), controls::clLime);

        // A row taken while the next cycle replaces the values holds this whole cycle, field by field.
        const CycleSnapshot cycle = rig.state().cycleSnapshot;
        QStringList expected{cycle.texts.begin() + 8, cycle.texts.begin() + 12};
        expected << QStringList{cycle.texts.begin(), cycle.texts.begin() + 8}
                 << QStringList{cycle.texts.begin() + 12, cycle.texts.end()};
        QCOMPARE(expected.mid(0, 4),
                 (QStringList{rig.w().edit("editChannel1")->text(), rig.w().edit("editChannel2")->text(),
                              rig.w().edit("editChannel3")->text(), rig.w().edit("editChannel4")->text()}));
        rig.sim().amplifier().model().setLoadFactor(1, 1.5);
        QVERIFY(rig.tickUntil([&] { return rig.state().measureStep == 96; }, 60));
        QVERIFY(rig.state().readingText[8] != cycle.texts[8]);
        rig.window().dataLog().appendRow();
        QCOMPARE(rig.window().dataLog().lines().last().split(';').mid(1, 15), expected);
    }

    void oneTieBarLoadedBeyondTheToleranceTurnsTheDeviationRed() {
        SimulatedRig rig;
        rig.sim().amplifier().model().setLoadFactor(2, 1.3);
        startMeasuring(rig);
        QVERIFY(rig.tickUntil([&] { return rig.nowMs() > 2600 && rig.state().measureStep == 91; }, 400));
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 20));
        QLineEdit* divergence = rig.w().edit("editDivergence");
        QVERIFY2(divergence->text().toInt() > 10, qPrintable(divergence->text()));
        QCOMPARE(controls::background(divergence), controls::clRed);
    }

    void aLostAmplifierShowsNoValuesUntilItAnswersAgain() { // regression: the last values stayed as if live
        SimulatedRig rig;
        startMeasuring(rig);
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 40));
        QVERIFY(rig.w().edit("editChannel1")->text() != QStringLiteral("E01"));
        rig.sim().disconnect(); // the cable is pulled
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateConnect; }, 80));
        rig.tick(5); // the port cannot be opened: the attempt repeats every tick
        QVERIFY(!rig.window().session().port().IsOpen());
        for (const char* name : {"editChannel1", "editChannel4BigView", "editMainValue", "editMainValueKN"})
            QCOMPARE(rig.w().edit(QString::fromLatin1(name))->text(), QStringLiteral("E01"));
        QCOMPARE(rig.state().cycleSnapshot.texts[8], QStringLiteral("E01")); // the graph and log take none
        QCOMPARE(rig.w().statusLine(0), rig.window().language().own(OwnText::ConnectionLost));
        QVERIFY(rig.sim().reconnect());
        QVERIFY(rig.tickUntil([&] { return rig.w().edit("editChannel1")->text() != QStringLiteral("E01"); },
                              200));
        QCOMPARE(rig.w().button("btnMeasurement")->text(), rig.window().language().text(lang::StopCaption));
    }

    void newSettingsWhileMeasuringTryTheAmplifiersPortFirst() { // regression: a search through every port
        SimulatedRig rig({.com = 4, .manualPort = false});
        startMeasuring(rig);
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 40));
        rig.window().settings().SaveToActiveFile(); // leaving the settings page
        int ticks = 0;
        while (!measuring(rig) && ticks < 400) {
            rig.tick();
            ++ticks;
        }
        QVERIFY2(ticks <= 15, qPrintable(QString::number(ticks)));
        QCOMPARE(rig.w().label("labelCOMPort")->text(), QStringLiteral("COM4"));
    }
};

QTEST_MAIN(TestMeasureCycle)
#include "test_measure_cycle.moc"
