#include "graph/LiveGraph.h"

#include "Controls.h"
#include "Views.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QLabel>

#include <qcustomplot.h>

#include <stdexcept>

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

LiveGraph::LiveGraph(const GraphPage& page, const QLabel* mainValueCaption)
    : page_(page), mainValueCaption_(mainValueCaption), plot_(qobject_cast<QCustomPlot*>(page.chart)) {
    if (!plot_)
        throw std::logic_error("the graph page has no chart");
    plot_->setBackground(Background);
    plot_->axisRect()->setBackground(Background);
    plot_->legend->setVisible(false);
    plot_->xAxis2->setVisible(false);
    plot_->yAxis2->setVisible(false);
    styleAxis(plot_->yAxis, -1500, 1500);
    styleAxis(plot_->xAxis, 0, 60);
    for (const SeriesStyle& style : Series) {
        QCPGraph* graph = plot_->addGraph();
        graph->setName(QString::fromLatin1(style.name));
        graph->setPen(QPen(style.colour, 2));
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setScatterStyle(QCPScatterStyle::ssNone);
    }
    // A plain drag pans along the time axis only; Ctrl and a drag zooms into the rectangle drawn.
    plot_->setInteraction(QCP::iRangeDrag, true);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    QObject::connect(plot_, &QCustomPlot::mousePress, plot_, [plot = plot_](QMouseEvent* event) {
        plot->setSelectionRectMode(event->modifiers() & Qt::ControlModifier ? QCP::srmZoom : QCP::srmNone);
    });
}

void LiveGraph::setLeftAxisTitle(const QString& title) {
    plot_->yAxis->setLabel(title);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void LiveGraph::setBottomAxisTitle(const QString& title) {
    plot_->xAxis->setLabel(title);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

QString LiveGraph::leftAxisTitle() const { return plot_->yAxis->label(); }
QString LiveGraph::bottomAxisTitle() const { return plot_->xAxis->label(); }
int LiveGraph::seriesCount() const { return plot_->graphCount(); }
QString LiveGraph::seriesName(int index) const { return plot_->graph(index)->name(); }

void LiveGraph::applyLanguage(const Language& language) {
    setLeftAxisTitle(mainValueCaption_->text());
    setBottomAxisTitle(language.text(lang::TimeWord) + QStringLiteral(" [s]"));
    for (int n = 1; n <= 4; ++n)
        page_.channelActive[n - 1]->setText(language.text(lang::ChannelWord) + QString::number(n));
    controls::setCaption(page_.samplingLabel, language.text(lang::GraphSampling));
    controls::setCaption(page_.timeUnitLabel, language.text(lang::GraphTimeUnit));
    page_.clear->setText(language.text(lang::GraphClear));
    controls::setLeftFromText(page_.samplingLabel, language.text(lang::LeftGraphSampling));
    controls::setLeftFromText(page_.timeUnitLabel, language.text(lang::LeftGraphTimeUnit));
}
