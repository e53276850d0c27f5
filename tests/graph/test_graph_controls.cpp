// The graph page at work: sampling cadence, channels, clearing, limits and the start/stop caption.

#include "Testing.h"

#include <QSignalSpy>

#include "graph/GraphSampling.h"
#include <QImage>
#include <qcustomplot.h>

namespace {
QString text(TestWindow& w, int line) { return w.window->language().text(line); }

// Sampling on at 200 ms, with readings for the four channels.
void startSampling(TestWindow& w) {
    w.state.graphMinSamplingMs = 140;
    w.window->timerGraphTimer(); // the graph timer runs with the measurement
    w.window->btnGraphStartStopClick();
    for (int n = 0; n < 4; ++n)
        w.state.cycleSnapshot.texts[8 + n] = QString::number(100 * (n + 1));
}

// Ticks of the graph timer, each ms apart by its clock.
void tickEvery(TestWindow& w, int ticks, int ms) {
    for (int i = 0; i < ticks; ++i) {
        w.monotonicMs += ms;
        w.window->timerGraphTimer();
    }
}
} // namespace

using namespace graph_sampling;

class TestGraphControls : public QObject {
    Q_OBJECT

private slots:
    void init() { freshFolder(); }

    // The graph timer wakes when a sample is due, the first at once; samples keep to the clock of late
    // ticks, and the chart draws each at the next pass, or once when its hidden page shows again.
    void samplingKeepsToTheClockAndTheChartDrawsOnlyWhatIsShown() {
        TestWindow w;
        w.clickTab(QStringLiteral("tabGraph"));
        QTimer& timer = w.window->timerGraph();
        tickEvery(w, 3, 500); // a measurement runs, sampling is off
        QCOMPARE_GE(timer.interval(), 250);
        QCOMPARE(w.window->dataLog().rowCount(), 0);
        startSampling(w);
        QCOMPARE(w.button("btnGraphStartStop")->text(), text(w, lang::StopCaption));
        QCOMPARE(w.statusLine(4), text(w, lang::GraphStarted));
        QVERIFY(!w.control("comboGraphTimeUnit")->isEnabled());
        QCOMPARE_LE(timer.interval(), 5);
        tickEvery(w, 1, timer.interval());
        QCOMPARE(w.window->dataLog().rowCount(), 1);
        QCoreApplication::processEvents();
        QSignalSpy drawn(w.control<QCustomPlot>(QStringLiteral("Graph")), &QCustomPlot::afterReplot);
        const std::int64_t start = w.monotonicMs;
        for (int tick = 0; tick < 100; ++tick) {
            tickEvery(w, 1, timer.interval()); // as the timer was set: a sample on every tick, 200 ms apart
            QCoreApplication::processEvents();
        }
        QCOMPARE(w.window->dataLog().rowCount(), 101);
        QCOMPARE_LE(w.monotonicMs - start, 100 * 200);
        QCOMPARE(drawn.count(), 100);
        w.clickTab(QStringLiteral("tabMainView"));
        for (int tick = 0; tick < 1000; ++tick) {
            tickEvery(w, 1, 9);                // a busy machine: ticks 9 ms apart instead of 5, 9 s in all
            QCoreApplication::processEvents(); // a redraw falls due at each pass, the chart being far behind
        }
        QCOMPARE(w.window->dataLog().rowCount(), 101 + 45); // one row every 200 ms all the same
        QCOMPARE(w.window->graph().pointCount(3), std::size_t(146));
        QCOMPARE(drawn.count(), 100);
        w.clickTab(QStringLiteral("tabGraph"));
        QCOMPARE(drawn.count(), 101);
        QCOMPARE(w.window->graph().bottomAxisTitle(), text(w, lang::TimeWord) + QStringLiteral(" [s]"));
    }

