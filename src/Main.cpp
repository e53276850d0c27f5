#include "Main.h"

#include "AboutGroup.h"
#include "Errors.h"
#include "ProgramState.h"
#include "Resources.h"
#include "WindowTexts.h"
#include "app/Application.h"
#include "capture/Screenshots.h"
#include "cycles/CycleWatch.h"
#include "cycles/CyclesPage.h"
#include "device/Connection.h"
#include "device/DeviceSession.h"
#include "device/MeasureCycle.h"
#include "evaluation/ConnectionDisplay.h"
#include "evaluation/DisplayReset.h"
#include "evaluation/FittedText.h"
#include "evaluation/MeasurementControls.h"
#include "evaluation/ValueDisplay.h"
#include "graph/DataLog.h"
#include "graph/GraphControls.h"
#include "graph/Journal.h"
#include "graph/LiveGraph.h"
#include "records/HistoryPage.h"
#include "records/OperatorName.h"
#include "records/PostgresStore.h"
#include "records/ProtocolOutput.h"
#include "records/RecordButtons.h"
#include "records/RecordsConfig.h"
#include "records/RecordsSender.h"
#include "records/ServerStatus.h"
#include "records/SqliteStore.h"
#include "serial/PortSelection.h"
#include "settings/ChannelPositions.h"
#include "settings/Language.h"
#include "settings/LanguageApplier.h"
#include "settings/LanguageLines.h"
#include "settings/QtTranslations.h"
#include "settings/SettingsFile.h"
#include "status/Clock.h"
#include "status/ProgramStatus.h"
#include "status/TrafficLog.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>

#include <array>

namespace {
// The form keeps pixel font sizes in a "pixelSize" property, as the designer's font property only knows
// points, and the window is drawn in pixels whatever the screen's text size.
void applyPixelFonts(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        const QVariant size = widget->property("pixelSize");
        if (!size.isValid())
            continue;
        QFont font = widget->font();
        font.setPixelSize(size.toInt());
        widget->setFont(font);
    }
}
} // namespace

