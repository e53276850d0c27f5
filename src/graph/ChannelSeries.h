#pragma once
// One channel's line on the chart, built for a whole shift of samples. Points are kept compactly (8 bytes
// each) with the smallest and largest value of every block of points beside them, so a chart of millions
// of points is drawn per pixel column from the blocks instead of stroking every point with the wide pen.
// Appending a point costs the same however many there are.

#include <qcustomplot.h>

#include <cstdint>
#include <vector>

class ChannelSeries : public QCPAbstractPlottable {
public:
    ChannelSeries(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // x values are kept in ascending order; a point before the last one is put in its place.
    void append(std::uint32_t x, std::int32_t y);
    void clearPoints();
    std::size_t pointCount() const { return points_.size(); }
    std::size_t memoryBytes() const;

    double selectTest(const QPointF&, bool, QVariant* = nullptr) const override { return -1; }
    QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter* painter) override;
    void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override;

private:
    struct Point {
        std::uint32_t x;
        std::int32_t y;
    };
    struct Extent {
        std::int32_t min;
        std::int32_t max;
    };
    static constexpr std::size_t BlockSize = 256;

    void rebuildBlocks();
    void widen(Extent& extent, std::size_t from, std::size_t to) const;
    void drawLine(QCPPainter* painter, std::size_t from, std::size_t to) const;
    void drawColumns(QCPPainter* painter, std::size_t from, std::size_t to) const;

    std::vector<Point> points_;
    std::vector<Extent> blocks_; // of points [n * BlockSize, (n + 1) * BlockSize)
};
