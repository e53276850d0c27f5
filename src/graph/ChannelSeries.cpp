#include "graph/ChannelSeries.h"

#include <algorithm>
#include <optional>

ChannelSeries::ChannelSeries(QCPAxis* keyAxis, QCPAxis* valueAxis)
    : QCPAbstractPlottable(keyAxis, valueAxis) {}

void ChannelSeries::append(std::uint32_t x, std::int32_t y) {
    // Grow by a quarter at a time: doubling would leave up to half the memory of a long shift unused.
    if (points_.size() == points_.capacity())
        points_.reserve(points_.capacity() + std::max<std::size_t>(points_.capacity() / 4, 4096));
    if (!points_.empty() && x < points_.back().x) {
        const auto at = std::upper_bound(points_.begin(), points_.end(), x,
                                         [](std::uint32_t key, const Point& p) { return key < p.x; });
        points_.insert(at, Point{x, y});
        rebuildBlocks();
        return;
    }
    points_.push_back(Point{x, y});
    if (points_.size() % BlockSize == 1) {
        blocks_.push_back(Extent{y, y});
    } else {
        blocks_.back().min = std::min(blocks_.back().min, y);
        blocks_.back().max = std::max(blocks_.back().max, y);
    }
}

void ChannelSeries::clearPoints() {
    points_ = {};
    blocks_ = {};
}

std::size_t ChannelSeries::memoryBytes() const {
    return points_.capacity() * sizeof(Point) + blocks_.capacity() * sizeof(Extent);
}

void ChannelSeries::rebuildBlocks() {
    blocks_.clear();
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const std::int32_t y = points_[i].y;
        if (i % BlockSize == 0)
            blocks_.push_back(Extent{y, y});
        blocks_.back().min = std::min(blocks_.back().min, y);
        blocks_.back().max = std::max(blocks_.back().max, y);
    }
}

void ChannelSeries::widen(Extent& extent, std::size_t from, std::size_t to) const {
    auto take = [&extent](std::int32_t min, std::int32_t max) {
        extent.min = std::min(extent.min, min);
        extent.max = std::max(extent.max, max);
    };
    for (; from < to && from % BlockSize != 0; ++from)
        take(points_[from].y, points_[from].y);
    for (; from + BlockSize <= to; from += BlockSize)
        take(blocks_[from / BlockSize].min, blocks_[from / BlockSize].max);
    for (; from < to; ++from)
        take(points_[from].y, points_[from].y);
}

QCPRange ChannelSeries::getKeyRange(bool& foundRange, QCP::SignDomain) const {
    foundRange = !points_.empty();
    return foundRange ? QCPRange(points_.front().x, points_.back().x) : QCPRange();
}

QCPRange ChannelSeries::getValueRange(bool& foundRange, QCP::SignDomain, const QCPRange&) const {
    foundRange = !points_.empty();
    if (!foundRange)
        return {};
    Extent all{points_.front().y, points_.front().y};
    widen(all, 0, points_.size());
    return QCPRange(all.min, all.max);
}

void ChannelSeries::draw(QCPPainter* painter) {
    if (points_.empty() || !keyAxis() || !valueAxis())
        return;
    const QCPRange keys = keyAxis()->range();
    auto byKey = [](const Point& p, double key) { return p.x < key; };
    std::size_t from = std::lower_bound(points_.begin(), points_.end(), keys.lower, byKey) - points_.begin();
    std::size_t to = std::lower_bound(points_.begin(), points_.end(), keys.upper, byKey) - points_.begin();
    // One point beyond each edge, so the line runs out of the visible range instead of stopping short.
    from = from > 0 ? from - 1 : 0;
    to = std::min(points_.size(), to + 1);
    if (to <= from)
        return;
    const double width = keyAxis()->axisRect()->width();
    if (double(to - from) <= 2 * width)
        drawLine(painter, from, to);
    else
        drawColumns(painter, from, to);
}