    // At the shortest interval the chart keeps up with the samples without drawing each; a pan with the
    // mouse is drawn at once all the same.
    void samplesAtTheShortestIntervalAreDrawnFewerTimesAPanAtOnce() {
        TestWindow w;
        w.clickTab(QStringLiteral("tabGraph"));
        w.state.graphMinSamplingMs = 140;
        w.window->timerGraphTimer();
        w.edit("editGraphSampling")->setText(QStringLiteral("140"));
        w.window->btnGraphStartStopClick();
        for (int n = 0; n < 4; ++n)
            w.state.cycleSnapshot.texts[8 + n] = QString::number(100 * (n + 1));
        QCoreApplication::processEvents();
        auto* chart = w.control<QCustomPlot>(QStringLiteral("Graph"));
        QSignalSpy drawn(chart, &QCustomPlot::afterReplot);
        for (int tick = 0; tick < 50; ++tick) {
            tickEvery(w, 1, 140);
            QCoreApplication::processEvents();
        }
        QCOMPARE(w.window->graph().pointCount(0), std::size_t(50));
        QCOMPARE_GE(drawn.count(), 20);
        QCOMPARE_LE(drawn.count(), 36);

        w.window->graph().replotNow();
        const int before = drawn.count();
        const std::pair<double, double> shown = w.window->graph().xRange();
        w.monotonicMs += 100;
        QTest::mousePress(chart, Qt::RightButton, {}, QPoint(500, 300));
        QTest::mouseMove(chart, QPoint(400, 300));
        QCoreApplication::processEvents();
        QTest::mouseRelease(chart, Qt::RightButton, {}, QPoint(400, 300));
        QCOMPARE_GT(w.window->graph().xRange().first, shown.first);
        QCOMPARE(drawn.count(), before + 1);
    }

    void uncheckedChannelsAndErrorTextsAddNoPointsStoppingClearingAndLimits() {
        TestWindow w;
        startSampling(w);
        w.state.cycleSnapshot.texts[9] = QStringLiteral("E01");
        tickEvery(w, 1, 10000); // a sample now
        LiveGraph& graph = w.window->graph();
        QCOMPARE(graph.pointCount(0), std::size_t(1));
        QCOMPARE(graph.pointCount(1), std::size_t(0)); // a gap for this channel only
        w.button("btnChannel3Active")->setChecked(false);
        tickEvery(w, 1, 10000);
        QVERIFY(!graph.isSeriesVisible(2));
        QCOMPARE(graph.pointCount(2), std::size_t(1));
        w.button("btnChannel3Active")->setChecked(true);
        tickEvery(w, 1, 10000);
        QVERIFY(graph.isSeriesVisible(2));
        QCOMPARE(graph.pointCount(2), std::size_t(2));
        QCOMPARE(w.window->dataLog().rowCount(), 3); // the log takes every sample
        // Stopping tells whether a measurement runs, and clearing starts anew.
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
        // A limit that is no number falls back; a double click returns to the limits.
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
        w.edit("editGraphXMin")->setText(QStringLiteral(" -5 "));
        w.window->btnGraphXMinClick();
        QCOMPARE(w.window->graph().xRange(), (std::pair<double, double>{-5, 10}));
        w.control<QCustomPlot>("Graph")->xAxis->setRange(100, 200); // zoomed and panned away
        w.window->graph().showLimits();
        QCOMPARE(w.window->graph().xRange(), (std::pair<double, double>{-5, 10}));
    }

    // Sampling stays on across a measurement stop, and the caption says so in the language chosen since.
    // The time axis title follows the unit and language chosen while measuring, at once (ticks are 1 s
    // apart).
    void theStartCaptionSaysWhetherSamplingRunsAcrossStopsAndLanguages() { // regression: it kept the old text
        TestWindow w;
        w.window->btnMeasurementClick();
        QTest::keyClick(w.control("comboGraphTimeUnit"), Qt::Key_Down);
        QCOMPARE(w.window->graph().bottomAxisTitle(), text(w, lang::TimeWord) + QStringLiteral(" [min]"));
        w.applyLanguage("btnEnglish");
        QCOMPARE(w.window->graph().bottomAxisTitle(), text(w, lang::TimeWord) + QStringLiteral(" [min]"));
        startSampling(w);
        w.window->btnMeasurementClick(); // stopped: sampling stays on for the next measurement
        w.applyLanguage("btnItalian");
        QCOMPARE(w.button("btnGraphStartStop")->text(), text(w, lang::StopCaption));
        w.window->btnMeasurementClick();
        w.window->btnGraphStartStopClick();
        w.window->btnMeasurementClick();
        w.applyLanguage("btnEnglish");
        QCOMPARE(w.button("btnGraphStartStop")->text(), text(w, lang::StartCaption));
    }

