#include "records/HistoryTrend.h"

#include <qcustomplot.h>

#include <algorithm>
#include <stdexcept>

namespace records {

namespace {
// The live graph's colours, darkened for a white chart, and the deviation in black.
const QColor Colours[] = {QColor(0, 130, 200), QColor(0, 150, 0), QColor(210, 0, 0), QColor(190, 0, 120),
                          QColor(0, 0, 0)};

double seconds(const QDateTime& time) { return time.toMSecsSinceEpoch() / 1000.0; }
} // namespace

HistoryTrend::HistoryTrend(QWidget* chart) : plot_(qobject_cast<QCustomPlot*>(chart)) {
    if (!plot_)
        throw std::logic_error("the history page has no trend chart");
    QFont small = plot_->font();
    small.setPixelSize(11);
    small.setBold(false);
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis, plot_->yAxis2}) {
        axis->setTickLabelFont(small);
        axis->setLabelFont(small);
    }
    plot_->yAxis2->setVisible(true);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd"));
    plot_->xAxis->setTicker(ticker);

    // The band first, so the points are drawn over it.
    band_ = new QCPItemRect(plot_);
    band_->setClipAxisRect(plot_->axisRect());
    for (QCPItemPosition* corner : {band_->topLeft, band_->bottomRight}) {
        corner->setAxes(plot_->xAxis, plot_->yAxis2);
        corner->setTypeX(QCPItemPosition::ptAxisRectRatio);
        corner->setTypeY(QCPItemPosition::ptPlotCoords);
    }
    band_->topLeft->setCoords(0, 0);
    band_->bottomRight->setCoords(1, 0);
    band_->setPen(Qt::NoPen);
    band_->setBrush(QColor(0, 190, 0, 45));
    band_->setLayer(QStringLiteral("background"));

    for (int n = 0; n <= Deviation; ++n) {
        QCPGraph* graph = plot_->addGraph(plot_->xAxis, n == Deviation ? plot_->yAxis2 : plot_->yAxis);
        graph->setScatterStyle(
            QCPScatterStyle(n == Deviation ? QCPScatterStyle::ssSquare : QCPScatterStyle::ssDisc, 5));
    }
    marker_ = new QCPItemStraightLine(plot_);
    marker_->setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
    marker_->setVisible(false);

    plot_->legend->setVisible(true);
    plot_->legend->setFont(small);
    plot_->legend->setBrush(QColor(255, 255, 255, 210));
    plot_->legend->setRowSpacing(0);
    plot_->legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot_->legend->setWrap(5);
    plot_->legend->setBorderPen(Qt::NoPen);
    // Above the chart, so it covers no point.
    plot_->axisRect()->insetLayout()->take(plot_->legend);
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, plot_->legend);
    plot_->plotLayout()->setRowStretchFactor(0, 0.001);
    plot_->plotLayout()->setRowSpacing(0);
    plot_->setInteractions({});
}

void HistoryTrend::setNames(const QStringList& names) {
    for (int n = 0; n <= Deviation; ++n)
        plot_->graph(n)->setName(names.value(n));
    plot_->yAxis2->setLabel(names.value(Deviation));
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void HistoryTrend::clear() { show({}, {}); }

void HistoryTrend::show(const QList<Record>& records, const QString& selected) {
    const QString unit = records.isEmpty() ? QString() : records.last().unit;
    QList<QCPGraphData> channels[4];
    QList<QCPGraphData> deviation;
    double tolerance = 0;
    double highest = 0;
    marker_->setVisible(false);
    for (const Record& record : records) {
        const double x = seconds(record.takenAt);
        if (record.unit == unit)
            for (int n = 0; n < 4; ++n)
                if (record.channels[n])
                    channels[n].append({x, *record.channels[n]});
        if (record.deviation) {
            deviation.append({x, *record.deviation});
            highest = std::max(highest, *record.deviation);
        }
        if (record.tolerance)
            tolerance = *record.tolerance; // the newest one's, as the band shows today's limit
        if (record.id == selected) {
            marker_->point1->setCoords(x, 0);
            marker_->point2->setCoords(x, 1);
            marker_->setVisible(true);
        }
    }
    // Many records on one chart: the points would lie on each other anyway, and thick antialiased lines and
    // thousands of markers take seconds to draw. Thin lines and a marker per few pixels look the same.
    const qsizetype many = 400;
    const bool crowded = records.size() > many;
    for (int n = 0; n <= Deviation; ++n) {
        plot_->graph(n)->setPen(QPen(Colours[n], crowded ? 1 : 2));
        plot_->graph(n)->setScatterSkip(crowded ? static_cast<int>(records.size() / (many / 2)) - 1 : 0);
    }
    plot_->setNotAntialiasedElements(crowded ? QCP::aePlottables : QCP::aeNone);
    // Records come oldest first: the data is sorted already.
    for (int n = 0; n < 4; ++n)
        plot_->graph(n)->data()->set(channels[n], true);
    plot_->graph(Deviation)->data()->set(deviation, true);
    band_->topLeft->setCoords(0, tolerance);
    band_->bottomRight->setCoords(1, 0);
    band_->setVisible(tolerance > 0);

    plot_->yAxis->setLabel(unit);
    if (records.isEmpty()) {
        const double now = seconds(QDateTime::currentDateTimeUtc());
        plot_->xAxis->setRange(now - 86400 * 30, now);
        plot_->yAxis->setRange(0, 1);
    } else {
        const double first = seconds(records.first().takenAt);
        const double last = seconds(records.last().takenAt);
        const double margin = std::max((last - first) * 0.04, 3600.0);
        plot_->xAxis->setRange(first - margin, last + margin);
        bool found = false;
        QCPRange range;
        for (int n = 0; n < 4; ++n) {
            bool has = false;
            const QCPRange own = plot_->graph(n)->getValueRange(has);
            if (has)
                range = found ? QCPRange(std::min(range.lower, own.lower), std::max(range.upper, own.upper))
                              : own;
            found = found || has;
        }
        if (!found)
            range = QCPRange(0, 1);
        const double pad = std::max(range.size() * 0.08, std::abs(range.upper) * 0.02 + 1e-9);
        plot_->yAxis->setRange(range.lower - pad, range.upper + pad);
    }
    plot_->yAxis2->setRange(0, std::max({highest, tolerance, 1.0}) * 1.25);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void HistoryTrend::replotNow() { plot_->replot(); }

} // namespace records
