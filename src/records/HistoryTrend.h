#pragma once
// The trend chart of the history page: the four channels and the deviation of one machine's records over
// time, one point per record, with the tolerance band shaded, so the drift of one tie bar shows at a
// glance. Only this file sees the chart library.
//
// The time axis spans the records: times of day when they lie within one day, dates otherwise, on the
// clock of the place of the newest. The deviation has the right-hand axis and the band to itself, scaled to
// the ordinary deviations: one far off (an over-range "> 99" among them) sits at the top edge with a mark
// of its own instead of squeezing the others into a line at the bottom.

#include "records/Record.h"

#include <QList>
#include <QString>
#include <QStringList>

class QCPItemRect;
class QCPItemStraightLine;
class QCPItemText;
class QCustomPlot;
class QWidget;

namespace records {

class HistoryTrend {
public:
    static constexpr int Deviation = 4; // the graph after the four channels
    static constexpr int OffScale = 5;  // marks of the deviations above the deviation axis

    // The promoted chart widget of the form.
    explicit HistoryTrend(QWidget* chart);

    // The records of one machine, oldest first; `selected` is marked by a vertical line. Channels are drawn
    // in the unit of the newest record, those of records in another force unit converted to it. Strain and
    // force have no factor between them: such records give no channel points, and a line on the chart
    // says how many there are. The deviation, in percent, is always drawn.
    void show(const QList<Record>& records, const QString& selected);
    void clear();
    // Names of the four channels, of the deviation and of its off-scale marks, as the legend shows them;
    // the line about channels not shown (%1 the units, %2 the count); the history's date and time format,
    // date and time separated by a space.
    void setTexts(const QStringList& names, const QString& channelsNotShown, const QString& timeFormat);
    void replotNow();

private:
    QCustomPlot* plot_;
    QCPItemRect* band_;
    QCPItemText* notShown_;
    QCPItemStraightLine* marker_;
    QString channelsNotShown_;
    QString timeFormat_;
    // What is shown, to be shown again in another language.
    QList<Record> records_;
    QString selected_;
};

} // namespace records
