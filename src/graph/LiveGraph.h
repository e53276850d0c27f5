#pragma once
// The chart "Graph" on the graph page: four line series Channel1 to Channel4 over time. Only this file and
// the series see the chart library, whose header is expensive to compile. The chart is redrawn only when
// something visible changed: for new samples at most about 5 times a second (each sample as it comes at
// the default interval of 200 ms; at the shortest, 140 ms, drawing every sample cost more than all the
// rest of recording), for what the user does with the mouse or the limits at most about 25 times a second.
//
// The mouse: dragging with the left button zooms into the rectangle drawn, the right or middle button
// pans along the time axis, and a double click returns to the limits of the four limit fields. The wheel
// does nothing.

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class ChannelSeries;
class QCustomPlot;
class QMouseEvent;
class QWidget;

class LiveGraph : public QObject {
public:
    static constexpr int SeriesCount = 4;
    static constexpr int RedrawMs = 40;
    static constexpr int SampleRedrawMs = 180;
    enum Limit { YMaximum, YMinimum, XMaximum, XMinimum };

    // The promoted chart widget of the form.
    explicit LiveGraph(QWidget* chart);

    void addPoint(int series, std::uint32_t x, std::int32_t y);
    void setSeriesVisible(int series, bool visible);
    bool isSeriesVisible(int series) const;
    std::size_t pointCount(int series) const;
    std::size_t memoryBytes() const;
    void clear();

    // Sets one end of an axis; it also becomes where a double click returns to.
    void setLimit(Limit limit, double value);
    // lower and upper end of the left (y) or bottom (x) axis as shown now.
    std::pair<double, double> yRange() const;
    std::pair<double, double> xRange() const;
    void showLimits();

    void setLeftAxisTitle(const QString& title);
    void setBottomAxisTitle(const QString& title);
    QString leftAxisTitle() const;
    QString bottomAxisTitle() const;

    // A redraw soon, no sooner than gapMs after the last one; replotNow() draws at once (benchmarks,
    // pictures).
    void requestReplot(int gapMs = RedrawMs);
    void replotNow();
    // Milliseconds of a clock that never goes back; tests put a virtual one here.
    void setClock(std::function<std::int64_t()> monotonicMs) { monotonicMs_ = std::move(monotonicMs); }

private:
    void onRedrawDue();
    void onPress(QMouseEvent* event);
    void onMove(QMouseEvent* event);
    void onRelease(QMouseEvent* event);

    QCustomPlot* plot_;
    std::array<ChannelSeries*, SeriesCount> series_{};
    std::array<double, 4> limits_{1500, -1500, 60, 0};
    QTimer redraw_;
    std::function<std::int64_t()> monotonicMs_;
    std::optional<std::int64_t> lastReplotMs_;
    bool drawWhenShown_ = false;
    bool panning_ = false;
    double panStartPixel_ = 0;
    std::pair<double, double> panStartRange_;
};
