// The arithmetic on the amplifier's integers: K-factor, US tons, range limits and the deviation.

#include "Testing.h"
#include "evaluation/Deviation.h"
#include "evaluation/MeasurementControls.h"
#include "evaluation/ReadingConversion.h"

namespace {
QString text(int entry, int raw, ConversionInputs inputs = {}) {
    return reading::convert(entry, raw, inputs).text;
}
ConversionInputs kFactor(int hundredths) { return {hundredths, false, 1, 1}; }
ConversionInputs usTons(int unit, int pollMode) { return {200, true, unit, std::uint8_t(pollMode)}; }
QString shown(std::array<std::int32_t, 4> positions, int tolerance = 10) {
    return deviation::judge(deviation::percent(positions), tolerance).text;
}
constexpr std::int32_t E01 = deviation::ErrorValue;
} // namespace

class TestReadingConversion : public QObject {
    Q_OBJECT

private slots:
    void theKFactorScalesExactlyAndRoundsFractionsTowardPlusInfinity() {
        QCOMPARE(text(8, 123), QStringLiteral("123"));
        QCOMPARE(text(8, 3, kFactor(400)), QStringLiteral("2"));   // 1.5 up to 2
        QCOMPARE(text(8, -3, kFactor(400)), QStringLiteral("-1")); // -1.5 up to -1
        QCOMPARE(text(12, 7, kFactor(250)), QStringLiteral("6"));  // 5.6 up to 6
        // Regression: the factor kept as a binary fraction pushed whole results up (300 at 3.00 gave 201).
        QCOMPARE(text(8, 300, kFactor(300)), QStringLiteral("200"));
        QCOMPARE(text(8, 100, kFactor(250)), QStringLiteral("80"));
        QCOMPARE(reading::convert(8, 3, kFactor(400)).value, 2);
    }

    void valuesOutsideTheRangeShowTheErrorText() {
        QCOMPARE(text(9, 6000, kFactor(100)), QStringLiteral("E01")); // doubled past 9999
        QCOMPARE(reading::convert(9, 6000, kFactor(100)).value, 12000);
        QCOMPARE(text(9, 10000, kFactor(400)), QStringLiteral("E01")); // out of range before scaling
        QCOMPARE(reading::convert(9, 10000, kFactor(400)).value, 10000);
        QCOMPARE(text(3, -9999), QStringLiteral("-9999"));
        QCOMPARE(text(3, -10000), QStringLiteral("E01"));
        QCOMPARE(text(12, 30000), QStringLiteral("30000")); // main value and totals reach 30000
        QCOMPARE(text(14, -32768), QStringLiteral("E01"));
        QCOMPARE(text(13, 32767), QStringLiteral("E01"));
    }

    void usTonsApplyByEntryUnitAndPollMode() {
        QCOMPARE(text(14, 100, usTons(1, 1)), QStringLiteral("111")); // tons total, channel values only
        QCOMPARE(text(14, 100, usTons(1, 2)), QStringLiteral("100")); // with sensors: only in unit tons
        QCOMPARE(text(14, 100, usTons(3, 2)), QStringLiteral("111"));
        QCOMPARE(text(12, 100, usTons(3, 1)), QStringLiteral("111"));
        QCOMPARE(text(12, 100, usTons(1, 1)), QStringLiteral("100"));
        QCOMPARE(text(8, -100, usTons(3, 1)), QStringLiteral("-110")); // ceil(-110.23)
        QCOMPARE(text(13, 100, usTons(3, 1)), QStringLiteral("100"));  // the kN total never
        QCOMPARE(text(2, 100, usTons(3, 2)), QStringLiteral("100"));   // nor a sensor
        QCOMPARE(text(11, 9500, usTons(3, 1)), QStringLiteral("E01")); // converted past the limit
        QCOMPARE(text(12, 100, {200, false, 3, 1}), QStringLiteral("100"));
    }

    void theDeviationIsTheSpreadInPercentOfTheSmallest() {
        QCOMPARE(shown({100, 110, 105, 100}, 10), QStringLiteral("10"));
        QCOMPARE(deviation::judge(deviation::percent({100, 110, 105, 100}), 10).background, controls::clLime);
        QCOMPARE(deviation::judge(deviation::percent({100, 110, 105, 100}), 9).background, controls::clRed);
        QCOMPARE(shown({100, 129, 100, 100}), QStringLiteral("28")); // single precision: 28.999996
        QCOMPARE(shown({100, 199, 150, 150}), QStringLiteral("99"));
        QCOMPARE(shown({100, 200, 150, 150}), QStringLiteral("> 99"));
        QCOMPARE(deviation::judge(deviation::percent({100, 200, 150, 150}), 100).background, controls::clRed);
        QCOMPARE(shown({-50, 60, 55, 52}), QStringLiteral("20"));       // magnitudes
        QCOMPARE(shown({100, E01, E01, 120}), QStringLiteral("20"));    // "E01" left out of the maximum
        QCOMPARE(shown({100, 9999, 100, 100}), QStringLiteral("> 99")); // 9999 is a value
        QCOMPARE(shown({100, 10000, 120, 100}), QStringLiteral("20"));  // 10000 is not
        QCOMPARE(shown({0, 500, 700, 900}), QStringLiteral("0"));
        QCOMPARE(shown({100, E01, E01, E01}), QStringLiteral("0"));
        QCOMPARE(shown({E01, E01, E01, E01}), QStringLiteral("0"));
    }

    void parameterTextsAreReadAsNumbers() {
        const auto read = [](bool (*parse)(const QString&, double*), const char* text) {
            double value = 0;
            return parse(QString::fromLatin1(text), &value) ? QString::number(value)
                                                            : QStringLiteral("refused");
        };
        const auto decimal = &MeasurementControls::parseDecimal, whole = &MeasurementControls::parseWhole;
        QCOMPARE((QStringList{read(decimal, "2,50"), read(decimal, " 2.5 "), read(decimal, "1.234,5"),
                              read(decimal, "abc"), read(decimal, "inf"), read(whole, "-5"),
                              read(whole, "1.5"), read(whole, "")}),
                 (QStringList{"2.5", "2.5", "refused", "refused", "refused", "-5", "refused", "refused"}));
    }
};

QTEST_MAIN(TestReadingConversion)
#include "test_reading_conversion.moc"
