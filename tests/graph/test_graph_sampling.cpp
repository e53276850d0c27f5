// The arithmetic of graph sampling, and the chart drawing a dense series.

#include "Testing.h"
#include "graph/GraphSampling.h"

#include <QImage>
#include <QWidget>

#include <qcustomplot.h>

using namespace graph_sampling;

class TestGraphSampling : public QObject {
    Q_OBJECT

private slots:
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
    }

    void theSamplingIntervalIsClampedAndShownAsTaken() {
        const struct {
            const char* typed;
            std::uint32_t ms;
            const char* shown;
        } cases[] = {{"50", 140, "140"}, {"10000", 9999, "9999"}, {"abc", 1000, "1000"}, {"-5", 9999, "9999"},
                     {"200", 200, ""},   {"140", 140, ""},        {"9999", 9999, ""}};
        for (const auto& c : cases) {
            const Interval interval = samplingInterval(QString::fromLatin1(c.typed), 140);
            QCOMPARE(interval.ms, c.ms);
            QCOMPARE(interval.shown, QString::fromLatin1(c.shown));
        }
    }

    void samplesKeepToTheClockAndSkipWhatAStallMissed() {
        SampleSchedule schedule;
        QList<std::int64_t> taken;
        for (std::int64_t now = 0; now <= 2000; now += 7) {
            if (now == 707)
                now = 1407; // the machine stalls for 700 ms
            if (schedule.due(now, 140, true))
                taken << now;
        }
        // On the schedule 140, 280, ...: one sample after the stall, not five, and the schedule holds.
        QCOMPARE(taken.mid(0, 6), (QList<std::int64_t>{140, 280, 420, 560, 700, 1407}));
        QCOMPARE(taken.mid(6, 2), (QList<std::int64_t>{1540, 1680}));
        QVERIFY(!schedule.due(5000, 140, false)); // sampling off: nothing, and the next tick takes one
        QVERIFY(schedule.due(5001, 140, true));
    }

    void errorTextsAndEmptyTextsGiveNoPoint() {
        QCOMPARE(pointOf(QStringLiteral("E01")), std::nullopt);
        QCOMPARE(pointOf(QString()), std::nullopt);
        QCOMPARE(pointOf(QStringLiteral("-35")), std::optional<int>(-35));
        QCOMPARE(limitOf(QStringLiteral("abc"), 1500), 1500);
        QCOMPARE(limitOf(QStringLiteral(" -20 "), 1500), -20);
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
        graph.replotNow();
        const QImage image = plot.toPixmap(600, 400).toImage();
        const int left = plot.xAxis->coordToPixel(20000), right = plot.xAxis->coordToPixel(80000);
        QCOMPARE(QColor(image.pixel(left, plot.yAxis->coordToPixel(500))), QColor(0, 255, 0));
        QCOMPARE(QColor(image.pixel(right, plot.yAxis->coordToPixel(-500))), QColor(0, 255, 0));
        QVERIFY(QColor(image.pixel(left, plot.yAxis->coordToPixel(-500))) != QColor(0, 255, 0));
        const QColor sparse(image.pixel(right, plot.yAxis->coordToPixel(1000)));
        QVERIFY(sparse.red() < 100 && sparse.green() > 150 && sparse.blue() > 150);
        QCOMPARE(graph.pointCount(1), std::size_t(100000));
        QVERIFY(graph.memoryBytes() < 20 * 100002);
    }
};

QTEST_MAIN(TestGraphSampling)
#include "test_graph_sampling.moc"
