#pragma once
// TfrmMain, the one main window and the composition root: it builds the form and its typed views, owns the
// timers and the subsystems, hands each subsystem only the views and services it uses, wires the events
// the device session reports to the views that show them, and connects every control to its handler.
// Each handler delegates to the subsystem that does the work.

#include "Views.h"
#include "dialogs/Dialogs.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class AboutGroup;
class CSerial;
class ChannelPositions;
class ClockDisplay;
class Connection;
class ConnectionDisplay;
class DataLog;
class GraphControls;
class Journal;
class DeviceSession;
class Language;
class LanguageApplier;
class QtTranslations;
class LiveGraph;
class MeasureCycle;
class MeasurementControls;
class PortSelection;
class ProgramStatus;
class Screenshots;
class SettingsFile;
class TrafficLog;
class ValueDisplay;
class WindowTexts;
class RecordButtons;
struct ProgramState;
namespace records {
class SqliteStore;
}

namespace records {
class HistoryPage;
class RecordsSender;
} // namespace records
namespace cycles {
class CycleWatch;
class CyclesPage;
} // namespace cycles

namespace Ui {
class TfrmMain;
}

class TfrmMain : public QWidget {
    Q_OBJECT

public:
    TfrmMain(CSerial& devicePort, ProgramState& state, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmMain() override;

    const Views& views() const { return views_; }
    const Language& language() const { return *language_; }
    SettingsFile& settings() const { return *settings_; }
    LanguageApplier& languageApplier() const { return *languageApplier_; }
    LiveGraph& graph() const { return *graph_; }
    DataLog& dataLog() const { return *dataLog_; }
    GraphControls& graphControls() const { return *graphControls_; }
    ChannelPositions& positions() const { return *positions_; }
    DeviceSession& session() const { return *session_; }
    Connection& connection() const { return *connection_; }
    PortSelection& portSelection() const { return *portSelection_; }
    ValueDisplay& valueDisplay() const { return *valueDisplay_; }
    MeasureCycle& measureCycle() const { return *measureCycle_; }
    Screenshots& screenshots() const { return *screenshots_; }
    RecordButtons& recordButtons() const { return *recordButtons_; }
    // The records database of the working folder; none when it could not be opened.
    records::SqliteStore* recordStore() const { return recordStore_.get(); }
    records::HistoryPage& history() const { return *history_; }
    cycles::CycleWatch& cycleWatch() const { return *cycleWatch_; }
    QTimer& timerDeviceCom() { return timerDeviceCom_; }
    QTimer& timerGraph() { return timerGraph_; }
    QTimer& timerClock() { return timerClock_; }

    // Where the clock reads the local time; tests put a fixed time here.
    void setClockSource(std::function<QDateTime()> now) { now_ = std::move(now); }

    void SetProgramStateText(int slot, int textIndex);

    // Closing the window. True when it may close: data log rows that no save has written were saved or let
    // go, and the settings were written, or the user chose to close without saving after the write failed.
    // Without asking (the session ends) a failed write is reported on the standard error output, and the
    // caller, who decided the end, leaves the event loop itself.
    bool FormClose(bool ask = true);

public slots:
    void timerClockTimer();
    void timerDeviceComTimer();
    void timerGraphTimer();
    void btnGraphStartStopClick();
    void btnGraphClearClick();
    void btnGraphYMaxClick();
    void btnGraphYMinClick();
    void btnGraphXMinClick();
    void btnGraphXMaxClick();
    void btnCSVSaveClick();
    void btnSaveClick();
    void btnPrintClick();
    void btnGraphSaveClick();
    void btnGraphPrintClick();
    void imageLogoSettingsClick();
    void labelWebsiteClick();
    void btnAutoPortSelectClick();
    void btnCOMPortSelectClick();
    void btnDeviceSelectClick();
    void btnEvalReservedComPortsClicked();
    // A second start in this folder asked for the window: shown, unminimised, on top and active.
    void bringToFront();
    void btnMeasurementClick();
    void btnResetClick();
    void btnUnitSelectClick();
    void btnResetBigViewClick();
    void btnUnitSelectBigViewClick();
    void btnBarDiameterClick();
    void btnEModulClick();
    void btnKFactorClick();
    void btnToleranceClick();
    void btnDeviceComSpeedClick();
    void btnSaveCustomSettingsClick();
    void btnLoadCustomSettingsClicked();
    void tabSettingsExit();
    void editLanguageFilePathClick();
    void btnChannel1TopLeftClick(bool checked);
    void btnChannel1TopRightClick(bool checked);
    void btnChannel1BottomLeftClick(bool checked);
    void btnChannel1BottomRightClick(bool checked);
    void btnChannel2TopLeftClick(bool checked);
    void btnChannel2TopRightClick(bool checked);
    void btnChannel2BottomLeftClick(bool checked);
    void btnChannel2BottomRightClick(bool checked);
    void btnChannel3TopLeftClick(bool checked);
    void btnChannel3TopRightClick(bool checked);
    void btnChannel3BottomLeftClick(bool checked);
    void btnChannel3BottomRightClick(bool checked);
    void btnChannel4TopLeftClick(bool checked);
    void btnChannel4TopRightClick(bool checked);
    void btnChannel4BottomLeftClick(bool checked);
    void btnChannel4BottomRightClick(bool checked);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpForm();
    void buildViews();
    void setUpSubsystems(CSerial& devicePort, ProgramState& state, Dialogs& dialogs);
    void connectSessionEvents();
    void connectHandlers();
    void initialiseState();
    void recoverJournal();
    void onPageChanged(int index);
    void selectPosition(int channel, int corner, bool checked);
    // The records database and the record buttons, after the settings chose the language.
    void setUpRecords();
    // Every clamp watched, on the records database.
    void setUpCycles();

    std::unique_ptr<Ui::TfrmMain> ui_;
    Views views_;
    QTimer timerDeviceCom_;
    QTimer timerGraph_;
    QTimer timerClock_;
    FileDialogState dialogSave_;
    FileDialogState dialogOpen_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    int currentPage_ = 0;

    ProgramState* state_ = nullptr;
    Dialogs* dialogs_ = nullptr;
    std::unique_ptr<Language> language_;
    std::unique_ptr<ProgramStatus> status_;
    std::unique_ptr<TrafficLog> trafficLog_;
    std::unique_ptr<ClockDisplay> clock_;
    std::unique_ptr<DeviceSession> session_;
    std::unique_ptr<ChannelPositions> positions_;
    std::unique_ptr<WindowTexts> windowTexts_;
    std::unique_ptr<LiveGraph> graph_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<DataLog> dataLog_;
    std::unique_ptr<GraphControls> graphControls_;
    std::unique_ptr<LanguageApplier> languageApplier_;
    std::unique_ptr<QtTranslations> qtTranslations_;
    std::unique_ptr<SettingsFile> settings_;
    std::unique_ptr<PortSelection> portSelection_;
    std::unique_ptr<ValueDisplay> valueDisplay_;
    std::unique_ptr<MeasurementControls> measurementControls_;
    std::unique_ptr<ConnectionDisplay> connectionDisplay_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<MeasureCycle> measureCycle_;
    std::unique_ptr<Screenshots> screenshots_;
    std::unique_ptr<AboutGroup> about_;
    std::unique_ptr<records::SqliteStore> recordStore_;
    std::unique_ptr<RecordButtons> recordButtons_;
    std::unique_ptr<records::SqliteStore> emptyStore_; // what the history shows without a usable file
    std::unique_ptr<records::HistoryPage> history_;
    std::unique_ptr<records::RecordsSender> sender_;
    std::unique_ptr<cycles::CycleWatch> cycleWatch_;
    std::unique_ptr<cycles::CyclesPage> cyclesPage_;
};
