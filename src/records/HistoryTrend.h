#pragma once
// The trend chart of the history page: the four channels and the deviation of one machine's records over
// time, one point per record, with the tolerance band shaded, so the drift of one tie bar shows at a
// glance. Only this file sees the chart library.

#include "records/Record.h"

#include <QList>
#include <QString>
#include <QStringList>

class QCPItemRect;
class QCPItemStraightLine;
class QCustomPlot;
class QWidget;

namespace records {

class HistoryTrend {
public:
    static constexpr int Deviation = 4; // the graph after the four channels

    // The promoted chart widget of the form.
    explicit HistoryTrend(QWidget* chart);

    // The records of one machine, oldest first; `selected` is marked by a vertical line. Channels are drawn
    // in the unit of the newest record: a record shown in another unit gives no channel points, as its
    // numbers would mean something else on the same axis. The deviation, in percent, is always drawn.
    void show(const QList<Record>& records, const QString& selected);
    void clear();
    // Names of the four channels and of the deviation, as the legend shows them.
    void setNames(const QStringList& names);
    void replotNow();

private:
    QCustomPlot* plot_;
    QCPItemRect* band_;
    QCPItemStraightLine* marker_;
};

} // namespace records
