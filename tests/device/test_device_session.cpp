// The device session's tick, its transactions with the 75-tick time-out, the traffic log, and the faults of
// a real line: replies split over two ticks, a device that vanishes.

#include "Testing.h"
#include "device/DeviceSession.h"

#include <stdexcept>

namespace {
// From start-up until "P0" has gone out (state 3, tick 1), with the amplifier kept silent.
void untilIdentifySent(SimulatedRig& rig) {
    rig.sim().silenceAfter(0);
    QVERIFY(rig.tickUntil(
        [&] { return rig.state().sessionState == StateIdentify && rig.state().stateTick == 1; }, 10));
}

void reply(SimulatedRig& rig, const QByteArray& bytes) { rig.sim().sendRaw({bytes.begin(), bytes.end()}); }
} // namespace

class TestDeviceSession : public QObject {
    Q_OBJECT

private slots:
    void everyTickCountsAndShowsTheStateNumberAndAPauseHoldsTheTimer() {
        SimulatedRig rig;
        rig.state().sessionState = StateIdle;
        rig.state().stateTick = 64999;
        QList<std::uint32_t> ticks;
        for (int i = 0; i < 3; ++i, ticks << rig.state().stateTick)
            rig.tick();
        QCOMPARE(ticks, (QList<std::uint32_t>{65000, 0, 1})); // wraps to 0, not 1
        QCOMPARE(rig.w().statusLine(1), QStringLiteral("0"));
        rig.state().sessionState = 9; // outside the states: nothing happens
        rig.tick();
        QCOMPARE(rig.w().statusLine(1) + QString::number(rig.state().sessionState), QStringLiteral("99"));

        // A pause holds the timer until the last one ends, on every path.
        DeviceSession& session = rig.window().session();
        QTimer& timer = rig.window().timerDeviceCom();
        timer.start();
        try {
            const DeviceSession::Pause outer = session.pause();
            {
                const DeviceSession::Pause inner = session.pause();
                session.setTickInterval(35); // taken, but the timer stays held
                QVERIFY(!timer.isActive());
            }
            QVERIFY(!timer.isActive());
            throw std::runtime_error("not a UserError"); // regression: such an error left the session dead
        } catch (const std::runtime_error&) {
        }
        QVERIFY(timer.isActive());
        QCOMPARE(timer.interval(), 35);
    }

    void theWaitingNoticeNeedsErrorInfoAndNoReplyByTick75DropsThePortKeepingTheSearchStep() {
        SimulatedRig rig;
        untilIdentifySent(rig);
        rig.tick(3);
        QCOMPARE(rig.w().statusLine(2), QString());
        rig.w().button("btnShowErrorInfo")->setChecked(true);
        rig.tick();
        QCOMPARE(rig.w().statusLine(2), rig.window().language().text(lang::WaitingForDevice));
        rig.tick(69);
        QCOMPARE(rig.state().sessionState, int(StateIdentify));
        QCOMPARE(rig.state().stateTick, 74u);
        rig.tick(); // identification keeps the search's step
        QCOMPARE(
            (QList<int>{rig.state().sessionState, int(rig.state().stateTick), rig.state().portSearchStep}),
            (QList<int>{StateConnect, 0, StepManualPort}));
        QVERIFY(!rig.window().session().port().IsOpen());
    }

    void bytesOfAnUnfinishedReplyAreForgottenWithTheNextCommandAndOnAStateChange() {
        SimulatedRig rig;
        untilIdentifySent(rig);
        reply(rig, "QT");
        rig.tick();                // two of four bytes kept
        rig.state().stateTick = 0; // the step starts over: "P0" goes out again
        rig.tick();
        reply(rig, "QT");
        rig.tick();
        QCOMPARE(rig.state().deviceReply, NoReply);
        // A state that reads without sending first must not take them as the start of its reply.
        rig.state().sessionState = StateReadSettings;
        rig.state().identifyStep = StepReadEModulus;
        rig.state().stateTick = 5;
        reply(rig, QByteArray("\xD2\x00", 2));
        rig.tick();
        QCOMPARE(rig.state().deviceReply, QStringLiteral("210"));
    }

    // A reply split over two ticks is completed, not lost. The traffic log shows none while it is off and
    // keeps its latest 5000 lines.
    void aReplySplitOverTwoTicksIsCompletedAndTheTrafficLogKeepsTheLatestLines() {
        SimulatedRig rig;
        rig.sim().splitReplies(true);
        rig.w().button("btnLogDataActive")->setChecked(true);
        QVERIFY(rig.connect());
        QPlainTextEdit* log = rig.w().memo("memoUSBCommunication");
        QCOMPARE(controls::lines(log).mid(0, 3), (QStringList{"TX P0", "RX NONE", "RX QT34"}));
        const int before = controls::lineCount(log);
        rig.w().button("btnLogDataActive")->setChecked(false);
        rig.tick(2);
        QCOMPARE(controls::lineCount(log), before);
        rig.w().button("btnLogDataActive")->setChecked(true);
        for (int i = 0; i < 5100; ++i)
            rig.window().session().ReceiveFromDevice(ReplyBinary, 2); // nothing was asked: nothing comes
        QCOMPARE(controls::lineCount(log), 5000);
        QCOMPARE(controls::line(log, 0), QStringLiteral("RX NONE")); // the oldest went
    }

    void binaryRepliesAreSignedAndLowByteFirstTextRepliesEndAtTheFirstZeroByte() {
        QStringList decoded;
        for (const QByteArray& bytes :
             {QByteArray("\xFE\xFF", 2), QByteArray("\x64\x00", 2), QByteArray("\x00\x80", 2),
              QByteArray("\xFF\x7F", 2), QByteArray("\x83", 1), QByteArray("\x03", 1), QByteArray("abc")})
            decoded << framing::decodeReply(ReplyBinary, bytes);
        for (const QByteArray& bytes : {QByteArray("QT34"), QByteArray("iO\0x", 4), QByteArray("\0O", 2)})
            decoded << framing::decodeReply(ReplyText, bytes);
        // Three bytes are no binary reply.
        QCOMPARE(decoded, (QStringList{"-2", "100", "-32768", "32767", "-125", "3", "", "QT34", "iO", ""}));
    }
};

QTEST_MAIN(TestDeviceSession)
#include "test_device_session.moc"
