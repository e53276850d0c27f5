#pragma once
// The chart "Graph" on the graph page: four line series Channel1 to Channel4 over time, and the texts of
// the page. This is the only file besides the form that sees the chart library, whose header is expensive
// to compile.

#include "settings/LanguageParticipant.h"

#include <QString>

class QCustomPlot;
class QLabel;
struct GraphPage;

class LiveGraph : public LanguageParticipant {
public:
    // The left axis is titled like the main value caption it is given.
    LiveGraph(const GraphPage& page, const QLabel* mainValueCaption);

    void setLeftAxisTitle(const QString& title);
    void setBottomAxisTitle(const QString& title);
    QString leftAxisTitle() const;
    QString bottomAxisTitle() const;

    int seriesCount() const;
    QString seriesName(int index) const;

    // Axis titles, channel boxes, sampling and time unit captions; runs after the main value caption.
    void applyLanguage(const Language& language) override;

private:
    const GraphPage& page_;
    const QLabel* mainValueCaption_;
    QCustomPlot* plot_;
};
