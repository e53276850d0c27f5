#include "graph/GraphControls.h"

#include "Controls.h"
#include "Dialogs.h"
#include "Errors.h"
#include "ProgramState.h"
#include "ProgramStatus.h"
#include "Views.h"
#include "graph/CsvFile.h"
#include "graph/DataLog.h"
#include "graph/GraphSampling.h"
#include "graph/Journal.h"
#include "graph/LiveGraph.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace graph_sampling;

GraphControls::GraphControls(const GraphPage& page, const QAbstractButton* measurement,
                             const QLabel* mainValueCaption, const Services& services, ProgramState& state,
                             const Language& language)
    : page_(page), measurement_(measurement), mainValueCaption_(mainValueCaption), services_(services),
      state_(state), language_(language) {}

void GraphControls::timerGraphTimer() {
    if (page_.timeUnit->currentIndex() >= 0) {
        const TimeUnit unit = unitOf(page_.timeUnit->currentText());
        state_.graphX = xOf(state_.graphSampleCount, state_.graphSamplingMs, unit);
        services_.graph.setBottomAxisTitle(language_.text(lang::TimeWord) + axisSuffix(unit));
    }
    services_.graph.setLeftAxisTitle(mainValueCaption_->text());
    if (state_.graphRunning && sampleDue(state_.graphTickCount, state_.graphSamplingMs)) {
        state_.graphTickCount = 0;
        sample();
    } else {
        ++state_.graphTickCount;
    }
    services_.journal.syncIfDue();
}

void GraphControls::sample() {
    for (int n = 0; n < LiveGraph::SeriesCount; ++n) {
        const bool active = page_.channelActive[n]->isChecked();
        services_.graph.setSeriesVisible(n, active);
        if (!active)
            continue;
        if (const std::optional<int> y = pointOf(state_.readingText[Reading::FirstChannel + n]))
            services_.graph.addPoint(n, state_.graphX, *y);
    }
    ++state_.graphX;
    ++state_.graphSampleCount;
    services_.log.appendRow();
}

void GraphControls::btnGraphStartStopClick() {
    if (page_.startStop->text() == language_.text(lang::StartCaption)) {
        page_.startStop->setText(language_.text(lang::StopCaption));
        services_.status.setText(3, lang::GraphStarted);
        state_.graphRunning = true;
        page_.timeUnit->setEnabled(false);
        const Interval interval = samplingInterval(page_.sampling->text(), state_.graphMinSamplingMs);
        state_.graphSamplingMs = interval.ms;
        if (!interval.shown.isEmpty())
            page_.sampling->setText(interval.shown);
        return;
    }
    page_.startStop->setText(language_.text(lang::StartCaption));
    state_.graphRunning = false;
    page_.timeUnit->setEnabled(true);
    const bool measuring = measurement_->text() == language_.text(lang::StopCaption);
    services_.status.setText(3, measuring ? lang::MeasurementRunning : lang::GraphStoppedIdle);
}

void GraphControls::btnGraphClearClick() {
    services_.graph.clear();
    state_.graphX = 0;
    state_.graphSampleCount = 1;
    services_.log.clear();
    if (page_.startStop->text() == language_.text(lang::StartCaption))
        page_.timeUnit->setEnabled(true);
}

void GraphControls::limitClick(int index) {
    const AxisLimit& limit = page_.limits[index];
    if (!limit.edit->isEnabled()) {
        limit.edit->setEnabled(true);
        return;
    }
    limit.edit->setEnabled(false);
    const int fallback = QString::fromLatin1(limit.defaultText).toInt();
    services_.graph.setLimit(LiveGraph::Limit(index), limitOf(limit.edit->text(), fallback));
}

void GraphControls::btnCSVSaveClick() {
    FileDialogState& dialog = services_.dialogSave;
    dialog.filter = QString::fromLatin1(csv_file::Filter);
    if (!services_.dialogs.runSaveDialog(dialog) || dialog.fileName.isEmpty())
        return;
    services_.log.takeBackEdits();
    const csv_file::Target target = csv_file::targetOf(dialog.fileName);
    try {
        if (target.append)
            csv_file::appendRows(target.path, services_.log);
        else
            csv_file::writeNew(target.path, services_.log);
    } catch (const UserError& error) {
        // The name stays, so the user can try again after mending the cause.
        services_.dialogs.showError(error.message());
        return;
    }
    if (target.append && !page_.csvBackup->isHidden())
        controls::setLines(page_.csvBackup, services_.log.lines().mid(1));
    dialog.fileName.clear();
}

void GraphControls::beforeLanguageChange(const Language& old) {
    captionIsStop_ = page_.startStop->text() == old.text(lang::StopCaption);
}

void GraphControls::applyLanguage(const Language& language) {
    page_.startStop->setText(language.text(captionIsStop_ ? lang::StopCaption : lang::StartCaption));
    services_.graph.setLeftAxisTitle(mainValueCaption_->text());
    services_.graph.setBottomAxisTitle(language.text(lang::TimeWord) + QStringLiteral(" [s]"));
    for (int n = 1; n <= 4; ++n)
        page_.channelActive[n - 1]->setText(language.text(lang::ChannelWord) + QString::number(n));
    controls::setCaption(page_.samplingLabel, language.text(lang::GraphSampling));
    controls::setCaption(page_.timeUnitLabel, language.text(lang::GraphTimeUnit));
    page_.clear->setText(language.text(lang::GraphClear));
    controls::setLeftFromText(page_.samplingLabel, language.text(lang::LeftGraphSampling));
    controls::setLeftFromText(page_.timeUnitLabel, language.text(lang::LeftGraphTimeUnit));
}