TfrmMain::TfrmMain(CSerial& devicePort, ProgramState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TfrmMain>()) {
    // 1. The form with its designed defaults.
    setUpForm();
    buildViews();
    setUpSubsystems(devicePort, state, dialogs);
    connectSessionEvents();
    connectHandlers();
    initialiseState();
    setUpRecords();
    setUpCycles();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::setUpForm() {
    ensureResources();
    ui_->setupUi(this);
    applyPixelFonts(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(1030, 637);
    // The timers as designed: all stopped. The graph timer is precise so that samples keep their spacing;
    // the graph controls pace it by when the next sample is due.
    timerDeviceCom_.setObjectName(QStringLiteral("timerDeviceCom"));
    timerGraph_.setObjectName(QStringLiteral("timerGraph"));
    timerClock_.setObjectName(QStringLiteral("timerClock"));
    timerDeviceCom_.setInterval(20);
    timerGraph_.setTimerType(Qt::PreciseTimer);
    timerGraph_.setInterval(100);
    timerClock_.setInterval(1000);
}

void TfrmMain::buildViews() {
    Ui::TfrmMain& u = *ui_;
    views_.pages = {u.tabSystem, u.tabMainView, u.tabBigView, u.tabGraph, u.tabSettings, u.tabHistory};
    views_.status = {u.memoProgramState, u.labelTime, u.labelDate};
    views_.values.positions = {{
        {u.labelChannel1,
         u.editChannel1,
         {u.labelSensor11, u.labelSensor12},
         {u.editSensor11, u.editSensor12},
         u.labelChannel1BigView,
         u.editChannel1BigView},
        {u.labelChannel2,
         u.editChannel2,
         {u.labelSensor21, u.labelSensor22},
         {u.editSensor21, u.editSensor22},
         u.labelChannel2BigView,
         u.editChannel2BigView},
        {u.labelChannel3,
         u.editChannel3,
         {u.labelSensor31, u.labelSensor32},
         {u.editSensor31, u.editSensor32},
         u.labelChannel3BigView,
         u.editChannel3BigView},
        {u.labelChannel4,
         u.editChannel4,
         {u.labelSensor41, u.labelSensor42},
         {u.editSensor41, u.editSensor42},
         u.labelChannel4BigView,
         u.editChannel4BigView},
    }};
    ValueView& v = views_.values;
    v.mainValueLabel = u.labelMainValue;
    v.mainValue = u.editMainValue;
    v.mainValueLabelBig = u.labelMainValueBigView;
    v.mainValueBig = u.editMainValueBigView;
    v.totalKNLabel = u.labelMainValueKN;
    v.totalKN = u.editMainValueKN;
    v.totalTonsLabel = u.labelMainValueTons;
    v.totalTons = u.editMainValueTons;
    v.units = {u.labelUnitUE, u.labelUnitKN, u.labelUnitTons};
    v.unitsBig = {u.labelUnitUEBigView, u.labelUnitKNBigView, u.labelUnitTonsBigView};
    views_.parameters = {{u.labelBarDiameter, u.editBarDiameter, u.btnBarDiameter},
                         {u.labelEModul, u.editEModul, u.btnEModul},
                         {u.labelKFactor, u.editKFactor, u.btnKFactor},
                         {u.labelTolerance, u.editTolerance, u.btnTolerance},
                         u.labelDivergence,
                         u.editDivergence};
    views_.measuring = {u.btnMeasurement,       u.btnReset, u.btnUnitSelect, u.btnResetBigView,
                        u.btnUnitSelectBigView, u.btnSave,  u.btnPrint};
    views_.machine = {u.labelMachine, u.editMachine,  u.labelSerialNr,
                      u.editSerialNr, u.labelComment, u.editComment};

    GraphPage& g = views_.graph;
    g.chart = u.Graph;
    g.startStop = u.btnGraphStartStop;
    g.clear = u.btnGraphClear;
    g.save = u.btnGraphSave;
    g.print = u.btnGraphPrint;
    g.csvSave = u.btnCSVSave;
    g.channelActive = {u.btnChannel1Active, u.btnChannel2Active, u.btnChannel3Active, u.btnChannel4Active};
    g.samplingLabel = u.labelGraphSampling;
    g.sampling = u.editGraphSampling;
    g.timeUnitLabel = u.labelGraphTimeUnit;
    g.timeUnit = u.comboGraphTimeUnit;
    g.limits = {{{u.editGraphYMax, u.btnGraphYMax, "1500"},
                 {u.editGraphYMin, u.btnGraphYMin, "-1500"},
                 {u.editGraphXMax, u.btnGraphXMax, "60"},
                 {u.editGraphXMin, u.btnGraphXMin, "0"}}};
    g.csv = u.memoCSV;
    g.csvBackup = u.memoCSVbackup;

    SettingsPage& s = views_.settings;
    s.language = {u.groupLanguageSettings,
                  u.btnGerman,
                  u.btnEnglish,
                  u.btnItalian,
                  u.btnOtherLanguage,
                  u.labelLanguageFilePath,
                  u.editLanguageFilePath,
                  u.memoLanguageObjects};
    s.view = {u.groupViewSettings,  u.btnUStons,      u.btnTons,
              u.btnShowSingleValue, u.btnShowKFactor, u.btnShowTolerance};
    s.port = {u.groupConnectionSettings, u.btnAutoPortSelect,      u.btnManualPortSelect, u.editCOMPortNr,
              u.btnCOMPortSelect,        u.labelCOMPort,           u.labelCOMPortFull,    u.comboDeviceSelect,
              u.btnDeviceSelect,         u.btnEvalReservedComPorts};
    s.positionGroups = {u.groupChannel1Position, u.groupChannel2Position, u.groupChannel3Position,
                        u.groupChannel4Position};
    s.positionButtons = {{
        {u.btnChannel1TopLeft, u.btnChannel1TopRight, u.btnChannel1BottomLeft, u.btnChannel1BottomRight},
        {u.btnChannel2TopLeft, u.btnChannel2TopRight, u.btnChannel2BottomLeft, u.btnChannel2BottomRight},
        {u.btnChannel3TopLeft, u.btnChannel3TopRight, u.btnChannel3BottomLeft, u.btnChannel3BottomRight},
        {u.btnChannel4TopLeft, u.btnChannel4TopRight, u.btnChannel4BottomLeft, u.btnChannel4BottomRight},
    }};
    s.csvDelimiterLabel = u.labelCSVDelimiter;
    s.csvDelimiter = u.editCRVDelimiter;
    s.loadCustom = u.btnLoadCustomSettings;
    s.saveCustom = u.btnSaveCustomSettings;
    s.settingsLines = u.memoSettings;

    views_.debug = {u.memoUSBCommunication,
                    u.btnLogDataActive,
                    u.btnShowErrorInfo,
                    {nullptr, u.editDeviceComSpeed, u.btnDeviceComSpeed}};

    views_.about = {u.labelSoftwareVersion, u.labelWebsite, u.imageLogoSettings};
    views_.records = {u.btnRecord, u.btnRecordBigView, u.labelOperator, u.editOperator};
    views_.history = {u.tabSystem,     u.tabHistory,       u.comboHistoryMachine, u.editHistorySearch,
                      u.tableRecords,  u.chartHistory,     u.btnProtocol,         u.btnRecordsExport,
                      u.btnRecordNote, u.editCRVDelimiter, u.spinNominalForce,    u.labelNominalForce};
    views_.cycles = {u.tabSystem,
                     u.tabCycles,
                     u.chartCycles,
                     u.btnCycleTeach,
                     u.labelCycleReference,
                     u.labelCycleCapability,
                     u.tableCycleAlarms,
                     {u.labelCycleAlarm, u.labelCycleAlarmBigView},
                     {u.btnAlarmAck, u.btnAlarmAckBigView}};
    views_.debugGroup = {u.memoSettings,
                         u.memoLanguageObjects,
                         u.labelLanguageFilePath,
                         u.editLanguageFilePath,
                         u.memoCSV,
                         u.btnShowErrorInfo,
                         u.memoUSBCommunication,
                         u.btnLogDataActive,
                         u.editDeviceComSpeed,
                         u.btnDeviceComSpeed};

    for (const PositionDisplays& position : v.positions)
        for (QLineEdit* display :
             {position.channel, position.channelBig, position.sensors[0], position.sensors[1]})
            fitted_text::install(display);
    for (QLineEdit* display :
         {v.mainValue, v.mainValueBig, v.totalKN, v.totalTons, views_.parameters.divergence})
        fitted_text::install(display);

    std::vector<QWidget*>& group = views_.measuringGroup;
    group = {u.btnReset, u.btnUnitSelect, u.btnSave, u.btnPrint};
    for (const PositionDisplays& position : v.positions)
        group.insert(group.end(), {position.channel, position.sensors[0], position.sensors[1]});
    group.insert(group.end(), {u.editMainValue, u.editMainValueKN, u.editMainValueTons, u.editDivergence,
                               u.btnResetBigView, u.btnUnitSelectBigView});
    for (const PositionDisplays& position : v.positions)
        group.push_back(position.channelBig);
    group.insert(group.end(), {u.editMainValueBigView, g.startStop, g.clear, g.save, g.print});
    group.insert(group.end(), g.channelActive.begin(), g.channelActive.end());
    group.insert(group.end(), {g.sampling, g.timeUnit});
    for (const AxisLimit& limit : g.limits)
        group.push_back(limit.button);
}

void TfrmMain::setUpSubsystems(CSerial& devicePort, ProgramState& state, Dialogs& dialogs) {
    state_ = &state;
    dialogs_ = &dialogs;
    const Views& v = views_;
    language_ = std::make_unique<Language>(v.settings.language.lines);
    status_ =
        std::make_unique<ProgramStatus>(v.status.programState, v.debug.showErrorInfo, *language_, state);
    trafficLog_ = std::make_unique<TrafficLog>(v.debug.traffic, v.debug.logActive);
    clock_ = std::make_unique<ClockDisplay>(v.status.time, v.status.date, *status_, state);
    session_ = std::make_unique<DeviceSession>(state, devicePort, timerDeviceCom_);
    positions_ = std::make_unique<ChannelPositions>(v.settings.positionButtons, v.settings.positionGroups,
                                                    v.values, state);
    const Ui::TfrmMain& u = *ui_;
    windowTexts_ = std::make_unique<WindowTexts>(
        v.pages, v.machine, v.settings,
        std::vector<WindowTexts::OwnCaption>{{u.btnSave, OwnText::SaveScreenshot, true},
                                             {u.btnGraphSave, OwnText::SaveScreenshot, true},
                                             {u.btnPrint, OwnText::PrintScreenshot, true},
                                             {u.btnGraphPrint, OwnText::PrintScreenshot, true},
                                             {u.btnCSVSave, OwnText::SaveDataLog, true},
                                             {u.btnBarDiameter, OwnText::EditBarDiameter, true},
                                             {u.btnEModul, OwnText::EditEModulus, true},
                                             {u.btnKFactor, OwnText::EditKFactor, true},
                                             {u.btnTolerance, OwnText::EditTolerance, true},
                                             {u.btnDeviceComSpeed, OwnText::EditDeviceTick, true},
                                             {u.btnCOMPortSelect, OwnText::ChoosePort, true},
                                             {u.btnDeviceSelect, OwnText::ChooseDevice, true},
                                             {u.btnEvalReservedComPorts, OwnText::ReservePorts, true},
                                             {u.btnSaveCustomSettings, OwnText::SaveCustomSettings, true},
                                             {u.editLanguageFilePath, OwnText::ChooseLanguageFile, true},
                                             {u.btnGraphYMax, OwnText::YMaximum, true},
                                             {u.btnGraphYMin, OwnText::YMinimum, true},
                                             {u.btnGraphXMin, OwnText::XMinimum, true},
                                             {u.btnGraphXMax, OwnText::XMaximum, true},
                                             {u.groupAbout, OwnText::AboutTitle, false},
                                             {u.labelCompany, OwnText::AboutProduct, false},
                                             {u.labelContact, OwnText::AboutHelp, false},
                                             {u.labelWebsite, OwnText::Manual, false}});
    graph_ = std::make_unique<LiveGraph>(v.graph.chart);
    journal_ = std::make_unique<Journal>();
    dataLog_ = std::make_unique<DataLog>(
        v.graph.csv,
        DataLog::Sources{v.values, v.machine, v.status, v.settings.csvDelimiter, state, *language_},
        *journal_);
    graphControls_ = std::make_unique<GraphControls>(
        v.graph, v.measuring.measurement, v.values.mainValueLabel,
        GraphControls::Services{*graph_, *dataLog_, *journal_, *status_, dialogs, dialogSave_, timerGraph_},
        state, *language_);
    languageApplier_ =
        std::make_unique<LanguageApplier>(v.settings.language, *language_, *session_, dialogs, dialogOpen_);
    settings_ = std::make_unique<SettingsFile>(
        SettingsFile::Views{v.settings, v.machine, v.parameters, v.values},
        SettingsFile::Services{*positions_, *session_, *languageApplier_, dialogs, dialogSave_, dialogOpen_},
        state);
    portSelection_ = std::make_unique<PortSelection>(v.settings.port, *session_, *settings_, state, dialogs);
    valueDisplay_ = std::make_unique<ValueDisplay>(v.values, v.parameters, v.settings.view, *positions_,
                                                   state, *language_);
    measurementControls_ =
        std::make_unique<MeasurementControls>(v.measuring, v.parameters, v.debug, v.graph, v.measuringGroup,
                                              *session_, state, *status_, timerGraph_, *language_);
    connectionDisplay_ = std::make_unique<ConnectionDisplay>(
        ConnectionDisplay::Views{v.measuring, v.parameters, v.values, v.graph, v.settings.view,
                                 v.settings.port},
        *settings_, *measurementControls_, state, *status_, timerGraph_, *language_);
    connection_ = std::make_unique<Connection>(*session_, *language_, *connectionDisplay_);
    measureCycle_ = std::make_unique<MeasureCycle>(*session_);
    screenshots_ = std::make_unique<Screenshots>(*this, dialogs, dialogSave_);
    about_ =
        std::make_unique<AboutGroup>(*this, v.about.version, v.settings.port.device, v.debugGroup, dialogs);
    qtTranslations_ = std::make_unique<QtTranslations>();
    session_->setConnectionStates(connection_.get());
    session_->setMeasureState(measureCycle_.get());

    // In this order: later participants read captions that earlier ones render.
    for (LanguageParticipant* participant : std::initializer_list<LanguageParticipant*>{
             windowTexts_.get(), status_.get(), settings_.get(), portSelection_.get(), valueDisplay_.get(),
             positions_.get(), measurementControls_.get(), dataLog_.get(), graphControls_.get(),
             qtTranslations_.get()})
        languageApplier_->addParticipant(participant);
}

void TfrmMain::connectSessionEvents() {
    DeviceSession* session = session_.get();
    ProgramStatus* status = status_.get();
    connect(session, &DeviceSession::ticked, this, [status](std::int32_t s) { status->showSessionState(s); });
    connect(session, &DeviceSession::waitingForReply, this, [status] { status->showWaitingForReply(); });
    connect(session, &DeviceSession::traffic, this,
            [log = trafficLog_.get()](const QString& line) { log->append(line); });
    connect(session, &DeviceSession::portChosen, this,
            [ports = portSelection_.get()](const QString& number) { ports->showPort(number); });

    Connection* connection = connection_.get();
    ConnectionDisplay* display = connectionDisplay_.get();
    connect(connection, &Connection::connecting, this,
            [status](bool reopening) { status->showConnecting(reopening); });
    connect(connection, &Connection::identified, this,
            [display](const DeviceType& type) { display->onIdentified(type); });
    connect(connection, &Connection::rejected, this,
            [display](const DeviceType* found) { display->onRejected(found); });
    connect(connection, &Connection::portRefused, this,
            [status, language = language_.get()](const QString& number, PortRefusal why) {
                const OwnText text = why == PortRefusal::InUse        ? OwnText::PortInUse
                                     : why == PortRefusal::NotAllowed ? OwnText::PortNotAllowed
                                                                      : OwnText::NotASerialPort;
                status->showNotice(language->own(text).arg(number));
            });
    connect(connection, &Connection::waitingForEntry, this, [status, language = language_.get()] {
        status->showNotice(language->own(OwnText::WaitingForEntry));
    });
    connect(session, &DeviceSession::connectionLost, this, [status, values = valueDisplay_.get()] {
        values->showNoValues();
        status->setText(1, ProgramStatus::ownIndex(OwnText::ConnectionLost));
    });
    connect(connection, &Connection::unitPolled, this,
            [values = valueDisplay_.get()](std::int32_t unit) { values->showUnit(unit); });
    connect(connection, &Connection::parameterPolled, this,
            [display](Parameter parameter, int value) { display->onParameterPolled(parameter, value); });
    connect(connection, &Connection::acknowledged, this,
            [status](std::int32_t s) { status->showAcknowledged(s); });

    ValueDisplay* values = valueDisplay_.get();
    connect(measureCycle_.get(), &MeasureCycle::readingReceived, this,
            [values](int entry, std::int32_t raw) { values->ConvertReading(entry, raw); });
    connect(measureCycle_.get(), &MeasureCycle::cycleCompleted, this,
            [values] { values->EvaluateReadings(); });
}

void TfrmMain::connectHandlers() {
    const Ui::TfrmMain& u = *ui_;
    connect(&timerClock_, &QTimer::timeout, this, &TfrmMain::timerClockTimer);
    connect(&timerDeviceCom_, &QTimer::timeout, this, &TfrmMain::timerDeviceComTimer);
    connect(&timerGraph_, &QTimer::timeout, this, &TfrmMain::timerGraphTimer);

    const struct {
        QAbstractButton* button;
        void (TfrmMain::*handler)();
    } buttons[] = {{u.btnAutoPortSelect, &TfrmMain::btnAutoPortSelectClick},
                   {u.btnCOMPortSelect, &TfrmMain::btnCOMPortSelectClick},
                   {u.btnDeviceSelect, &TfrmMain::btnDeviceSelectClick},
                   {u.btnEvalReservedComPorts, &TfrmMain::btnEvalReservedComPortsClicked},
                   {u.btnMeasurement, &TfrmMain::btnMeasurementClick},
                   {u.btnReset, &TfrmMain::btnResetClick},
                   {u.btnUnitSelect, &TfrmMain::btnUnitSelectClick},
                   {u.btnResetBigView, &TfrmMain::btnResetBigViewClick},
                   {u.btnUnitSelectBigView, &TfrmMain::btnUnitSelectBigViewClick},
                   {u.btnBarDiameter, &TfrmMain::btnBarDiameterClick},
                   {u.btnEModul, &TfrmMain::btnEModulClick},
                   {u.btnKFactor, &TfrmMain::btnKFactorClick},
                   {u.btnTolerance, &TfrmMain::btnToleranceClick},
                   {u.btnDeviceComSpeed, &TfrmMain::btnDeviceComSpeedClick},
                   {u.btnSaveCustomSettings, &TfrmMain::btnSaveCustomSettingsClick},
                   {u.btnLoadCustomSettings, &TfrmMain::btnLoadCustomSettingsClicked},
                   {u.btnGraphStartStop, &TfrmMain::btnGraphStartStopClick},
                   {u.btnGraphClear, &TfrmMain::btnGraphClearClick},
                   {u.btnGraphYMax, &TfrmMain::btnGraphYMaxClick},
                   {u.btnGraphYMin, &TfrmMain::btnGraphYMinClick},
                   {u.btnGraphXMin, &TfrmMain::btnGraphXMinClick},
                   {u.btnGraphXMax, &TfrmMain::btnGraphXMaxClick},
                   {u.btnCSVSave, &TfrmMain::btnCSVSaveClick},
                   {u.btnSave, &TfrmMain::btnSaveClick},
                   {u.btnPrint, &TfrmMain::btnPrintClick},
                   {u.btnGraphSave, &TfrmMain::btnGraphSaveClick},
                   {u.btnGraphPrint, &TfrmMain::btnGraphPrintClick}};
    for (const auto& [button, handler] : buttons)
        connect(button, &QAbstractButton::clicked, this, handler);
    u.labelCOMPort->installEventFilter(this);
    connect(u.tabSystem, &QTabWidget::currentChanged, this, &TfrmMain::onPageChanged);
    u.editLanguageFilePath->installEventFilter(this);
    u.imageLogoSettings->installEventFilter(this);
    // Enter in an open parameter field confirms it, as the second click on its button does.
    for (const ParameterControls* field :
         {&views_.parameters.barDiameter, &views_.parameters.eModulus, &views_.parameters.kFactor,
          &views_.parameters.tolerance, &views_.debug.deviceTick})
        connect(field->edit, &QLineEdit::returnPressed, field->button, &QAbstractButton::click);
    u.labelWebsite->installEventFilter(this);

    // A position handler runs whenever its button becomes checked, by a click or by the program.
    const std::array<void (TfrmMain::*)(bool), 16> positionHandlers = {
        &TfrmMain::btnChannel1TopLeftClick,    &TfrmMain::btnChannel1TopRightClick,
        &TfrmMain::btnChannel1BottomLeftClick, &TfrmMain::btnChannel1BottomRightClick,
        &TfrmMain::btnChannel2TopLeftClick,    &TfrmMain::btnChannel2TopRightClick,
        &TfrmMain::btnChannel2BottomLeftClick, &TfrmMain::btnChannel2BottomRightClick,
        &TfrmMain::btnChannel3TopLeftClick,    &TfrmMain::btnChannel3TopRightClick,
        &TfrmMain::btnChannel3BottomLeftClick, &TfrmMain::btnChannel3BottomRightClick,
        &TfrmMain::btnChannel4TopLeftClick,    &TfrmMain::btnChannel4TopRightClick,
        &TfrmMain::btnChannel4BottomLeftClick, &TfrmMain::btnChannel4BottomRightClick};
    for (int channel = 1; channel <= 4; ++channel)
        for (int corner = PositionTopLeft; corner <= PositionBottomRight; ++corner)
            connect(positions_->button(channel, corner), &QAbstractButton::toggled, this,
                    positionHandlers[(channel - 1) * 4 + corner - 1]);
}

void TfrmMain::initialiseState() {
    ProgramState& s = *state_;
    const Views& v = views_;
    // 2.
    s.programStateTextIndex = {9, 0, 0};
    // 3. and 4.
    session_->initialise();
    s.graphSampleCount = 1;
    s.kFactorScale = 1.0f;
    s.kFactorHundredths = 200;
    s.readingValue.fill(0);
    s.readingText.fill(ErrorText);
    s.channelPosition = {1, 2, 3, 4};
    // 5.
    timerClock_.setInterval(1000);
    timerClock_.start();
    // 6.
    s.clockTickToggle = 0;
    s.graphTickCount = 0;
    s.graphX = 0;
    s.graphRunning = false;
    s.graphSamplingMs = 0;
    s.graphMinSamplingMs = 1000;
    // 7.
    v.pages.tabs->setCurrentWidget(v.pages.mainView);
    // 8. to 14.
    display_reset::notConnected(v.measuring, v.parameters, v.values, v.graph, true);
    for (QWidget* debug : std::initializer_list<QWidget*>{
             v.debug.deviceTick.edit, v.debug.deviceTick.button, v.debug.traffic, v.debug.logActive,
             v.debug.showErrorInfo, v.graph.csv, v.graph.csvBackup})
        debug->hide();
    // 15.
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    // 16.
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{v.settings.settingsLines, v.settings.language.lines,
                                         v.settings.language.pathLabel, v.settings.language.path})
        hidden->hide();
    v.settings.port.number->setEnabled(false);
    v.settings.port.device->setEnabled(false);
    // 17. The load ends by starting the device timer.
    settings_->loadAtStartUp();
    currentPage_ = v.pages.tabs->currentIndex();
    recoverJournal();
    graphControls_->updateCsvButton();
}

void TfrmMain::recoverJournal() {
    journal_->onFailure([this](const QString& reason) {
        dialogs_->inform(language_->own(OwnText::JournalUnwritable).arg(reason));
    });
    const QStringList rows = journal_->recover();
    if (rows.isEmpty())
        return;
    dataLog_->restoreRows(rows);
    graphControls_->drawRecovered(rows);
    dialogs_->inform(language_->own(OwnText::RowsRecovered).arg(rows.size()));
}

void TfrmMain::setUpRecords() {
    const Views& v = views_;
    recordButtons_ = std::make_unique<RecordButtons>(
        RecordButtons::Views{v.records, v.machine, v.parameters, v.settings.view, v.settings.port, v.pages},
        RecordButtons::Services{*measurementControls_, *status_, *dialogs_, *language_}, *state_,
        QStringLiteral("Records.ini"));
    languageApplier_->addParticipant(recordButtons_.get());
    recordButtons_->applyLanguage(*language_);

    const QString file = QString::fromLatin1(records::SqliteStore::DefaultFileName);
    records::OpenReport report;
    recordStore_ = records::SqliteStore::open(file, &report);
    // Without a database the program measures as before; the buttons say why they cannot record, and the
    // history shows an empty store that nothing is ever written to.
    recordButtons_->setStore(recordStore_.get(), report.error,
                             report.notWritable ? OwnText::RecordsNotWritable : OwnText::RecordsReadOnly);
    if (!report.damagedKeptAs.isEmpty())
        dialogs_->inform(language_->own(OwnText::RecordsDamaged)
                             .arg(file, report.damagedKeptAs, QString::number(report.salvaged)));
    if (report.newerSchema)
        dialogs_->inform(language_->own(OwnText::RecordsReadOnly));
    if (!recordStore_)
        emptyStore_ = records::SqliteStore::open(QStringLiteral(":memory:"));
    records::SqliteStore& shown = recordStore_ ? *recordStore_ : *emptyStore_;

    RecordButtons* buttons = recordButtons_.get();
    for (QAbstractButton* button : {v.records.record, v.records.recordBig})
        connect(button, &QAbstractButton::clicked, buttons, &RecordButtons::take);
    auto* f9 = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(f9, &QShortcut::activated, buttons, &RecordButtons::shortcut);
    // Connected after the measuring button's own handler, so its caption has already changed.
    connect(v.measuring.measurement, &QAbstractButton::clicked, buttons, &RecordButtons::refresh);
    connect(session_.get(), &DeviceSession::cycleChanged, buttons, &RecordButtons::cycleArrived);
    connect(session_.get(), &DeviceSession::ticked, buttons, &RecordButtons::tick);
    connect(connection_.get(), &Connection::rejected, buttons, &RecordButtons::refresh);
    connect(connection_.get(), &Connection::acknowledged, buttons, &RecordButtons::acknowledged);
    for (const ParameterControls* field :
         {&v.parameters.barDiameter, &v.parameters.eModulus, &v.parameters.kFactor, &v.parameters.tolerance})
        connect(field->button, &QAbstractButton::clicked, buttons, &RecordButtons::refresh);

    history_ = std::make_unique<records::HistoryPage>(v.history, shown, *dialogs_, *language_);
    history_->setProtocolWriter([this, &shown](const records::Record& record, const QString& path,
                                               QString* error) {
        records::ProtocolTexts texts = records::protocolTexts(language_->code());
        records::applyConfig(texts, records::readRecordsConfig(QStringLiteral("Records.ini")), record);
        return records::writeProtocolPdf(path, record, records::protocolTrend(shown, record), texts, error);
    });
    history_->setAuthor([field = v.records.operatorName] { return field->text().trimmed(); });
    history_->setConfigFile(QStringLiteral("Records.ini"));
    languageApplier_->addParticipant(history_.get());
    history_->applyLanguage(*language_);
    connect(buttons, &RecordButtons::recordStored, history_.get(), &records::HistoryPage::recordsChanged);

    // With a plant server, every record is queued in the same transaction that stores it here, and a
    // thread of its own sends it; the window never waits for the network.
    const records::RecordsConfig config = records::readRecordsConfig(QStringLiteral("Records.ini"));
    if (!recordStore_ || recordStore_->readOnly() || config.server.isEmpty())
        return;
    recordStore_->setQueueForServer(true);
    // Without the driver (the Windows build, for now) the records wait for a build that has it, and no
    // thread tries in vain: under Wine such a thread, still starting when the window closed, crashed the
    // program on its way out.
    if (const QString reason = records::PostgresStore::unavailableReason(); !reason.isEmpty()) {
        records::ServerStatus status;
        status.reason = reason;
        status_->showRecordsServer(records::serverStatusText(status, language_->code()));
        return;
    }
    sender_ =
        std::make_unique<records::RecordsSender>(config.server, records::RecordsSender::sqliteFile(file));
    records::RecordsSender* sender = sender_.get();
    connect(buttons, &RecordButtons::recordStored, sender, &records::RecordsSender::wakeUp);
    connect(history_.get(), &records::HistoryPage::noteAdded, sender, &records::RecordsSender::wakeUp);
    connect(sender, &records::RecordsSender::recordsArrived, history_.get(),
            &records::HistoryPage::recordsChanged);
    connect(sender, &records::RecordsSender::statusChanged, this,
            [this](const records::ServerStatus& status) {
                status_->showRecordsServer(records::serverStatusText(status, language_->code()));
            });
    sender->wakeUp();
}

void TfrmMain::setUpCycles() {
    const Views& v = views_;
    const QString ini = QStringLiteral("Records.ini");
    cycleWatch_ = std::make_unique<cycles::CycleWatch>(
        cycles::CycleWatch::Views{v.cycles, v.machine, v.parameters},
        cycles::CycleWatch::Services{*measurementControls_, *status_, *language_}, *state_, ini);
    cycles::CycleWatch* watch = cycleWatch_.get();
    watch->setWho([field = v.records.operatorName] {
        const QString name = field->text().trimmed();
        return name.isEmpty() ? records::systemOperatorName() : name;
    });
    // A database that may not be changed keeps no clamps; the watch then only shows.
    watch->setStore(recordStore_ && !recordStore_->readOnly() ? recordStore_.get() : nullptr);
    cyclesPage_ = std::make_unique<cycles::CyclesPage>(v.cycles, *watch, *language_);
    cycles::CyclesPage* page = cyclesPage_.get();
    page->setStore(recordStore_.get());
    for (LanguageParticipant* participant :
         {static_cast<LanguageParticipant*>(watch), static_cast<LanguageParticipant*>(page)}) {
        languageApplier_->addParticipant(participant);
        participant->applyLanguage(*language_);
    }
    connect(session_.get(), &DeviceSession::cycleChanged, watch, &cycles::CycleWatch::cycleArrived);
    connect(session_.get(), &DeviceSession::ticked, watch, &cycles::CycleWatch::tick);
    connect(v.cycles.teach, &QAbstractButton::clicked, watch, &cycles::CycleWatch::teach);
    for (QAbstractButton* button : v.cycles.acknowledges)
        connect(button, &QAbstractButton::clicked, watch, &cycles::CycleWatch::acknowledge);
    connect(watch, &cycles::CycleWatch::clampStored, page, &cycles::CyclesPage::clampStored);
    connect(watch, &cycles::CycleWatch::alarmsChanged, page, &cycles::CyclesPage::alarmsChanged);
    connect(watch, &cycles::CycleWatch::referenceChanged, page, &cycles::CyclesPage::reload);
    connect(v.pages.tabs, &QTabWidget::currentChanged, page, &cycles::CyclesPage::pageShown);
    recordButtons_->setPressRunning([watch] { return watch->pressRunning(); });
    connect(watch, &cycles::CycleWatch::clampStored, recordButtons_.get(), &RecordButtons::clampEnded);
    if (records::RecordsSender* sender = sender_.get()) {
        connect(watch, &cycles::CycleWatch::clampStored, sender, &records::RecordsSender::wakeUp);
        connect(watch, &cycles::CycleWatch::alarmsChanged, sender, &records::RecordsSender::wakeUp);
        connect(watch, &cycles::CycleWatch::referenceChanged, sender, &records::RecordsSender::wakeUp);
    }
}

void TfrmMain::SetProgramStateText(int slot, int textIndex) { status_->setText(slot, textIndex); }

void TfrmMain::bringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TfrmMain::timerClockTimer() { clock_->tick(now_()); }
void TfrmMain::timerDeviceComTimer() { session_->timerDeviceComTimer(); }
void TfrmMain::timerGraphTimer() { graphControls_->timerGraphTimer(); }
void TfrmMain::btnGraphStartStopClick() { graphControls_->btnGraphStartStopClick(); }
void TfrmMain::btnGraphClearClick() { graphControls_->btnGraphClearClick(); }
void TfrmMain::btnGraphYMaxClick() { graphControls_->limitClick(LiveGraph::YMaximum); }
void TfrmMain::btnGraphYMinClick() { graphControls_->limitClick(LiveGraph::YMinimum); }
void TfrmMain::btnGraphXMinClick() { graphControls_->limitClick(LiveGraph::XMinimum); }
void TfrmMain::btnGraphXMaxClick() { graphControls_->limitClick(LiveGraph::XMaximum); }
void TfrmMain::btnCSVSaveClick() { static_cast<void>(graphControls_->btnCSVSaveClick()); }
void TfrmMain::btnSaveClick() { screenshots_->save(); }
void TfrmMain::btnPrintClick() { screenshots_->print(); }
void TfrmMain::btnGraphSaveClick() { screenshots_->save(); }
void TfrmMain::btnGraphPrintClick() { screenshots_->print(); }
void TfrmMain::imageLogoSettingsClick() { about_->imageLogoSettingsClick(); }
void TfrmMain::labelWebsiteClick() { about_->labelWebsiteClick(); }
void TfrmMain::btnAutoPortSelectClick() { portSelection_->btnAutoPortSelectClick(); }
void TfrmMain::btnCOMPortSelectClick() { portSelection_->btnCOMPortSelectClick(); }
void TfrmMain::btnDeviceSelectClick() { portSelection_->btnDeviceSelectClick(); }
void TfrmMain::btnEvalReservedComPortsClicked() { portSelection_->btnEvalReservedComPortsClicked(); }
void TfrmMain::btnMeasurementClick() { measurementControls_->btnMeasurementClick(); }
void TfrmMain::btnResetClick() { measurementControls_->btnResetClick(); }
void TfrmMain::btnUnitSelectClick() { measurementControls_->btnUnitSelectClick(); }
void TfrmMain::btnResetBigViewClick() { measurementControls_->btnResetClick(); }
void TfrmMain::btnUnitSelectBigViewClick() { measurementControls_->btnUnitSelectClick(); }
void TfrmMain::btnBarDiameterClick() { measurementControls_->btnBarDiameterClick(); }
void TfrmMain::btnEModulClick() { measurementControls_->btnEModulClick(); }
void TfrmMain::btnKFactorClick() { measurementControls_->btnKFactorClick(); }
void TfrmMain::btnToleranceClick() { measurementControls_->btnToleranceClick(); }
void TfrmMain::btnDeviceComSpeedClick() { measurementControls_->btnDeviceComSpeedClick(); }
void TfrmMain::btnSaveCustomSettingsClick() { settings_->btnSaveCustomSettingsClick(); }
void TfrmMain::btnLoadCustomSettingsClicked() { settings_->btnLoadCustomSettingsClicked(); }
void TfrmMain::tabSettingsExit() { settings_->tabSettingsExit(); }
void TfrmMain::editLanguageFilePathClick() { languageApplier_->editLanguageFilePathClick(); }

void TfrmMain::selectPosition(int channel, int corner, bool checked) {
    if (checked)
        positions_->SelectChannelPosition(channel, corner);
}
void TfrmMain::btnChannel1TopLeftClick(bool checked) { selectPosition(1, PositionTopLeft, checked); }
void TfrmMain::btnChannel1TopRightClick(bool checked) { selectPosition(1, PositionTopRight, checked); }
void TfrmMain::btnChannel1BottomLeftClick(bool checked) { selectPosition(1, PositionBottomLeft, checked); }
void TfrmMain::btnChannel1BottomRightClick(bool checked) { selectPosition(1, PositionBottomRight, checked); }
void TfrmMain::btnChannel2TopLeftClick(bool checked) { selectPosition(2, PositionTopLeft, checked); }
void TfrmMain::btnChannel2TopRightClick(bool checked) { selectPosition(2, PositionTopRight, checked); }
void TfrmMain::btnChannel2BottomLeftClick(bool checked) { selectPosition(2, PositionBottomLeft, checked); }
void TfrmMain::btnChannel2BottomRightClick(bool checked) { selectPosition(2, PositionBottomRight, checked); }
void TfrmMain::btnChannel3TopLeftClick(bool checked) { selectPosition(3, PositionTopLeft, checked); }
void TfrmMain::btnChannel3TopRightClick(bool checked) { selectPosition(3, PositionTopRight, checked); }
void TfrmMain::btnChannel3BottomLeftClick(bool checked) { selectPosition(3, PositionBottomLeft, checked); }
void TfrmMain::btnChannel3BottomRightClick(bool checked) { selectPosition(3, PositionBottomRight, checked); }
void TfrmMain::btnChannel4TopLeftClick(bool checked) { selectPosition(4, PositionTopLeft, checked); }
void TfrmMain::btnChannel4TopRightClick(bool checked) { selectPosition(4, PositionTopRight, checked); }
void TfrmMain::btnChannel4BottomLeftClick(bool checked) { selectPosition(4, PositionBottomLeft, checked); }
void TfrmMain::btnChannel4BottomRightClick(bool checked) { selectPosition(4, PositionBottomRight, checked); }

void TfrmMain::onPageChanged(int index) {
    const int settingsPage = views_.pages.tabs->indexOf(views_.pages.settings);
    const int left = currentPage_;
    currentPage_ = index;
    if (left == settingsPage && index != settingsPage)
        tabSettingsExit();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched == views_.settings.port.name) {
        // Which device the number stands for, looked up when the user asks.
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), portSelection_->describeShownPort(),
                           views_.settings.port.name);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const std::pair<QObject*, void (TfrmMain::*)()> clickable[] = {
            {views_.settings.language.path, &TfrmMain::editLanguageFilePathClick},
            {views_.about.logo, &TfrmMain::imageLogoSettingsClick},
            {views_.about.website, &TfrmMain::labelWebsiteClick}};
        for (const auto& [control, handler] : clickable)
            if (watched == control) {
                (this->*handler)();
                return true;
            }
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmMain::FormClose(bool ask) {
    if (ask && !graphControls_->settleUnsavedRows())
        return false;
    try {
        settings_->writeOnClose();
    } catch (const UserError& error) {
        // The settings could not be written (read-only folder, full disk). Keeping the window open would
        // leave the user no way to end the program, so offer to close without saving.
        QString question = language_->text(lang::CloseWithoutSaving);
        if (question.isEmpty())
            question = QStringLiteral("The settings could not be saved. Close the program without saving?");
        question = error.message() + QStringLiteral("\n\n") + question;
        if (!ask)
            qWarning().noquote() << error.message();
        else if (!dialogs_->askYesNo(question))
            return false;
    }
    // Rows that were neither saved nor let go stay in the journal (an end by a signal asks nobody), so the
    // next start recovers them.
    if (dataLog_->unsavedRows() == 0)
        journal_->remove();
    // An end that was decided elsewhere is left to its caller: quit() would first close every window, and
    // this window's close asks about the unsaved rows, which is the very question it must not ask.
    if (ask)
        QCoreApplication::quit();
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}