void ChannelSeries::drawLine(QCPPainter* painter, std::size_t from, std::size_t to) const {
    applyDefaultAntialiasingHint(painter);
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    const auto xPixel = [this](std::uint32_t x) { return keyAxis()->coordToPixel(x); };
    const auto yPixel = [this](std::int32_t y) { return valueAxis()->coordToPixel(y); };
    if (to - from == 1) {
        painter->drawPoint(QPointF(xPixel(points_[from].x), yPixel(points_[from].y)));
        return;
    }
    // Separate segments, not a polyline: the raster engine strokes a wide polyline through its general
    // path outliner, but rasterises straight segments directly. The pen's square caps close the joints.
    // Samples of one x (several a second on an axis in seconds) make one upright segment from their
    // smallest to their largest value, which covers the line running up and down through them.
    QList<QLineF> segments;
    segments.reserve(qsizetype(to - from));
    std::optional<QPointF> previous;
    for (std::size_t i = from; i < to;) {
        const std::uint32_t x = points_[i].x;
        const std::int32_t first = points_[i].y;
        std::int32_t low = first, high = first, last = first;
        for (++i; i < to && points_[i].x == x; ++i) {
            last = points_[i].y;
            low = std::min(low, last);
            high = std::max(high, last);
        }
        const double px = xPixel(x);
        if (previous)
            segments.append(QLineF(*previous, QPointF(px, yPixel(first))));
        if (low != high)
            segments.append(QLineF(px, yPixel(low), px, yPixel(high)));
        previous = QPointF(px, yPixel(last));
    }
    if (segments.isEmpty()) // all at one x and one value
        painter->drawPoint(*previous);
    else
        painter->drawLines(segments);
}

// More points than pixels: each pixel column gets one bar from the smallest to the largest value that
// falls into it, the last value of the column before included, so the bars join into the line.
void ChannelSeries::drawColumns(QCPPainter* painter, std::size_t from, std::size_t to) const {
    const QCPAxis* x = keyAxis();
    const QCPAxis* y = valueAxis();
    const double penWidth = std::max(1.0, pen().widthF());
    const int left = x->axisRect()->left();
    const int right = x->axisRect()->right();
    painter->setAntialiasing(false);
    painter->setPen(Qt::NoPen);
    painter->setBrush(pen().color());
    std::size_t i = from;
    std::int32_t previous = points_[from].y;
    int previousColumn = -1;
    auto byKey = [](const Point& p, double key) { return p.x < key; };
    for (int column = left; column <= right && i < to; ++column) {
        const double columnEnd = x->pixelToCoord(column + 1);
        const std::size_t end =
            column == right
                ? to
                : std::size_t(std::lower_bound(points_.begin() + std::ptrdiff_t(i),
                                               points_.begin() + std::ptrdiff_t(to), columnEnd, byKey) -
                              points_.begin());
        if (end == i)
            continue;
        Extent extent{previous, previous};
        widen(extent, i, end);
        if (previousColumn >= 0 && column - previousColumn > 1) {
            // Columns without points between: a straight line bridges them.
            painter->setPen(pen());
            painter->drawLine(QPointF(previousColumn, y->coordToPixel(previous)),
                              QPointF(column, y->coordToPixel(points_[i].y)));
            painter->setPen(Qt::NoPen);
        }
        const double top = y->coordToPixel(extent.max);
        const double bottom = y->coordToPixel(extent.min);
        painter->drawRect(QRectF(column - penWidth / 2, std::min(top, bottom) - penWidth / 2, penWidth,
                                 std::abs(bottom - top) + penWidth));
        previous = points_[end - 1].y;
        previousColumn = column;
        i = end;
    }
}

void ChannelSeries::drawLegendIcon(QCPPainter* painter, const QRectF& rect) const {
    painter->setPen(pen());
    painter->drawLine(QLineF(rect.left(), rect.center().y(), rect.right(), rect.center().y()));
}
