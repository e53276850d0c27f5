// Starting and stopping a measurement, reset and unit, and the parameter fields.

#include "Testing.h"

namespace {
// Clicks the button twice around typing text; returns what the field shows afterwards.
QString confirm(TestWindow& w, const char* button, const char* edit, const QString& text) {
    w.button(QString::fromLatin1(button))->click();
    if (!w.edit(QString::fromLatin1(edit))->isEnabled())
        return QStringLiteral("<not opened>");
    w.edit(QString::fromLatin1(edit))->setText(text);
    w.button(QString::fromLatin1(button))->click();
    return w.edit(QString::fromLatin1(edit))->text();
}

void enableParameterButtons(TestWindow& w) {
    for (const QString name : {"btnBarDiameter", "btnEModul", "btnKFactor", "btnTolerance", "btnMeasurement"})
        w.button(name)->setEnabled(true);
}
} // namespace

class TestMeasurementControls : public QObject {
    Q_OBJECT

private slots:
    void parameterEntriesAreLimitedOrReplacedByTheirDefault_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        // Each field with what is typed into it and what it shows once confirmed.
        const QList<QPair<const char*, QStringList>> fields = {
            {"BarDiameter", {"1500", "999", "0", "1", "x", "100", "999", "999"}},
            {"EModul", {"-5", "1", "210", "210", "2.5", "210"}},
            {"KFactor",
             {"1000", "999.99", "0", "0.01", "2,5", "2.50", " 3 ", "3.00", "1.236", "1.24", "0.014", "0.01",
              "zwei", "2.00", "0.29", "0.29"}},
            {"Tolerance", {"101", "100", "-1", "0", "", "10"}},
            {"DeviceComSpeed", {"5", "10", "250", "100", "schnell", "20"}}};
        for (const auto& [field, entries] : fields)
            for (int i = 0; i < entries.size(); i += 2)
                QTest::addRow("%s '%s'", field, qPrintable(entries[i]))
                    << field << entries[i] << entries[i + 1];
    }

    void parameterEntriesAreLimitedOrReplacedByTheirDefault() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        TestWindow w;
        enableParameterButtons(w);
        w.button("btnDeviceComSpeed")->setEnabled(true);
        const QString edit = QStringLiteral("edit") + field;
        QCOMPARE(confirm(w, qPrintable(QStringLiteral("btn") + field), qPrintable(edit), typed), shown);
        QVERIFY(!w.edit(edit)->isEnabled());
        if (field == "KFactor") // what the field shows is what scales the readings
            QCOMPARE(w.state.kFactorHundredths, qRound(shown.toDouble() * 100));
        if (field == "DeviceComSpeed") {
            QCOMPARE(w.window->timerDeviceCom().interval(), shown.toInt());
            QVERIFY(w.window->timerDeviceCom().isActive());
        }
    }

    void aRefusedOrLoadedKFactorSetsTheScaleEnterConfirmsAndBarDiameterAndEModulusGoToTheAmplifier() {
        TestWindow w;
        enableParameterButtons(w);
        confirm(w, "btnKFactor", "editKFactor", QStringLiteral("0"));
        confirm(w, "btnKFactor", "editKFactor", QStringLiteral("nonsense"));
        QCOMPARE(w.state.kFactorHundredths, 200); // the default, not the 0.01 before
        // Regression: a K-factor the program puts into the field was shown but not applied.
        writeSettingsWith({{37, "3.00"}});
        TestWindow restarted;
        QCOMPARE(restarted.state.kFactorHundredths, 300);
        // Enter confirms an open field as the second click does.
        enableParameterButtons(restarted);
        restarted.button("btnTolerance")->click();
        restarted.edit("editTolerance")->setText(QStringLiteral("250"));
        QTest::keyClick(restarted.edit("editTolerance"), Qt::Key_Return);
        QVERIFY(!restarted.edit("editTolerance")->isEnabled());
        QCOMPARE(restarted.edit("editTolerance")->text(), QStringLiteral("100"));
        w.state.sessionState = StateMeasure;
        confirm(w, "btnBarDiameter", "editBarDiameter", QStringLiteral("1500"));
        QCOMPARE(w.state.sessionState, int(StateSendBarDiameter));
        QCOMPARE(w.state.stateTick, 0u);
        confirm(w, "btnEModul", "editEModul", QStringLiteral("200"));
        QCOMPARE(w.state.sessionState, int(StateSendEModulus));
    }

    void resetAndUnitWorkTheSameOnBothViews() {
        TestWindow w;
        const QList<QPair<QString, int>> buttons = {{"btnReset", StateResetDevice},
                                                    {"btnResetBigView", StateResetDevice},
                                                    {"btnUnitSelect", StateChangeUnit},
                                                    {"btnUnitSelectBigView", StateChangeUnit}};
        for (const auto& [name, state] : buttons) {
            w.state.sessionState = StateMeasure;
            w.state.stateTick = 12;
            w.button(name)->setEnabled(true);
            w.button(name)->click();
            QCOMPARE(w.state.sessionState, state);
            QCOMPARE(w.state.stateTick, 0u);
        }
    }

    void measuringOnEnablesTheDisplaysAndOffPutsTheToleranceBack() {
        TestWindow w;
        enableParameterButtons(w);
        const Language& language = w.window->language();
        w.button("btnMeasurement")->click();
        QCOMPARE(w.button("btnMeasurement")->text(), language.text(lang::StopCaption));
        QCOMPARE(w.statusLine(4), language.text(lang::MeasurementRunning));
        QVERIFY(w.window->timerGraph().isActive());
        for (const QString name : {"btnReset", "editSensor42", "editDivergence", "editChannel3BigView",
                                   "btnGraphStartStop", "comboGraphTimeUnit", "btnGraphXMin", "btnSave"})
            QVERIFY2(w.control(name)->isEnabled(), qPrintable(name));
        QVERIFY(!w.edit("editGraphYMax")->isEnabled()); // limit fields open with their own button
        QVERIFY(!w.edit("editTolerance")->isEnabled());

        confirm(w, "btnTolerance", "editTolerance", QStringLiteral("5"));
        w.button("btnTolerance")->click(); // editing again when measuring stops
        w.edit("editDivergence")->setText(QStringLiteral("7"));
        controls::setBackground(w.edit("editDivergence"), controls::clRed);
        w.edit("editGraphYMax")->setEnabled(true);
        w.button("btnMeasurement")->click();
        QCOMPARE(w.button("btnMeasurement")->text(), language.text(lang::StartCaption));
        QCOMPARE(w.button("btnGraphStartStop")->text(), language.text(lang::StartCaption));
        QCOMPARE(w.statusLine(4), language.text(lang::MeasurementStopped));
        QVERIFY(!w.window->timerGraph().isActive());
        QCOMPARE(w.edit("editTolerance")->text(), QStringLiteral("10"));
        QVERIFY(!w.edit("editTolerance")->isEnabled());
        QCOMPARE(w.edit("editDivergence")->text(), QString());
        QCOMPARE(controls::background(w.edit("editDivergence")), controls::windowTextColour());
        for (const QString name :
             {"btnReset", "editChannel1", "editGraphYMax", "btnGraphYMax", "btnChannel2Active"})
            QVERIFY2(!w.control(name)->isEnabled(), qPrintable(name));
        QVERIFY(w.button("btnMeasurement")->isEnabled());
    }
};

QTEST_MAIN(TestMeasurementControls)
#include "test_measurement_controls.moc"
