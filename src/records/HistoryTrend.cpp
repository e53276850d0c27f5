#include "records/HistoryTrend.h"

#include "evaluation/ReadingConversion.h"
#include "records/RecordText.h"

#include <qcustomplot.h>

#include <QTimeZone>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace records {

namespace {
// The live graph's colours, darkened for a white chart, and the deviation in black.
const QColor Colours[] = {QColor(0, 130, 200), QColor(0, 150, 0), QColor(210, 0, 0), QColor(190, 0, 120),
                          QColor(0, 0, 0)};
const QColor OffScaleColour(200, 0, 0);
constexpr double Day = 86400;

double seconds(const QDateTime& time) { return time.toMSecsSinceEpoch() / 1000.0; }

// Dates come at most once each along the axis: a step under a day would write the same date twice.
class TimeTicker : public QCPAxisTickerDateTime {
public:
    bool wholeDays = true;

protected:
    double getTickStep(const QCPRange& range) override {
        const double step = QCPAxisTickerDateTime::getTickStep(range);
        return wholeDays ? std::max(step, Day) : step;
    }
};

// Marks on the top edge, whole: one cut in half by the edge it stands for reads as a stray pixel.
class EdgeMarks : public QCPGraph {
public:
    using QCPGraph::QCPGraph;

protected:
    QRect clipRect() const override { return QCPGraph::clipRect().adjusted(0, -8, 0, 0); }
};
} // namespace

HistoryTrend::HistoryTrend(QWidget* chart)
    : plot_(qobject_cast<QCustomPlot*>(chart)), timeFormat_(shownTimeFormat({})) {
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
    plot_->xAxis->setTicker(QSharedPointer<TimeTicker>::create());

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
    QCPGraph* offScale = new EdgeMarks(plot_->xAxis, plot_->yAxis2);
    offScale->setLineStyle(QCPGraph::lsNone);
    offScale->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssTriangle, QPen(OffScaleColour, 1.5), QBrush(OffScaleColour), 9));

    notShown_ = new QCPItemText(plot_);
    notShown_->setClipToAxisRect(false);
    notShown_->position->setType(QCPItemPosition::ptAxisRectRatio);
    notShown_->position->setCoords(0, 0);
    notShown_->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    notShown_->setPadding(QMargins(4, 2, 4, 2));
    notShown_->setFont(small);
    notShown_->setColor(QColor(90, 90, 90));
    notShown_->setBrush(QColor(255, 255, 255, 210));
    notShown_->setVisible(false);
    // The last item: the one a record's choice moves.
    marker_ = new QCPItemStraightLine(plot_);
    marker_->setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
    marker_->setVisible(false);

    plot_->legend->setVisible(true);
    plot_->legend->setFont(small);
    plot_->legend->setBrush(QColor(255, 255, 255, 210));
    plot_->legend->setRowSpacing(0);
    plot_->legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot_->legend->setWrap(6); // one row, the off-scale mark included
    plot_->legend->setBorderPen(Qt::NoPen);
    // Above the chart, so it covers no point.
    plot_->axisRect()->insetLayout()->take(plot_->legend);
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, plot_->legend);
    plot_->plotLayout()->setRowStretchFactor(0, 0.001);
    plot_->plotLayout()->setRowSpacing(0);
    plot_->setInteractions({});
}

void HistoryTrend::setTexts(const QStringList& names, const QString& channelsNotShown,
                            const QString& timeFormat) {
    for (int n = 0; n <= OffScale; ++n)
        plot_->graph(n)->setName(names.value(n));
    plot_->yAxis2->setLabel(names.value(Deviation));
    channelsNotShown_ = channelsNotShown;
    timeFormat_ = timeFormat;
    show(records_, selected_);
}

void HistoryTrend::clear() { show({}, {}); }

