#include "graph/LiveGraph.h"

#include "Controls.h"
#include "graph/ChannelSeries.h"

#include <qcustomplot.h>

#include <QElapsedTimer>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>

namespace {
const QColor Background(69, 69, 69);

struct SeriesStyle {
    const char* name;
    QColor colour;
};
const SeriesStyle Series[] = {{"Channel1", QColor(0, 255, 255)},
                              {"Channel2", QColor(0, 255, 0)},
                              {"Channel3", QColor(255, 0, 0)},
                              {"Channel4", QColor(255, 0, 128)}};

// The chart's background painted into its drawing buffer, which then covers the whole widget. As the
// chart's own background it was filled once more on the widget at every redraw, and under the axes once
// more into the buffer: a tenth of the cost of a redraw.
class ChartBackground : public QCPLayerable {
public:
    explicit ChartBackground(QCustomPlot* plot) : QCPLayerable(plot, QStringLiteral("background")) {}

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
    void draw(QCPPainter* painter) override { painter->fillRect(mParentPlot->viewport(), Background); }
};

void styleAxis(QCPAxis* axis, double lower, double upper) {
    const QPen white(Qt::white);
    axis->setRange(lower, upper);
    axis->setBasePen(white);
    axis->setTickPen(white);
    axis->setSubTickPen(white);
    axis->setTickLabelColor(Qt::white);
    axis->setLabelColor(Qt::white);
    QFont title = axis->labelFont();
    title.setPixelSize(21);
    axis->setLabelFont(title);
    axis->grid()->setPen(QPen(QColor(110, 110, 110), 0, Qt::DotLine));
}
} // namespace

LiveGraph::LiveGraph(QWidget* chart) : plot_(qobject_cast<QCustomPlot*>(chart)) {
    if (!plot_)
        throw std::logic_error("the graph page has no chart");
    plot_->setBackground(Qt::NoBrush);
    plot_->axisRect()->setBackground(Qt::NoBrush);
    new ChartBackground(plot_); // owned by the chart
    plot_->legend->setVisible(false);
    // A hidden legend still measures its items' texts at every redraw.
    plot_->setAutoAddPlottableToLegend(false);
    plot_->xAxis2->setVisible(false);
    plot_->yAxis2->setVisible(false);
    styleAxis(plot_->yAxis, limits_[YMinimum], limits_[YMaximum]);
    styleAxis(plot_->xAxis, limits_[XMinimum], limits_[XMaximum]);
    for (int n = 0; n < SeriesCount; ++n) {
        series_[n] = new ChannelSeries(plot_->xAxis, plot_->yAxis); // owned by the chart
        series_[n]->setName(QString::fromLatin1(Series[n].name));
        series_[n]->setPen(QPen(Series[n].colour, 2, Qt::SolidLine, Qt::SquareCap)); // caps join the segments
    }
    // Fixed margins leave room beside and under the axes for the limit fields, so they cover no data.
    plot_->axisRect()->setAutoMargins(QCP::msNone);
    plot_->axisRect()->setMargins(QMargins(175, 16, 24, 95));
    plot_->setInteractions({});
    // The overlay holds only the zoom rectangle while it is dragged. As a buffer of its own it was cleared
    // and blended over the whole chart at every redraw, a tenth of the cost of recording.
    plot_->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    redraw_.setSingleShot(true);
    connect(&redraw_, &QTimer::timeout, this, &LiveGraph::onRedrawDue);
    // Drawing into the buffers of a chart on a hidden page cost as much as drawing it shown (a tenth of a
    // core while recording on the main view); the chart is drawn once when its page shows instead.
    controls::whenShown(plot_, [this] {
        if (std::exchange(drawWhenShown_, false))
            replotNow();
    });
    monotonicMs_ = [clock = std::make_shared<QElapsedTimer>()] {
        if (!clock->isValid())
            clock->start();
        return clock->elapsed();
    };
    connect(plot_, &QCustomPlot::mousePress, this, &LiveGraph::onPress);
    connect(plot_, &QCustomPlot::mouseMove, this, &LiveGraph::onMove);
    connect(plot_, &QCustomPlot::mouseRelease, this, &LiveGraph::onRelease);
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, &LiveGraph::showLimits);
}

