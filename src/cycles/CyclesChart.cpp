#include "cycles/CyclesChart.h"

#include "qcustomplot.h"

namespace cycles {

namespace {
// The channels' colours of the live graph, so a bar looks the same on every page.
const QColor BarColours[4] = {QColor(0, 90, 200), QColor(220, 120, 0), QColor(0, 150, 60),
                              QColor(150, 0, 150)};
} // namespace

CyclesChart::CyclesChart(QWidget* chart) : plot_(qobject_cast<QCustomPlot*>(chart)) {
    plot_->plotLayout()->clear();
    totals_ = new QCPAxisRect(plot_);
    shares_ = new QCPAxisRect(plot_);
    plot_->plotLayout()->addElement(0, 0, totals_);
    plot_->plotLayout()->addElement(1, 0, shares_);
    // Both halves count the same clamps: one x range, one left margin.
    auto* margins = new QCPMarginGroup(plot_);
    totals_->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
    shares_->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
    QObject::connect(totals_->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                     shares_->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::setRange));

    // Clamps are counted: no tick between two of them.
    QSharedPointer<QCPAxisTickerFixed> counted(new QCPAxisTickerFixed);
    counted->setTickStep(1);
    counted->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    for (QCPAxisRect* rect : {totals_, shares_})
        rect->axis(QCPAxis::atBottom)->setTicker(counted);

    const auto add = [&](QCPAxisRect* rect, const QPen& pen) {
        QCPGraph* graph = plot_->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setPen(pen);
        graph->setAdaptiveSampling(true);
        return graph;
    };
    // Lines of thousands of points stay 1 px wide: wider ones take the raster engine's slow path, ten times
    // the time of the whole chart.
    total_ = add(totals_, QPen(QColor(30, 30, 30), 1));
    total_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));
    totalMean_ = add(totals_, QPen(QColor(0, 140, 0), 1.5, Qt::DashLine));
    for (QCPGraph*& limit : totalLimits_)
        limit = add(totals_, QPen(QColor(210, 0, 0), 1.5, Qt::DashLine));
    alarms_ = add(totals_, Qt::NoPen);
    alarms_->setLineStyle(QCPGraph::lsNone);
    alarms_->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(QColor(220, 0, 0), 2), Qt::NoBrush, 10));
    for (const QColor& colour : BarColours) {
        share_.append(add(shares_, QPen(colour, 1)));
        shareMean_.append(add(shares_, QPen(colour, 1, Qt::DotLine)));
    }
    // The bars' colours explained in a row of their own under the shares: inside the chart the legend would
    // hide the very share that left its band.
    auto* legend = new QCPLegend;
    plot_->plotLayout()->addElement(2, 0, legend);
    plot_->plotLayout()->setRowStretchFactor(2, 0.001);
    legend->setLayer(QStringLiteral("legend"));
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setBorderPen(Qt::NoPen);
    for (QCPGraph* graph : std::as_const(share_))
        graph->addToLegend(legend);
    legend->setVisible(true);
    plot_->setNotAntialiasedElements(QCP::aeAll); // thousands of points: sharp and quick beats smooth
}

void CyclesChart::setTexts(const QString& total, const QString& shares, const QStringList& bars) {
    totals_->axis(QCPAxis::atLeft)->setLabel(total);
    shares_->axis(QCPAxis::atLeft)->setLabel(shares);
    for (int n = 0; n < 4 && n < bars.size(); ++n)
        share_[n]->setName(bars[n]);
}

void CyclesChart::show(const QList<CycleRow>& rows, const std::optional<CycleReference>& reference,
                       const Limits& limits) {
    const QString unit = rows.isEmpty() ? QString() : rows.back().unit;
    QVector<double> x, total, alarmX, alarmY;
    std::array<QVector<double>, 4> share;
    for (const CycleRow& row : rows) {
        if (row.unit != unit)
            continue;
        const double n = x.size() + 1;
        x.append(n);
        total.append(row.total());
        if (row.alarm) {
            alarmX.append(n);
            alarmY.append(row.total());
        }
        for (int bar = 0; bar < 4; ++bar)
            share[bar].append(row.shares[bar]);
    }
    points_ = static_cast<int>(x.size());
    total_->setData(x, total, true);
    alarms_->setData(alarmX, alarmY, true);
    for (int bar = 0; bar < 4; ++bar)
        share_[bar]->setData(x, share[bar], true);

    const double last = std::max<double>(points_, 1) + 0.5;
    const bool referenced = reference && reference->unit == unit;
    if (referenced) {
        const double mean = reference->totalMean, band = std::abs(mean) * limits.totalBandPct / 100;
        totalMean_->setData({0.5, last}, {mean, mean}, true);
        totalLimits_[0]->setData({0.5, last}, {mean - band, mean - band}, true);
        totalLimits_[1]->setData({0.5, last}, {mean + band, mean + band}, true);
        for (int bar = 0; bar < 4; ++bar)
            shareMean_[bar]->setData({0.5, last}, {reference->shareMean[bar], reference->shareMean[bar]},
                                     true);
    } else {
        totalMean_->data()->clear();
        for (QCPGraph* limit : totalLimits_)
            limit->data()->clear();
        for (QCPGraph* graph : std::as_const(shareMean_))
            graph->data()->clear();
    }
    totals_->axis(QCPAxis::atBottom)->setRange(0.5, last);
    bool found = false;
    QCPRange range = total_->getValueRange(found);
    if (referenced) {
        const double band = std::abs(reference->totalMean) * limits.totalBandPct / 100 * 1.6;
        range.expand(QCPRange(reference->totalMean - band, reference->totalMean + band));
        found = true;
    }
    if (found)
        totals_->axis(QCPAxis::atLeft)
            ->setRange(range.lower - 0.05 * range.size() - 1, range.upper + 0.05 * range.size() + 1);
    // The shares move by points around 25 %: scaled to what they are, never to the whole 0 to 100.
    std::optional<QCPRange> shareRange;
    for (QCPGraph* graph : std::as_const(share_)) {
        bool any = false;
        const QCPRange r = graph->getValueRange(any);
        if (any)
            shareRange = shareRange ? QCPRange(std::min(shareRange->lower, r.lower),
                                               std::max(shareRange->upper, r.upper))
                                    : r;
    }
    if (referenced)
        for (double mean : reference->shareMean) {
            const QCPRange band(mean - limits.shareBandPp, mean + limits.shareBandPp);
            shareRange = shareRange ? QCPRange(std::min(shareRange->lower, band.lower),
                                               std::max(shareRange->upper, band.upper))
                                    : band;
        }
    if (!shareRange)
        shareRange = QCPRange(20, 30);
    shares_->axis(QCPAxis::atLeft)->setRange(shareRange->lower - 1, shareRange->upper + 1);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void CyclesChart::replotNow() { plot_->replot(); }

} // namespace cycles