void HistoryTrend::show(const QList<Record>& records, const QString& selected) {
    records_ = records;
    selected_ = selected;
    const QString unit = records.isEmpty() ? QString() : records.last().unit;
    const std::optional<double> kiloNewtons = kiloNewtonsPer(unit);
    // The band shows today's limit: the newest record's.
    double tolerance = 0;
    for (auto r = records.rbegin(); r != records.rend() && tolerance <= 0; ++r)
        tolerance = r->tolerance.value_or(0);
    // Left out of the scale, the band keeps at least a quarter of the height and the deviations near it stay
    // apart.
    const auto offScaleHere = [&](double deviation) { return offTheScale(deviation, tolerance); };
    double highest = 0;
    for (const Record& record : records)
        if (record.deviation && !offScaleHere(*record.deviation))
            highest = std::max(highest, *record.deviation);
    // Room above the band and the highest point, so neither touches the edge where the marks sit.
    const double top = std::max({tolerance * 1.5, highest * 1.1, 1.0});

    QList<QCPGraphData> channels[4];
    QList<QCPGraphData> deviation;
    QList<QCPGraphData> offScale;
    QStringList unitsNotShown;
    int notShown = 0;
    marker_->setVisible(false);
    for (const Record& record : records) {
        const double x = seconds(record.takenAt);
        const std::optional<double> own = kiloNewtonsPer(record.unit);
        if (record.unit == unit || (own && kiloNewtons)) {
            const double factor = record.unit == unit ? 1 : *own / *kiloNewtons;
            for (int n = 0; n < 4; ++n)
                if (record.channels[n])
                    channels[n].append({x, *record.channels[n] * factor});
        } else {
            ++notShown;
            if (!unitsNotShown.contains(shownUnit(record.unit)))
                unitsNotShown.append(shownUnit(record.unit));
        }
        if (record.deviation) {
            const bool off = offScaleHere(*record.deviation);
            deviation.append({x, off ? top : *record.deviation});
            if (off)
                offScale.append({x, top});
        }
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
    plot_->graph(OffScale)->data()->set(offScale, true);
    if (offScale.isEmpty())
        plot_->graph(OffScale)->removeFromLegend();
    else
        plot_->graph(OffScale)->addToLegend();
    band_->topLeft->setCoords(0, tolerance);
    band_->bottomRight->setCoords(1, 0);
    band_->setVisible(tolerance > 0);
    notShown_->setText(
        channelsNotShown_.arg(unitsNotShown.join(QStringLiteral(", ")), QString::number(notShown)));
    notShown_->setVisible(notShown > 0);

    auto ticker = plot_->xAxis->ticker().staticCast<TimeTicker>();
    plot_->yAxis->setLabel(shownUnit(unit));
    if (records.isEmpty()) {
        const double now = seconds(QDateTime::currentDateTimeUtc());
        plot_->xAxis->setRange(now - Day * 30, now);
        plot_->yAxis->setRange(0, 1);
        ticker->wholeDays = true;
    } else {
        // The clock of the place of the newest, as the table shows its time.
        const QTimeZone zone(records.last().utcOffsetMin * 60);
        ticker->setTimeZone(zone);
        ticker->setTickOrigin(-records.last().utcOffsetMin * 60.0); // whole hours and days on that clock
        ticker->wholeDays =
            records.first().takenAt.toTimeZone(zone).date() != records.last().takenAt.toTimeZone(zone).date();
        const double first = seconds(records.first().takenAt);
        const double last = seconds(records.last().takenAt);
        // The records fill the width, with room for a marker at either end; a single one, or a few within
        // the hour, get the hour around them, which the axis writes in minutes.
        const double half = std::max((last - first) * 0.53, 1800.0);
        plot_->xAxis->setRange((first + last) / 2 - half, (first + last) / 2 + half);
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
    const int part = ticker->wholeDays ? 0 : 1; // the date or the time of the history's format
    ticker->setDateTimeFormat(timeFormat_.section(QLatin1Char(' '), part, part));
    plot_->yAxis2->setRange(0, top);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void HistoryTrend::replotNow() { plot_->replot(); }

} // namespace records
