// The evaluation step: channel texts onto the display positions, read back by position, and the deviation.

#include "Testing.h"
#include "evaluation/FittedText.h"
#include "evaluation/ValueDisplay.h"

#include <QFontMetrics>

namespace {
void setChannels(TestWindow& w, const QStringList& texts) {
    for (int i = 0; i < 4; ++i)
        w.state.readingText[8 + i] = texts[i];
}
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
};

QTEST_MAIN(TestValueDisplay)
#include "test_value_display.moc"
