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
ConversionInputs kFactor(int hundredths) { return {hundredths, false, 1, 1}; }
constexpr std::int32_t E01 = deviation::ErrorValue;
} // namespace

class TestValueDisplay : public QObject {
    Q_OBJECT

private slots:
    void channelsAndPolledSensorsLandOnTheirCornersAndAreReadBackByPosition() {
        TestWindow w;
        w.button("btnChannel3TopLeft")->setChecked(true); // channel 1 moves to bottom left
        for (int i = 0; i < 8; ++i)
            w.state.readingText[i] = QString::number(11 + i);
        setChannels(w, {"101", "102", "103", "104"});
        w.state.pollMode = 1; // channels only
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
        QCOMPARE(w.edit("editSensor31")->text(), QStringLiteral("E01"));
        w.state.pollMode = 2;
        w.window->valueDisplay().EvaluateReadings();
        QCOMPARE(w.edit("editSensor31")->text(), QStringLiteral("11")); // sensor 1.1 at bottom left
        QCOMPARE(w.edit("editSensor12")->text(), QStringLiteral("16")); // sensor 3.2 moved top left
        QCOMPARE(w.state.readingText[4], QStringLiteral("11"));         // read back by position
    }

    void theDeviationWaitsForAValidMainValueAndAnOpenToleranceThatIsANumberOrTheDefault() {
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
        w.button("btnShowTolerance")->setChecked(true);
        w.edit("editTolerance")->setText(QStringLiteral("zehn")); // no number: the default 10
        setChannels(w, {"100", "110", "100", "100"});
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
    void readingsAreScaledConvertedAndLimitedByEntry() {
        // The K-factor scales exactly and rounds fractions toward plus infinity (1.5, -1.5, 5.6). Regression:
        // the factor kept as a binary fraction pushed whole results up (300 at 3.00 gave 201). Readings out
        // of range before or after scaling show the error text; the main value and totals reach 30000. US
        // tons apply to the tons total when only channels are polled, with sensors only in unit tons, to the
        // main value in unit tons, rounded up (-110.23), never to the kN total nor a sensor, and may go past
        // the limit. Each row: entry, raw reading, K-factor in hundredths, US tons chosen (1), device unit,
        // poll mode, and the text shown.
        for (const char* row :
             {"8 123 200 0 1 1 123",    "8 3 400 0 1 1 2",          "8 -3 400 0 1 1 -1",
              "12 7 250 0 1 1 6",       "8 300 300 0 1 1 200",      "8 100 250 0 1 1 80",
              "9 6000 100 0 1 1 E01",   "9 10000 400 0 1 1 E01",    "3 -9999 200 0 1 1 -9999",
              "3 -10000 200 0 1 1 E01", "12 30000 200 0 1 1 30000", "14 -32768 200 0 1 1 E01",
              "13 32767 200 0 1 1 E01", "14 100 200 1 1 1 111",     "14 100 200 1 1 2 100",
              "14 100 200 1 3 2 111",   "12 100 200 1 3 1 111",     "12 100 200 1 1 1 100",
              "8 -100 200 1 3 1 -110",  "13 100 200 1 3 1 100",     "2 100 200 1 3 2 100",
              "11 9500 200 1 3 1 E01",  "12 100 200 0 3 1 100"}) {
            const QStringList in = QString::fromLatin1(row).split(' ');
            const ConversionInputs inputs{in[2].toInt(), in[3] == "1", in[4].toInt(),
                                          std::uint8_t(in[5].toInt())};
            QCOMPARE(in.mid(0, 6).join(' ') + ' ' +
                         reading::convert(in[0].toInt(), in[1].toInt(), inputs).text,
                     QString::fromLatin1(row));
        }
        // The value behind a number is the number; behind the error text, the reading as scaled or received.
        QCOMPARE(reading::convert(8, 3, kFactor(400)).value, 2);
        QCOMPARE(reading::convert(9, 6000, kFactor(100)).value, 12000);
        QCOMPARE(reading::convert(9, 10000, kFactor(400)).value, 10000);
    }

    void theDeviationIsTheSpreadInPercentOfTheSmallest() {
        // Single precision: 100 and 129 give 28.999996. Magnitudes count; "E01" is left out of the maximum;
        // 9999 is a value, 10000 is not. Four positions, the tolerance, the text and whether it shows lime:
        const std::tuple<int, int, int, int, int, const char*, bool> rows[] = {
            {100, 110, 105, 100, 10, "10", true},     {100, 110, 105, 100, 9, "10", false},
            {100, 129, 100, 100, 10, "28", false},    {100, 199, 150, 150, 100, "99", true},
            {100, 200, 150, 150, 100, "> 99", false}, {-50, 60, 55, 52, 20, "20", true},
            {100, E01, E01, 120, 10, "20", false},    {100, 9999, 100, 100, 10, "> 99", false},
            {100, 10000, 120, 100, 10, "20", false},  {0, 500, 700, 900, 10, "0", true},
            {100, E01, E01, E01, 10, "0", true},      {E01, E01, E01, E01, 10, "0", true}};
        for (const auto& [a, b, c, d, tolerance, text, lime] : rows) {
            const auto judged = deviation::judge(deviation::percent({a, b, c, d}), tolerance);
            const QString inputs =
                QStringLiteral("%1 %2 %3 %4 within %5: ").arg(a).arg(b).arg(c).arg(d).arg(tolerance);
            QCOMPARE(inputs + judged.text + QLatin1Char(' ') + judged.background.name(),
                     inputs + QString::fromLatin1(text) + QLatin1Char(' ') +
                         (lime ? controls::clLime : controls::clRed).name());
        }
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
