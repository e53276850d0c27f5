// The graph page at work: sampling cadence, channels, clearing, limits and the start/stop caption.

#include "TestWindow.h"
#include "graph/DataLog.h"
#include "graph/Journal.h"
#include "graph/LiveGraph.h"
#include "settings/Language.h"
#include "settings/LanguageApplier.h"
#include "settings/LanguageLines.h"

#include <QComboBox>
#include <QFile>
#include <QTest>

#include <qcustomplot.h>

namespace {
QString text(TestWindow& w, int line) { return w.window->language().text(line); }

// Sampling on at 200 ms, with readings for the four channels.
void startSampling(TestWindow& w) {
    w.state.graphMinSamplingMs = 140;
    w.window->btnGraphStartStopClick();
    for (int n = 0; n < 4; ++n)
        w.state.readingText[8 + n] = QString::number(100 * (n + 1));
}

// One sample now, whatever the ticks counted so far.
void sampleNow(TestWindow& w) {
    w.state.graphTickCount = 1000;
    w.window->timerGraphTimer();
}
} // namespace

class TestGraphControls : public QObject {
    Q_OBJECT

private slots:
    void init() {
        writeSettingsFile(settingsLayout());
        QFile::remove(QString::fromLatin1(Journal::DefaultFileName)); // windows of earlier tests "crashed"
    }

    void samplingTakesEvery41stTickAndStartsAtOnceAfterALongRun() {
        TestWindow w;
        for (int i = 0; i < 100; ++i) // a measurement runs, sampling is off: ticks are counted
            w.window->timerGraphTimer();
        QCOMPARE(w.window->dataLog().rowCount(), 0);
        startSampling(w);
        QCOMPARE(w.button("btnGraphStartStop")->text(), text(w, lang::StopCaption));
        QCOMPARE(w.statusLine(4), text(w, lang::GraphStarted));
        QVERIFY(!w.control("comboGraphTimeUnit")->isEnabled());
        w.window->timerGraphTimer();
        QCOMPARE(w.window->dataLog().rowCount(), 1);
        for (int i = 0; i < 40; ++i)
            w.window->timerGraphTimer();
        QCOMPARE(w.window->dataLog().rowCount(), 1);
        w.window->timerGraphTimer();
        QCOMPARE(w.window->dataLog().rowCount(), 2);
        QCOMPARE(w.window->graph().pointCount(3), std::size_t(2));
        QCOMPARE(w.window->graph().bottomAxisTitle(), text(w, lang::TimeWord) + QStringLiteral(" [s]"));
    }

    void uncheckedChannelsAndErrorTextsAddNoPoints() {
        TestWindow w;
        startSampling(w);
        w.state.readingText[9] = QStringLiteral("E01");
        sampleNow(w);
        LiveGraph& graph = w.window->graph();
        QCOMPARE(graph.pointCount(0), std::size_t(1));
        QCOMPARE(graph.pointCount(1), std::size_t(0)); // a gap for this channel only
        w.button("btnChannel3Active")->setChecked(false);
        sampleNow(w);
        QVERIFY(!graph.isSeriesVisible(2));
        QCOMPARE(graph.pointCount(2), std::size_t(1));
        w.button("btnChannel3Active")->setChecked(true);
        sampleNow(w);
        QVERIFY(graph.isSeriesVisible(2));
        QCOMPARE(graph.pointCount(2), std::size_t(2));
        QCOMPARE(w.window->dataLog().rowCount(), 3); // the log takes every sample
    }

    void stoppingTellsWhetherAMeasurementRunsAndClearingStartsAnew() {
        TestWindow w;
        startSampling(w);
        sampleNow(w);
        w.button("btnMeasurement")->setText(text(w, lang::StopCaption));
        w.window->btnGraphStartStopClick();
        QCOMPARE(w.statusLine(4), text(w, lang::MeasurementRunning));
        QVERIFY(!w.state.graphRunning);
        startSampling(w);
        w.button("btnMeasurement")->setText(text(w, lang::StartCaption));
        w.window->btnGraphStartStopClick();
        QCOMPARE(w.statusLine(4), text(w, lang::GraphStoppedIdle));

        w.control("comboGraphTimeUnit")->setEnabled(false);
        w.window->btnGraphClearClick();
        QCOMPARE(w.window->graph().pointCount(0), std::size_t(0));
        QCOMPARE(w.window->dataLog().lines(), QStringList{w.window->dataLog().header()});
        QCOMPARE(w.state.graphSampleCount, 1u);
        QCOMPARE(w.state.graphX, 0u);
        QVERIFY(w.control("comboGraphTimeUnit")->isEnabled());
    }

    void aLimitThatIsNoNumberFallsBackAndADoubleClickReturnsToTheLimits() {
        TestWindow w;
        w.window->btnGraphYMaxClick();
        QVERIFY(w.edit("editGraphYMax")->isEnabled());
        w.edit("editGraphYMax")->setText(QStringLiteral("abc"));
        w.window->btnGraphYMaxClick();
        QCOMPARE(w.window->graph().yRange(), (std::pair<double, double>{-1500, 1500}));
        QCOMPARE(w.edit("editGraphYMax")->text(), QStringLiteral("abc")); // the typed text stays
        w.window->btnGraphXMaxClick();
        w.edit("editGraphXMax")->setText(QStringLiteral("10"));
        w.window->btnGraphXMaxClick();
        w.window->btnGraphXMinClick();
        w.edit("editGraphXMin")->setText(QStringLiteral("-5"));
        w.window->btnGraphXMinClick();
        QCOMPARE(w.window->graph().xRange(), (std::pair<double, double>{-5, 10}));
        w.control<QCustomPlot>("Graph")->xAxis->setRange(100, 200); // zoomed and panned away
        w.window->graph().showLimits();
        QCOMPARE(w.window->graph().xRange(), (std::pair<double, double>{-5, 10}));
    }

    void aLanguageChangeTranslatesTheGraphCaption() { // regression: it kept the old language's text
        TestWindow w;
        startSampling(w);
        w.button("btnItalian")->setChecked(true);
        w.window->languageApplier().ApplyLanguage();
        QCOMPARE(w.button("btnGraphStartStop")->text(), text(w, lang::StopCaption));
        w.window->btnGraphStartStopClick();
        QVERIFY(!w.state.graphRunning);
        w.button("btnEnglish")->setChecked(true);
        w.window->languageApplier().ApplyLanguage();
        QCOMPARE(w.button("btnGraphStartStop")->text(), text(w, lang::StartCaption));
    }
};

QTEST_MAIN(TestGraphControls)
#include "test_graph_controls.moc"
