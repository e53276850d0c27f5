#include "graph/GraphControls.h"

#include "Controls.h"
#include "Errors.h"
#include "ProgramState.h"
#include "Views.h"
#include "dialogs/Dialogs.h"
#include "graph/CsvFile.h"
#include "graph/DataLog.h"
#include "graph/GraphSampling.h"
#include "graph/Journal.h"
#include "graph/LiveGraph.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "status/ProgramStatus.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <memory>

using namespace graph_sampling;

GraphControls::GraphControls(const GraphPage& page, const QAbstractButton* measurement,
                             const QLabel* mainValueCaption, const Services& services, ProgramState& state,
                             const Language& language)
    : page_(page), measurement_(measurement), mainValueCaption_(mainValueCaption), services_(services),
      state_(state), language_(language) {
    QObject::connect(page_.timeUnit, &QComboBox::currentIndexChanged, page_.timeUnit, [this] {
        if (services_.timer.isActive())
            showAxisTitles();
    });
    monotonicMs_ = [clock = std::make_shared<QElapsedTimer>()] {
        if (!clock->isValid())
            clock->start();
        return clock->elapsed();
    };
}

void GraphControls::timerGraphTimer() {
    if (page_.timeUnit->currentIndex() >= 0)
        state_.graphX =
            xOf(state_.graphSampleCount, state_.graphSamplingMs, unitOf(page_.timeUnit->currentText()));
    showAxisTitles();
    const std::int64_t now = monotonicMs_();
    if (schedule_.due(now, state_.graphSamplingMs, state_.graphRunning)) {
        state_.graphTickCount = 0;
        sample();
    } else {
        ++state_.graphTickCount;
    }
    // Edits typed into the log's box while no row comes in reach the journal within a tick.
    services_.log.takeBackEdits();
    services_.journal.syncIfDue();
    paceTimer(now);
}

void GraphControls::showAxisTitles() {
    if (page_.timeUnit->currentIndex() >= 0)
        services_.graph.setBottomAxisTitle(language_.text(lang::TimeWord) +
                                           axisSuffix(unitOf(page_.timeUnit->currentText())));
    services_.graph.setLeftAxisTitle(mainValueCaption_->text());
}

// Sampling is timed by the clock, not by counting ticks, so the timer need not wake the machine every few
// milliseconds: it wakes when the next sample is due, and at least every IdleTickMs for the axis titles
// and the journal's sync; a unit or language the user chooses shows at once.
void GraphControls::paceTimer(std::int64_t nowMs) {
    constexpr std::int64_t IdleTickMs = 1000;
    const std::int64_t wait =
        state_.graphRunning && state_.graphSamplingMs > 0
            ? std::clamp<std::int64_t>(schedule_.msUntilDue(nowMs, state_.graphSamplingMs), 1, IdleTickMs)
            : IdleTickMs;
    if (services_.timer.interval() != wait)
        services_.timer.setInterval(int(wait));
}

void GraphControls::sample() {
    for (int n = 0; n < LiveGraph::SeriesCount; ++n) {
        const bool active = page_.channelActive[n]->isChecked();
        services_.graph.setSeriesVisible(n, active);
        if (!active)
            continue;
        if (const std::optional<int> y = pointOf(state_.cycleSnapshot.texts[Reading::FirstChannel + n]))
            services_.graph.addPoint(n, state_.graphX, *y);
    }
    ++state_.graphX;
    ++state_.graphSampleCount;
    services_.log.appendRow();
    updateCsvButton();
}

void GraphControls::updateCsvButton() { page_.csvSave->setEnabled(services_.log.rowCount() > 0); }

void GraphControls::drawRecovered(const QStringList& rows) {
    const TimeUnit unit = unitOf(page_.timeUnit->currentText());
    std::optional<QDateTime> first;
    std::uint32_t x = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const std::optional<RecoveredRow> row = recoveredRow(rows[i]);
        if (!row)
            continue;
        if (!first)
            first = row->time;
        // A clock set back must not send the line backwards.
        x = std::max(x, xAfter(*first, row->time, unit, std::uint32_t(i)));
        for (int n = 0; n < LiveGraph::SeriesCount; ++n)
            if (row->channels[n])
                services_.graph.addPoint(n, x, *row->channels[n]);
    }
    updateCsvButton();
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
        paceTimer(monotonicMs_());
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
    updateCsvButton();
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

bool GraphControls::btnCSVSaveClick() {
    FileDialogState& dialog = services_.dialogSave;
    dialog.filter = QString::fromLatin1(csv_file::Filter);
    if (!services_.dialogs.runSaveDialog(dialog) || dialog.fileName.isEmpty())
        return false;
    DataLog& log = services_.log;
    log.takeBackEdits();
    csv_file::Target target = csv_file::targetOf(dialog.fileName);
    // "shift.csv" typed for a file that does not exist yet is a new file under exactly that name.
    const bool append = target.append && QFileInfo::exists(target.path);
    const qsizetype first =
        append ? log.rowsSentTo(QFileInfo(target.path).canonicalFilePath(), QFileInfo(target.path).size())
               : 0;
    try {
        if (append)
            csv_file::appendRows(target.path, log, first);
        else
            csv_file::writeNew(target.path, log);
    } catch (const UserError& error) {
        // The name stays, so the user can try again after mending the cause.
        services_.dialogs.showError(error.message());
        return false;
    }
    const QFileInfo written(target.path);
    log.markSent(written.canonicalFilePath(), written.size());
    services_.status.showNotice(
        language_.own(OwnText::RowsWritten).arg(log.rowCount() - first).arg(written.fileName()));
    if (append && !page_.csvBackup->isHidden())
        controls::setLines(page_.csvBackup, log.lines().mid(1));
    dialog.fileName.clear();
    return true;
}

bool GraphControls::settleUnsavedRows() {
    const qsizetype unsaved = services_.log.unsavedRows();
    if (unsaved <= 0)
        return true;
    switch (services_.dialogs.askSaveDiscardCancel(language_.own(OwnText::SaveUnsavedRows).arg(unsaved))) {
    case Dialogs::SaveChoice::Save:
        return btnCSVSaveClick();
    case Dialogs::SaveChoice::Discard:
        services_.log.discardUnsaved();
        return true;
    case Dialogs::SaveChoice::Cancel:
        break;
    }
    return false;
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
    if (services_.timer.isActive())
        showAxisTitles(); // as the next tick would
}
