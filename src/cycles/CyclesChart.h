#pragma once
// The control chart of the cycles page: above, the total of each clamp with the reference total and its
// limits, alarms marked red; below, the four bars' shares with their reference shares. One point per clamp,
// numbered from the oldest shown, so that pauses of the press take no room. Only this file sees the chart
// library.

#include "cycles/Cycle.h"
#include "cycles/Reference.h"

#include <QList>
#include <QStringList>

#include <array>

#include <optional>

class QCPAxisRect;
class QCPGraph;
class QCustomPlot;
class QWidget;

namespace cycles {

class CyclesChart {
public:
    // The promoted chart widget of the form.
    explicit CyclesChart(QWidget* chart);

    // Clamps oldest first. Those in another unit than the newest are left out: their totals are no measure
    // of the others'.
    void show(const QList<CycleRow>& rows, const std::optional<CycleReference>& reference,
              const Limits& limits);
    // The captions of the two axes and the names of the four bars.
    void setTexts(const QString& total, const QString& shares, const QStringList& bars);
    void replotNow();
    // How many clamps the last show() drew.
    int pointCount() const { return points_; }

private:
    QCustomPlot* plot_;
    QCPAxisRect* totals_;
    QCPAxisRect* shares_;
    QCPGraph* total_;
    QCPGraph* alarms_;
    QCPGraph* totalMean_;
    std::array<QCPGraph*, 2> totalLimits_; // lower, upper
    QList<QCPGraph*> share_;
    QList<QCPGraph*> shareMean_;
    int points_ = 0;
};

} // namespace cycles
