#pragma once
// The graph page at work: the graph timer samples the channels into the chart and the data log, the
// start/stop button switches sampling, the clear button starts a new recording, the four limit buttons set
// the axes, and the save button writes the log as a CSV file.

#include "settings/LanguageParticipant.h"

class DataLog;
class Dialogs;
class Journal;
class LiveGraph;
class ProgramStatus;
class QAbstractButton;
class QLabel;
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
    };

    // The measuring button's caption tells whether a measurement runs; the main value caption titles the
    // left axis.
    GraphControls(const GraphPage& page, const QAbstractButton* measurement, const QLabel* mainValueCaption,
                  const Services& services, ProgramState& state, const Language& language);

    void timerGraphTimer();
    void btnGraphStartStopClick();
    void btnGraphClearClick();
    // index: 0 y maximum, 1 y minimum, 2 x maximum, 3 x minimum, as the page lists the limits.
    void limitClick(int index);
    void btnCSVSaveClick();

    // Captions keep what they said: the start text turns into the new start text, the stop text into the
    // new stop text.
    void beforeLanguageChange(const Language& old) override;
    void applyLanguage(const Language& language) override;

private:
    void sample();

    const GraphPage& page_;
    const QAbstractButton* measurement_;
    const QLabel* mainValueCaption_;
    Services services_;
    ProgramState& state_;
    const Language& language_;
    bool captionIsStop_ = false;
};
