#pragma once
// The chart "Graph" on the graph page: four line series Channel1 to Channel4 over time. This is the only
// file besides the form that sees the chart library, whose header is expensive to compile.

#include <QString>

class QCustomPlot;
class QWidget;

class LiveGraph {
public:
    // The promoted chart widget of the form.
    explicit LiveGraph(QWidget* chart);

    void setLeftAxisTitle(const QString& title);
    void setBottomAxisTitle(const QString& title);
    QString leftAxisTitle() const;
    QString bottomAxisTitle() const;

    int seriesCount() const;
    QString seriesName(int index) const;

private:
    QCustomPlot* plot_;
};
