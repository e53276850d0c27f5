// The simulated amplifier without I/O: the protocol engine, the press behind it and the tool's options.

#include "ampsim/Amplifier.h"
#include "ampsim/CliOptions.h"

#include <QtTest>

using ampsim::Amplifier;
using Bytes = std::vector<std::uint8_t>;
using namespace std::literals;

namespace {

constexpr std::uint64_t kHoldMs = 3000; // middle of the hold phase of the default cycle
const Bytes kAck{'i', 'O'};

// A press without noise, offsets or uneven loads: every gauge reads exactly peak at the hold.
ampsim::PressParams exactParams(double peak) {
    return {.peakMicroStrain = peak,
            .loadFactor = {1, 1, 1, 1},
            .sensorFactor = {1, 1, 1, 1, 1, 1, 1, 1},
            .noiseMicroStrain = 0,
            .offsetMicroStrain = 0};
}

int ask(Amplifier& amp, std::string_view command, std::uint64_t ms = kHoldMs) {
    const Bytes reply = amp.handle(command, ms);
    return reply.size() == 2 ? std::int16_t(reply[0] | reply[1] << 8) : -99999;
}

// The two totals, "kN t".
QString totals(Amplifier& amp) { return QStringLiteral("%1 %2").arg(ask(amp, "kN")).arg(ask(amp, "to")); }

} // namespace

class TestAmplifier : public QObject {
    Q_OBJECT
private slots:
    // --- The protocol

    void typesDifferInSingleSensorsAndFixedParameters() {
        for (const std::string_view type : {"QT31", "QT32", "QT33", "QT34", "QT35"}) {
            Amplifier amp(std::string{type});
            QCOMPARE(amp.handle("P0", 0), Bytes(type.begin(), type.end()));
            const bool single = type >= "QT34", fixed = type <= "QT32";
            QCOMPARE(amp.handle("~~\0\1"sv, kHoldMs).size(), std::size_t(single ? 2 : 0));
            QCOMPARE(amp.handle("em\0\310"sv, 0), fixed ? Bytes() : kAck);
            QCOMPARE(ask(amp, "EM"), fixed ? 210 : 200);
            QCOMPARE(amp.pendingBytes(), std::size_t(0)); // unanswered, but still framed as 4 bytes
        }
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Amplifier("QT36"));
    }

    void forceConversion() {
        Amplifier amp;
        amp.model().setParams(exactParams(500));
        // 500 ue on 100 mm at 210 kN/mm^2: 824.67 kN = 84.09 t per bar; four bars 3298.7 kN = 336.4 t.
        QCOMPARE(ask(amp, "S1"), 500);
        QCOMPARE(totals(amp), QStringLiteral("3299 336"));
        amp.setUnit(ampsim::UnitTons);
        QCOMPARE(ask(amp, "S4"), 84);
        QCOMPARE(totals(amp), QStringLiteral("3299 336")); // totals do not depend on the unit shown
        // 80 mm at 200: 502.65 kN per bar; a radius-for-diameter or E-for-d mix-up gives other numbers.
        amp.setUnit(ampsim::UnitKiloNewton);
        amp.setEModulus(200);
        amp.setBarDiameter(80);
        for (std::string_view command : {"S1"sv, "S4"sv, "S5"sv, "~~\0\3"sv})
            QCOMPARE(ask(amp, command), 503);
        QCOMPARE(totals(amp), QStringLiteral("2011 205"));
    }

    // --- The tool's options

    void optionsAreParsed() {
        ampsim::CliOptions o;
        std::string error;
        QVERIFY(
            ampsim::parseCliOptions({"--type", "QT35", "--com=7", "--overload", "2:1.30", "--overload=4:0.9",
                                     "--seed", "99", "--split", "--garbage-every", "3", "--wrong-type",
                                     "QT31", "--log", "x.log", "--disconnect-after-ms", "500"},
                                    o, error));
        // The last two are untouched defaults.
        QCOMPARE(QString::asprintf("%s %d %llu %d %d %s %s %lld %s %lld", o.type.c_str(), o.com,
                                   (unsigned long long)o.seed, o.split, o.garbageEvery, o.wrongType.c_str(),
                                   o.logFile.c_str(), (long long)o.disconnectAfterMs, o.portsDir.c_str(),
                                   (long long)o.silenceAfter),
                 QStringLiteral("QT35 7 99 1 3 QT31 x.log 500 ports -1"));
        QCOMPARE(o.overloads, (std::vector<std::pair<int, double>>{{2, 1.30}, {4, 0.9}}));
    }
};

QTEST_APPLESS_MAIN(TestAmplifier)
#include "test_amplifier.moc"