void LiveGraph::addPoint(int series, std::uint32_t x, std::int32_t y) {
    series_[series]->append(x, y);
    requestReplot(SampleRedrawMs);
}

void LiveGraph::setSeriesVisible(int series, bool visible) {
    if (series_[series]->visible() == visible)
        return;
    series_[series]->setVisible(visible);
    requestReplot();
}

bool LiveGraph::isSeriesVisible(int series) const { return series_[series]->visible(); }
std::size_t LiveGraph::pointCount(int series) const { return series_[series]->pointCount(); }

std::size_t LiveGraph::memoryBytes() const {
    std::size_t bytes = 0;
    for (const ChannelSeries* series : series_)
        bytes += series->memoryBytes();
    return bytes;
}

void LiveGraph::clear() {
    for (ChannelSeries* series : series_)
        series->clearPoints();
    requestReplot();
}

void LiveGraph::setLimit(Limit limit, double value) {
    limits_[limit] = value;
    switch (limit) {
    case YMaximum:
        plot_->yAxis->setRangeUpper(value);
        break;
    case YMinimum:
        plot_->yAxis->setRangeLower(value);
        break;
    case XMaximum:
        plot_->xAxis->setRangeUpper(value);
        break;
    case XMinimum:
        plot_->xAxis->setRangeLower(value);
        break;
    }
    requestReplot();
}

std::pair<double, double> LiveGraph::yRange() const {
    return {plot_->yAxis->range().lower, plot_->yAxis->range().upper};
}
std::pair<double, double> LiveGraph::xRange() const {
    return {plot_->xAxis->range().lower, plot_->xAxis->range().upper};
}

void LiveGraph::showLimits() {
    plot_->yAxis->setRange(limits_[YMinimum], limits_[YMaximum]);
    plot_->xAxis->setRange(limits_[XMinimum], limits_[XMaximum]);
    requestReplot();
}

void LiveGraph::setLeftAxisTitle(const QString& title) {
    if (plot_->yAxis->label() == title)
        return;
    plot_->yAxis->setLabel(title);
    requestReplot();
}

void LiveGraph::setBottomAxisTitle(const QString& title) {
    if (plot_->xAxis->label() == title)
        return;
    plot_->xAxis->setLabel(title);
    requestReplot();
}

QString LiveGraph::leftAxisTitle() const { return plot_->yAxis->label(); }
QString LiveGraph::bottomAxisTitle() const { return plot_->xAxis->label(); }

void LiveGraph::requestReplot(int gapMs) {
    // Drawn once the points of this sample are all in, and no sooner than gapMs after the last drawing;
    // a timer of its own per sample would wake the machine once more for every sample. A redraw the
    // mouse asks for comes sooner than one already waiting for the next samples.
    const std::int64_t since = lastReplotMs_ ? monotonicMs_() - *lastReplotMs_ : gapMs;
    const int wait = int(std::clamp<std::int64_t>(gapMs - since, 0, gapMs));
    if (redraw_.isActive() && redraw_.remainingTime() <= wait)
        return;
    redraw_.start(wait);
}

void LiveGraph::onRedrawDue() {
    if (controls::onShownPage(plot_))
        replotNow();
    else
        drawWhenShown_ = true;
}

void LiveGraph::replotNow() {
    redraw_.stop();
    plot_->replot();
    lastReplotMs_ = monotonicMs_();
}

void LiveGraph::onPress(QMouseEvent* event) {
    // The chart starts its zoom rectangle after this signal, for any button: only the left one may.
    plot_->setSelectionRectMode(event->button() == Qt::LeftButton ? QCP::srmZoom : QCP::srmNone);
    panning_ = event->button() == Qt::RightButton || event->button() == Qt::MiddleButton;
    panStartPixel_ = event->position().x();
    panStartRange_ = xRange();
}

void LiveGraph::onMove(QMouseEvent* event) {
    if (!panning_)
        return;
    const double perPixel =
        (panStartRange_.second - panStartRange_.first) / std::max(1, plot_->axisRect()->width());
    const double shift = (panStartPixel_ - event->position().x()) * perPixel;
    plot_->xAxis->setRange(panStartRange_.first + shift, panStartRange_.second + shift);
    requestReplot();
}

void LiveGraph::onRelease(QMouseEvent*) { panning_ = false; }