    // The arithmetic of graph sampling, and the chart drawing a dense series.
    void samplesLieTheirIntervalApartInTheChosenUnit() {
        QList<std::uint32_t> seconds, millis;
        for (std::uint32_t sample = 1; sample <= 5; ++sample) {
            seconds << xOf(sample, 200, TimeUnit::Seconds);
            millis << xOf(sample, 200, TimeUnit::Milliseconds);
        }
        QCOMPARE(seconds, (QList<std::uint32_t>{0, 0, 0, 0, 1}));
        QCOMPARE(millis, (QList<std::uint32_t>{200, 400, 600, 800, 1000}));
        QCOMPARE(xOf(300, 9999, TimeUnit::Minutes), 49u);
        QCOMPARE(xOf(0x80000000u, 4, TimeUnit::Milliseconds), 0u); // the product wraps, as it always did
        QCOMPARE(xOf(7, 200, TimeUnit::None), 0u);
        QCOMPARE(unitOf(QStringLiteral("min")), TimeUnit::Minutes);
        QCOMPARE(unitOf(QStringLiteral("h")), TimeUnit::None);
        QCOMPARE(axisSuffix(TimeUnit::Seconds), QStringLiteral(" [s]"));
        // The interval typed is clamped and shown as taken.
        QStringList taken;
        for (const char* typed : {"50", "10000", "abc", "-5", "200", "140", "9999"}) {
            const Interval interval = samplingInterval(QString::fromLatin1(typed), 140);
            taken << QStringLiteral("%1 %2").arg(interval.ms).arg(interval.shown);
        }
        QCOMPARE(taken.join(" | "), "140 140 | 9999 9999 | 1000 1000 | 9999 9999 | 200  | 140  | 9999 ");
        // Samples keep to the clock and skip what a stall missed.
        SampleSchedule schedule;
        QList<std::int64_t> due;
        for (std::int64_t now = 0; now <= 2000; now += 7) {
            if (now == 707)
                now = 1407; // the machine stalls for 700 ms
            if (schedule.due(now, 140, true))
                due << now;
        }
        // On the schedule 140, 280, ...: one sample after the stall, not five, and the schedule holds.
        QCOMPARE(due.mid(0, 8), (QList<std::int64_t>{140, 280, 420, 560, 700, 1407, 1540, 1680}));
        QVERIFY(!schedule.due(5000, 140, false)); // sampling off: nothing, and the next tick takes one
        QVERIFY(schedule.due(5001, 140, true));
    }

    void aSeriesOfManyPointsIsDrawnWhereItsValuesAre() {
        QCustomPlot plot;
        plot.resize(600, 400);
        LiveGraph graph(&plot);
        graph.setLimit(LiveGraph::XMaximum, 100000);
        for (std::uint32_t x = 0; x < 100000; ++x)
            graph.addPoint(1, x, x < 50000 ? 500 : -500); // far more points than pixels
        graph.addPoint(0, 10, 1000);                      // and a sparse one
        graph.addPoint(0, 90000, 1000);
        for (const std::int32_t y : {500, 200, 800, 400}) // samples of one x, as several a second in seconds
            graph.addPoint(2, 30000, y);
        graph.addPoint(2, 60000, 400);
        graph.replotNow();
        const QImage image = plot.toPixmap(600, 400).toImage();
        const int left = plot.xAxis->coordToPixel(20000), right = plot.xAxis->coordToPixel(80000);
        QCOMPARE(QColor(image.pixel(left, plot.yAxis->coordToPixel(500))), QColor(0, 255, 0));
        QCOMPARE(QColor(image.pixel(right, plot.yAxis->coordToPixel(-500))), QColor(0, 255, 0));
        QVERIFY(QColor(image.pixel(left, plot.yAxis->coordToPixel(-500))) != QColor(0, 255, 0));
        const QColor sparse(image.pixel(right, plot.yAxis->coordToPixel(1000)));
        QVERIFY(sparse.red() < 100 && sparse.green() > 150 && sparse.blue() > 150);
        const auto red = [&](double x, double y) {
            const QColor c(
                image.pixel(qRound(plot.xAxis->coordToPixel(x)), qRound(plot.yAxis->coordToPixel(y))));
            return c.red() > 150 && c.green() < 60;
        };
        QVERIFY(red(30000, 250) && red(30000, 750)); // up and down through them, at their x
        QVERIFY(red(45000, 400) && !red(45000, 200) && !red(45000, 800)); // on from the last of them
        QCOMPARE(graph.pointCount(1), std::size_t(100000));
        QVERIFY(graph.memoryBytes() < 20 * 100002);
        const QImage shown = plot.grab().toImage(); // as on the screen, beside the axes too
        QCOMPARE(QColor(shown.pixel(3, 3)), QColor(69, 69, 69));
        QCOMPARE(QColor(shown.pixel(left, plot.yAxis->coordToPixel(500))), QColor(0, 255, 0));
    }
};

QTEST_MAIN(TestGraphControls)
#include "test_graph_controls.moc"
