#include "Main.h"

#include "Application.h"
#include "Clock.h"
#include "Controls.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Form.h"
#include "PortSelection.h"
#include "ProgramState.h"
#include "ProgramStatus.h"
#include "Resources.h"
#include "device/Connection.h"
#include "device/DeviceSession.h"
#include "device/MeasureCycle.h"
#include "evaluation/DisplayReset.h"
#include "evaluation/MeasurementControls.h"
#include "evaluation/ValueDisplay.h"
#include "graph/DataLog.h"
#include "graph/LiveGraph.h"
#include "settings/ChannelPositions.h"
#include "settings/Language.h"
#include "settings/LanguageApplier.h"
#include "settings/LanguageLines.h"
#include "settings/SettingsFile.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
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
    setUpSubsystems(devicePort, state, dialogs);
    connectHandlers();
    initialiseState();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::setUpForm() {
    ensureResources();
    ui_->setupUi(this);
    applyPixelFonts(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(1030, 637);
    form_ = std::make_unique<Form>(this);
    // The timers as designed: all stopped; the graph timer asks for 1 ms, as a zero interval would turn
    // the event loop into a busy loop while measuring.
    timerDeviceCom_.setObjectName(QStringLiteral("timerDeviceCom"));
    timerGraph_.setObjectName(QStringLiteral("timerGraph"));
    timerClock_.setObjectName(QStringLiteral("timerClock"));
    timerDeviceCom_.setInterval(20);
    timerGraph_.setInterval(1);
    timerClock_.setInterval(1000);
}

void TfrmMain::setUpSubsystems(CSerial& devicePort, ProgramState& state, Dialogs& dialogs) {
    state_ = &state;
    dialogs_ = &dialogs;
    language_ = std::make_unique<Language>(form_->memo(QStringLiteral("memoLanguageObjects")));
    status_ =
        std::make_unique<ProgramStatus>(form_->memo(QStringLiteral("memoProgramState")), *language_, state);
    context_ = std::make_unique<MainContext>(
        MainContext{*form_, state, devicePort, dialogs, *language_, *status_,
                    Timers{timerDeviceCom_, timerGraph_, timerClock_}, dialogSave_, dialogOpen_});
    clock_ = std::make_unique<ClockDisplay>(form_->label(QStringLiteral("labelTime")),
                                            form_->label(QStringLiteral("labelDate")), *status_, state);
    positions_ = std::make_unique<ChannelPositions>(*form_, state);
    graph_ = std::make_unique<LiveGraph>(form_->widget(QStringLiteral("Graph")));
    dataLog_ = std::make_unique<DataLog>(*form_, *language_);
    settings_ = std::make_unique<SettingsFile>(*context_, *positions_);
    languageApplier_ =
        std::make_unique<LanguageApplier>(*context_, *settings_, *positions_, *graph_, *dataLog_);
    settings_->setLanguage(languageApplier_.get());
    session_ = std::make_unique<DeviceSession>(*context_);
    connection_ = std::make_unique<Connection>(*context_, *session_, *settings_);
    session_->setConnectionStates(connection_.get());
    portSelection_ = std::make_unique<PortSelection>(*context_, *settings_);
    valueDisplay_ = std::make_unique<ValueDisplay>(*context_, *positions_);
    measureCycle_ = std::make_unique<MeasureCycle>(*context_, *session_, *valueDisplay_);
    session_->setMeasureState(measureCycle_.get());
    measurementControls_ = std::make_unique<MeasurementControls>(*context_);
}

void TfrmMain::connectHandlers() {
    const Form& f = *form_;
    connect(&timerClock_, &QTimer::timeout, this, &TfrmMain::timerClockTimer);
    connect(&timerDeviceCom_, &QTimer::timeout, this, &TfrmMain::timerDeviceComTimer);

    connect(f.button(QStringLiteral("btnAutoPortSelect")), &QAbstractButton::clicked, this,
            &TfrmMain::btnAutoPortSelectClick);
    connect(f.button(QStringLiteral("btnCOMPortSelect")), &QAbstractButton::clicked, this,
            &TfrmMain::btnCOMPortSelectClick);
    connect(f.button(QStringLiteral("btnDeviceSelect")), &QAbstractButton::clicked, this,
            &TfrmMain::btnDeviceSelectClick);
    connect(f.button(QStringLiteral("btnEvalReservedComPorts")), &QAbstractButton::clicked, this,
            &TfrmMain::btnEvalReservedComPortsClicked);
    f.label(QStringLiteral("labelCOMPort"))->installEventFilter(this);

    const struct {
        const char* button;
        void (TfrmMain::*handler)();
    } buttons[] = {{"btnMeasurement", &TfrmMain::btnMeasurementClick},
                   {"btnReset", &TfrmMain::btnResetClick},
                   {"btnUnitSelect", &TfrmMain::btnUnitSelectClick},
                   {"btnResetBigView", &TfrmMain::btnResetBigViewClick},
                   {"btnUnitSelectBigView", &TfrmMain::btnUnitSelectBigViewClick},
                   {"btnBarDiameter", &TfrmMain::btnBarDiameterClick},
                   {"btnEModul", &TfrmMain::btnEModulClick},
                   {"btnKFactor", &TfrmMain::btnKFactorClick},
                   {"btnTolerance", &TfrmMain::btnToleranceClick},
                   {"btnDeviceComSpeed", &TfrmMain::btnDeviceComSpeedClick}};
    for (const auto& [button, handler] : buttons)
        connect(f.button(QString::fromLatin1(button)), &QAbstractButton::clicked, this, handler);

    connect(f.button(QStringLiteral("btnSaveCustomSettings")), &QAbstractButton::clicked, this,
            &TfrmMain::btnSaveCustomSettingsClick);
    connect(f.button(QStringLiteral("btnLoadCustomSettings")), &QAbstractButton::clicked, this,
            &TfrmMain::btnLoadCustomSettingsClicked);
    connect(f.tabs(QStringLiteral("tabSystem")), &QTabWidget::currentChanged, this, &TfrmMain::onPageChanged);
    f.edit(QStringLiteral("editLanguageFilePath"))->installEventFilter(this);

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
    const Form& f = *form_;
    // 2.
    s.programStateTextIndex = {9, 0, 0};
    // 3.
    timerDeviceCom_.setInterval(20);
    timerDeviceCom_.stop();
    // 4.
    s.portSearchStep = StepAutoPort;
    s.autoPortNumber = 1;
    s.deviceReply = QString::number(0);
    s.commandBuffer.fill(0);
    s.sessionState = StateConnect;
    s.stateTick = 0;
    s.identifyStep = StepReadUnit;
    s.pollMode = 1;
    s.measureStep = 91;
    s.graphSampleCount = 1;
    s.deviceUnit = 1;
    s.kFactorScale = 1.0f;
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
    f.tabs(QStringLiteral("tabSystem"))->setCurrentWidget(f.widget(QStringLiteral("tabMainView")));
    // 8.
    for (const char* name : {"btnMeasurement", "btnReset", "btnUnitSelect", "btnSave", "btnPrint"})
        f.widget(QString::fromLatin1(name))->setEnabled(false);
    for (const char* name : {"editDeviceComSpeed", "btnDeviceComSpeed", "memoUSBCommunication",
                             "btnLogDataActive", "btnShowErrorInfo"})
        f.widget(QString::fromLatin1(name))->hide();
    for (const char* name : {"btnBarDiameter", "btnEModul", "btnKFactor", "btnTolerance"})
        f.widget(QString::fromLatin1(name))->setEnabled(false);
    // 9. to 14.
    display_reset::unitLabels(f);
    display_reset::valueDisplays(f);
    display_reset::parameters(f);
    display_reset::bigView(f);
    display_reset::graphControls(f, true);
    f.widget(QStringLiteral("memoCSV"))->hide();
    f.widget(QStringLiteral("memoCSVbackup"))->hide();
    // 15.
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    // 16.
    for (const char* name :
         {"memoSettings", "memoLanguageObjects", "labelLanguageFilePath", "editLanguageFilePath"})
        f.widget(QString::fromLatin1(name))->hide();
    f.widget(QStringLiteral("editCOMPortNr"))->setEnabled(false);
    f.widget(QStringLiteral("comboDeviceSelect"))->setEnabled(false);
    // 17. The load ends by starting the device timer.
    settings_->loadAtStartUp();
    currentPage_ = f.tabs(QStringLiteral("tabSystem"))->currentIndex();
}

void TfrmMain::SetProgramStateText(int slot, int textIndex) { status_->setText(slot, textIndex); }

void TfrmMain::timerClockTimer() { clock_->tick(now_()); }
void TfrmMain::timerDeviceComTimer() { session_->timerDeviceComTimer(); }
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
    QTabWidget* pages = form_->tabs(QStringLiteral("tabSystem"));
    const int settingsPage = pages->indexOf(form_->widget(QStringLiteral("tabSettings")));
    const int left = currentPage_;
    currentPage_ = index;
    if (left == settingsPage && index != settingsPage)
        tabSettingsExit();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched == form_->widget(QStringLiteral("labelCOMPort"))) {
        // Which device the number stands for, looked up when the user asks.
        const QString number = form_->label(QStringLiteral("labelCOMPort"))->text().mid(3);
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           PortSelection::describePort(number.toInt()),
                           form_->widget(QStringLiteral("labelCOMPort")));
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        watched == form_->widget(QStringLiteral("editLanguageFilePath"))) {
        editLanguageFilePathClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmMain::FormClose() {
    try {
        settings_->writeOnClose();
    } catch (const UserError& error) {
        // The settings could not be written (read-only folder, full disk). Keeping the window open would
        // leave the user no way to end the program, so offer to close without saving.
        QString question = language_->text(lang::CloseWithoutSaving);
        if (question.isEmpty())
            question = QStringLiteral("The settings could not be saved. Close the program without saving?");
        question = error.message() + QStringLiteral("\n\n") + question;
        if (!dialogs_->askYesNo(question))
            return false;
    }
    QCoreApplication::quit();
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}
