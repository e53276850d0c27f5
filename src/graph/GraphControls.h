#pragma once
// The graph page at work: the graph timer samples the channels into the chart and the data log, the
// start/stop button switches sampling, the clear button starts a new recording, the four limit buttons set
// the axes, and the save button writes the log as a CSV file.

#include "graph/GraphSampling.h"
#include "settings/LanguageParticipant.h"

#include <cstdint>
#include <functional>

class DataLog;
class Dialogs;
class Journal;
class LiveGraph;
class ProgramStatus;
class QAbstractButton;
class QLabel;
class QTimer;
#include <QStringList>
struct FileDialogState;
struct GraphPage;
struct ProgramState;

class GraphControls : public LanguageParticipant {
public:
    struct Services {
        LiveGraph& graph;
        DataLog& log;
        Journal& journal;
        ProgramStatus& status;
        Dialogs& dialogs;
        FileDialogState& dialogSave;
        QTimer& timer; // the graph timer: its owner starts and stops it, the controls pace it
    };

    // The measuring button's caption tells whether a measurement runs; the main value caption titles the
    // left axis.
    GraphControls(const GraphPage& page, const QAbstractButton* measurement, const QLabel* mainValueCaption,
                  const Services& services, ProgramState& state, const Language& language);

    void timerGraphTimer();
    // Milliseconds of a clock that never goes back; tests put a virtual one here.
    void setClock(std::function<std::int64_t()> monotonicMs) { monotonicMs_ = std::move(monotonicMs); }
    void btnGraphStartStopClick();
    void btnGraphClearClick();
    // index: 0 y maximum, 1 y minimum, 2 x maximum, 3 x minimum, as the page lists the limits.
    void limitClick(int index);
    // True when the log was written.
    bool btnCSVSaveClick();
    // The CSV button works whenever the log holds rows, measuring or not, so recovered rows can be saved.
    void updateCsvButton();
    // Before the window closes: rows that no save has written are saved, let go or kept by cancelling, as
    // the user says. False: the window stays.
    bool settleUnsavedRows();
    // Rows recovered from the journal, drawn by the time in their fields, so the user sees what came back.
    void drawRecovered(const QStringList& rows);

    // Captions keep what they said: the start text turns into the new start text, the stop text into the
    // new stop text.
    void beforeLanguageChange(const Language& old) override;
    void applyLanguage(const Language& language) override;

private:
    void sample();
    void paceTimer(std::int64_t nowMs);
    void showAxisTitles();

    const GraphPage& page_;
    const QAbstractButton* measurement_;
    const QLabel* mainValueCaption_;
    Services services_;
    ProgramState& state_;
    const Language& language_;
    bool captionIsStop_ = false;
    graph_sampling::SampleSchedule schedule_;
    std::function<std::int64_t()> monotonicMs_;
};
