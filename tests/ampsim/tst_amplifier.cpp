// The protocol engine on its own: every command's reply, byte orders, state changes and parser recovery.

#include "ampsim/Amplifier.h"

#include <QtTest>

#include <random>

using ampsim::Amplifier;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint64_t kHoldMs = 3000;  // middle of the hold phase of the default cycle
constexpr std::uint64_t kPauseMs = 7000; // middle of the pause

// A press without noise, offsets or uneven loads: every gauge reads exactly peak at the hold.
ampsim::PressParams exactParams(double peak) {
    ampsim::PressParams p;
    p.peakMicroStrain = peak;
    p.loadFactor = {1.0, 1.0, 1.0, 1.0};
    p.sensorFactor.fill(1.0);
    p.noiseMicroStrain = 0.0;
    p.offsetMicroStrain = 0.0;
    return p;
}

int value(const Bytes& reply) {
    return reply.size() == 2 ? static_cast<std::int16_t>(reply[0] | (reply[1] << 8)) : -99999;
}

int ask(Amplifier& amp, std::string_view command, std::uint64_t ms = kHoldMs) {
    return value(amp.handle(command, ms));
}

} // namespace

class TestAmplifier : public QObject {
    Q_OBJECT
private slots:
    void fixedReplies_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("Ei unit") << QByteArray("Ei") << QByteArray("\x01", 1);
        QTest::newRow("EM low byte first") << QByteArray("EM") << QByteArray("\xD2\x00", 2);
        QTest::newRow("DU low byte first") << QByteArray("DU") << QByteArray("\x64\x00", 2);
        QTest::newRow("P0") << QByteArray("P0") << QByteArray("QT34");
        QTest::newRow("EW") << QByteArray("EW") << QByteArray("iO");
        QTest::newRow("RE") << QByteArray("RE") << QByteArray("iO");
        QTest::newRow("du") << QByteArray("du\x00\x50", 4) << QByteArray("iO");
        QTest::newRow("em") << QByteArray("em\x00\xC8", 4) << QByteArray("iO");
        QTest::newRow("unknown") << QByteArray("XY") << QByteArray();
        QTest::newRow("no channel 6") << QByteArray("S6") << QByteArray();
        QTest::newRow("no sensor 9") << QByteArray("~~\x00\x09", 4) << QByteArray();
    }
    void fixedReplies() {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, reply);
        Amplifier amp;
        const Bytes got = amp.handle(std::string_view(command.constData(), command.size()), 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(got.data()), qsizetype(got.size())), reply);
        QCOMPARE(amp.pendingBytes(), std::size_t(0));
    }

    void readingsAreTwoBytesEach() {
        Amplifier amp;
        for (const char* c : {"S1", "S2", "S3", "S4", "S5", "kN", "to"})
            QVERIFY2(amp.handle(c, kHoldMs).size() == 2, c);
        for (int s = 1; s <= 8; ++s)
            QCOMPARE(amp.handle(std::string{'~', '~', '\0', char(s)}, kHoldMs).size(), std::size_t(2));
        // Several commands in one piece are answered in order.
        QCOMPARE(amp.handle("P0EiDU", 0), (Bytes{'Q', 'T', '3', '4', 1, 0x64, 0}));
    }

    void typeDifferences() {
        for (const char* type : {"QT31", "QT32", "QT33", "QT34", "QT35"}) {
            Amplifier amp(type);
            QCOMPARE(amp.handle("P0", 0), Bytes(type, type + 4));
            const bool single = std::string_view(type) >= "QT34";
            QCOMPARE(amp.handle(std::string_view("~~\0\1", 4), kHoldMs).size(), std::size_t(single ? 2 : 0));
            const bool fixed = std::string_view(type) <= "QT32";
            QCOMPARE(amp.handle(std::string_view("em\0\310", 4), 0), fixed ? Bytes() : bytesOfAck());
            QCOMPARE(ask(amp, "EM"), fixed ? 210 : 200);
            QCOMPARE(amp.pendingBytes(), std::size_t(0)); // unanswered, but still framed as 4 bytes
        }
        QCOMPARE(Amplifier::baudFor("QT35"), 19200);
        QCOMPARE(Amplifier::baudFor("QT33"), 9600);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Amplifier("QT36"));
    }

    void unitSteps() {
        Amplifier amp;
        for (int expected : {1, 2, 3, 1, 2}) {
            QCOMPARE(amp.handle("Ei", 0), Bytes{std::uint8_t(expected)});
            QCOMPARE(amp.handle("EW", 0), bytesOfAck());
        }
    }

    void parametersStoredAndReadBack() {
        Amplifier amp;
        // 300 = 0x012C goes out high byte first and comes back low byte first.
        QCOMPARE(amp.handle(std::string_view("du\x01\x2C", 4), 0), bytesOfAck());
        QCOMPARE(amp.handle("DU", 0), (Bytes{0x2C, 0x01}));
        // A 4-byte command arriving in pieces.
        QVERIFY(amp.handle("e", 0).empty());
        QVERIFY(amp.handle("m\x03", 0).empty());
        QCOMPARE(amp.handle("\xE7", 0), bytesOfAck());
        QCOMPARE(amp.handle("EM", 0), (Bytes{0xE7, 0x03}));
        // Above 999 is no valid value: no acknowledgement, nothing changes.
        QVERIFY(amp.handle(std::string_view("du\x03\xE8", 4), 0).empty());
        QCOMPARE(ask(amp, "DU"), 300);
    }

    void forceConversion_data() {
        QTest::addColumn<int>("e");
        QTest::addColumn<int>("d");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("kN");
        QTest::addColumn<int>("tons");
        // 500 ue on 100 mm at 210 kN/mm^2: 824.67 kN = 84.09 t per bar; four bars 3298.7 kN = 336.4 t.
        QTest::newRow("ue") << 210 << 100 << 1 << 500 << 3299 << 336;
        QTest::newRow("kN") << 210 << 100 << 2 << 825 << 3299 << 336;
        QTest::newRow("t") << 210 << 100 << 3 << 84 << 3299 << 336;
        // 80 mm at 200: 502.65 kN, 51.26 t; a radius-for-diameter or E-for-d mix-up gives other numbers.
        QTest::newRow("d80 E200 kN") << 200 << 80 << 2 << 503 << 2011 << 205;
        QTest::newRow("d80 E200 t") << 200 << 80 << 3 << 51 << 2011 << 205;
    }
    void forceConversion() {
        QFETCH(int, e);
        QFETCH(int, d);
        QFETCH(int, unit);
        Amplifier amp;
        amp.model().setParams(exactParams(500));
        amp.setEModulus(e);
        amp.setBarDiameter(d);
        amp.setUnit(unit);
        QTEST(ask(amp, "S1"), "channel");
        QTEST(ask(amp, "S4"), "channel");
        QTEST(ask(amp, "S5"), "channel");
        QTEST(ask(amp, std::string_view("~~\0\3", 4)), "channel");
        QTEST(ask(amp, "kN"), "kN"); // totals do not depend on the unit shown
        QTEST(ask(amp, "to"), "tons");
    }

    void channelIsMeanOfItsSensorsAndMainOfChannels() {
        Amplifier amp;
        auto p = exactParams(400);
        p.sensorFactor = {1.0, 1.1, 1, 1, 1, 1, 1, 1};
        p.loadFactor = {1.0, 1.5, 1.0, 1.0};
        amp.model().setParams(p);
        QCOMPARE(ask(amp, std::string_view("~~\0\1", 4)), 400);
        QCOMPARE(ask(amp, std::string_view("~~\0\2", 4)), 440);
        QCOMPARE(ask(amp, "S1"), 420);
        QCOMPARE(ask(amp, "S2"), 600);
        QCOMPARE(ask(amp, "S5"), (420 + 600 + 400 + 400) / 4);
    }

    void zeroingAndSignedClamping() {
        Amplifier amp;
        amp.model().setParams(exactParams(500));
        QCOMPARE(ask(amp, "S1", kPauseMs), 0);
        QCOMPARE(amp.handle("RE", kHoldMs), bytesOfAck());
        QCOMPARE(ask(amp, "S1"), 0);
        // Released after zeroing under load: negative, sent as two's complement, low byte first.
        QCOMPARE(amp.handle("S1", kPauseMs), (Bytes{0x0C, 0xFE}));

        amp.clearZero();
        amp.model().setParams(exactParams(40000));
        QCOMPARE(amp.handle("S2", kHoldMs), (Bytes{0xFF, 0x7F}));
        amp.handle("RE", kHoldMs);
        QCOMPARE(amp.handle("S2", kPauseMs), (Bytes{0x00, 0x80}));
        QCOMPARE(ampsim::toReplyValue(-0.5), std::int16_t(-1)); // to nearest, halves away from zero
        QCOMPARE(ampsim::toReplyValue(2.5), std::int16_t(3));
    }

    void zeroRemovesStaticOffsetsOfTheDefaultPress() {
        Amplifier amp("QT34", 7);
        int worst = 0;
        for (int s = 1; s <= 8; ++s)
            worst = std::max(worst, std::abs(amp.sensorValue(s, kPauseMs)));
        QVERIFY(worst >= 2); // gauges have visible offsets at rest
        amp.handle("RE", kPauseMs + 100);
        for (int s = 1; s <= 8; ++s)
            QVERIFY(std::abs(amp.sensorValue(s, kPauseMs + 500)) <= 3); // noise only
    }

    void garbageNeverWedgesTheParser() {
        std::mt19937 rng(1234);
        const std::string alphabet = std::string("EDPRdeuS~ktMWiO0125\x00\x03\xFF", 22);
        for (int round = 0; round < 500; ++round) {
            Amplifier amp;
            std::string garbage;
            const int length = int(rng() % 12);
            for (int i = 0; i < length; ++i)
                garbage += (rng() % 2) ? alphabet[rng() % alphabet.size()] : char(rng() % 256);
            // Every byte shows up in some transaction (the log) or is still waiting for the rest.
            std::size_t logged = 0;
            for (const auto& t : amp.feed(garbage, 0))
                logged += t.command.size();
            QCOMPARE(logged + amp.pendingBytes(), garbage.size());
            // At most the first command behind the garbage can be swallowed by it.
            amp.handle("Ei", 0);
            QVERIFY2(amp.handle("Ei", 0) == Bytes{1}, qPrintable(QByteArray::fromStdString(garbage).toHex()));
            QCOMPARE(amp.pendingBytes(), std::size_t(0));
        }
    }

    void stalePartialCommandTimesOut() {
        Amplifier amp;
        QVERIFY(amp.handle(std::string_view("du\0", 3), 1000).empty());
        const auto done = amp.feed("Ei", 1000 + Amplifier::kDefaultPartialTimeoutMs);
        QCOMPARE(done.size(), std::size_t(2));
        QCOMPARE(done[0].command, (Bytes{'d', 'u', 0}));
        QVERIFY(done[0].reply.empty());
        QCOMPARE(done[1].reply, Bytes{1});
    }

private:
    static Bytes bytesOfAck() { return {'i', 'O'}; }
};

QTEST_APPLESS_MAIN(TestAmplifier)
#include "tst_amplifier.moc"
