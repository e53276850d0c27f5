// The evaluation step: channel texts onto the display positions, read back by position, and the deviation.

#include "Testing.h"
#include "evaluation/FittedText.h"
#include "evaluation/ValueDisplay.h"

#include "evaluation/Deviation.h"
#include "evaluation/MeasurementControls.h"
#include "evaluation/ReadingConversion.h"
#include <QFontMetrics>

namespace {
void setChannels(TestWindow& w, const QStringList& texts) {
    for (int i = 0; i < 4; ++i)
        w.state.readingText[8 + i] = texts[i];
}
} // namespace

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

class TestValueDisplay : public QObject {
    Q_OBJECT

private slots:
    void channelsLandOnTheirCornersAndAreReadBackByPosition() {
        TestWindow w;
        w.button("btnChannel3TopLeft")->setChecked(true); // channel 1 moves to bottom left
        setChannels(w, {"101", "102", "103", "104"});
        w.window->valueDisplay().ConvertReading(12, 102);
        w.window->valueDisplay().ConvertReading(14, 40000); // out of range: shown as "E01"
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editChannel1")->text(), QStringLiteral("103"));
        QCOMPARE(w.edit("editChannel1BigView")->text(), QStringLiteral("103"));
        QCOMPARE(w.edit("editChannel3")->text(), QStringLiteral("101"));
        QCOMPARE(w.state.readingText[8], QStringLiteral("103"));
        QCOMPARE(w.state.readingValue[10], 101);
        QCOMPARE(w.edit("editMainValueBigView")->text(), QStringLiteral("102"));
        QCOMPARE(w.state.readingValue[14], 10100); // the total in tons as its display shows it
        QCOMPARE(w.edit("editDivergence")->text(), QStringLiteral("2"));
        QCOMPARE(controls::background(w.edit("editDivergence")), controls::clLime);
    }

    void sensorTextsFollowTheirChannelOnlyWhenPolled() {
        TestWindow w;
        w.button("btnChannel1BottomRight")->setChecked(true);
        for (int i = 0; i < 8; ++i)
            w.state.readingText[i] = QString::number(11 + i);
        setChannels(w, {"1", "2", "3", "4"});
        w.state.pollMode = 1;
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editSensor41")->text(), QStringLiteral("E01"));
        w.state.pollMode = 2;
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editSensor41")->text(), QStringLiteral("11")); // sensor 1.1 at bottom right
        QCOMPARE(w.edit("editSensor12")->text(), QStringLiteral("18")); // sensor 4.2 moved top left
        QCOMPARE(w.state.readingText[6], QStringLiteral("11"));         // read back by position
    }

    void theDeviationWaitsForAValidMainValueAndAnOpenTolerance() {
        TestWindow w;
        setChannels(w, {"100", "150", "100", "100"});
        w.window->valueDisplay().ConvertReading(12, 10001 * 3); // out of range: "E01"
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editDivergence")->text(), QString()); // left as it was
        w.window->valueDisplay().ConvertReading(12, 110);
        w.edit("editTolerance")->setEnabled(true); // the user is typing a tolerance
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editDivergence")->text(), QString());
        w.edit("editTolerance")->setEnabled(false);
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editDivergence")->text(), QStringLiteral("50"));
        QCOMPARE(controls::background(w.edit("editDivergence")), controls::clRed);
        w.button("btnShowTolerance")->setChecked(false);
        setChannels(w, {"100", "100", "100", "100"});
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editDivergence")->text(), QStringLiteral("50"));
    }

    void aToleranceThatIsNoNumberCountsAsTheDefault() {
        TestWindow w;
        w.edit("editTolerance")->setText(QStringLiteral("zehn"));
        setChannels(w, {"100", "110", "100", "100"});
        w.window->valueDisplay().ConvertReading(12, 105);
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(controls::background(w.edit("editDivergence")), controls::clLime);
    }

    void theLongestTextsFitTheirDisplaysWholeOnceTheirPageShows() { // regression: five digits overflowed
        TestWindow w;
        for (const char* name : {"editChannel1BigView", "editMainValueBigView", "editChannel2",
                                 "editSensor31", "editMainValue", "editMainValueKN", "editDivergence"}) {
            QLineEdit* display = w.edit(QString::fromLatin1(name));
            const int designed = display->font().pixelSize();
            for (const QString text : {"-30000", "> 99", "E01"}) {
                w.clickTab(QStringLiteral("tabGraph"));
                display->setText(text); // a value arrives while its page is hidden
                w.clickTab(display->parentWidget()->objectName());
                QCOMPARE_LE(QFontMetrics(display->font()).horizontalAdvance(text),
                            fitted_text::roomFor(display));
                display->setText(QStringLiteral("7")); // and another while it shows
                QCOMPARE(display->font().pixelSize(), designed);
            }
        }
    }

    void withoutSensorDisplaysTheChannelCaptionSitsOnItsDisplay() {
        TestWindow w;
        QLabel* caption = w.label("labelChannel3");
        const int withSensors = caption->y();
        ValueDisplay::showSensorDisplays(w.window->views().values, false);
        QCOMPARE(caption->y() + caption->height(), w.edit("editChannel3")->y());
        ValueDisplay::showSensorDisplays(w.window->views().values, true);
        QCOMPARE(caption->y(), withSensors);
    }

    // The arithmetic on the amplifier's integers: K-factor, US tons, range limits and the deviation.
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

QTEST_MAIN(TestValueDisplay)
#include "test_value_display.moc"
