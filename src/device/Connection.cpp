#include "device/Connection.h"

#include "Controls.h"
#include "Form.h"
#include "MainContext.h"
#include "PortSelection.h"
#include "ProgramState.h"
#include "ProgramStatus.h"
#include "Serial.h"
#include "evaluation/DisplayReset.h"
#include "evaluation/UnitLabels.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/SettingsFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {
const DeviceType Types[] = {
    {"QT31", lang::FirstDeviceName + 0, 35, false, 0, 245},
    {"QT32", lang::FirstDeviceName + 1, 20, false, 0, 140},
    {"QT33", lang::FirstDeviceName + 2, 35, true, 0, 245},
    {"QT34", lang::FirstDeviceName + 3, 20, true, 1, 140},
    {"QT35", lang::FirstDeviceName + 4, 20, true, 2, 140},
};
} // namespace

Connection::Connection(const MainContext& context, DeviceSession& session, const SettingsFile& settings)
    : context_(context), session_(session), settings_(settings) {}

void Connection::runState(std::int32_t state) {
    switch (state) {
    case StateReadSettings:
        readSettings();
        break;
    case StateConnect:
        connectStep();
        break;
    case StateIdentify:
        identify();
        break;
    case StateChangeUnit:
    case StateResetDevice:
    case StateSendBarDiameter:
    case StateSendEModulus:
        sendCommand(state);
        break;
    default:
        break;
    }
}

const DeviceType* Connection::typeOf(const QString& identifier) {
    for (const DeviceType& type : Types)
        if (identifier == QLatin1String(type.identifier))
            return &type;
    return nullptr;
}

bool Connection::IsReservedPort(std::int32_t port) const {
    return context_.state.reservedPorts.contains(port);
}

std::uint32_t Connection::lineSpeed() const {
    const QString device = context_.form.combo(QStringLiteral("comboDeviceSelect"))->currentText();
    return device == context_.language.text(lang::LastDeviceName) ? 19200 : 9600;
}

void Connection::openPort() {
    CSerial& port = context_.devicePort;
    port.Open(context_.form.label(QStringLiteral("labelCOMPortFull"))->text().toStdWString(), 0, 0, false);
    port.ConfigureLine(lineSpeed(), 8, CSerial::ParityNone, CSerial::StopOne);
    port.SetHandshake(CSerial::HandshakeOff);
}

void Connection::connectStep() {
    ProgramState& state = context_.state;
    if (context_.devicePort.IsOpen()) {
        state.sessionState = StateIdentify;
        state.stateTick = 0;
        return;
    }
    switch (state.portSearchStep) {
    case StepReopenPort:
        if (context_.form.button(QStringLiteral("btnShowErrorInfo"))->isChecked())
            context_.status.setText(1, lang::Connecting);
        openPort();
        break;
    case StepManualPort:
        context_.status.setText(1, lang::Connecting);
        openPort();
        break;
    case StepAutoPort:
        state.autoPortNumber = nextCandidate(state.autoPortNumber);
        if (IsReservedPort(state.autoPortNumber))
            return;
        showPortControls(context_.form, QString::number(state.autoPortNumber));
        context_.status.setText(1, lang::Connecting);
        openPort();
        break;
    default:
        break;
    }
}

void Connection::identify() {
    if (session_.transact("P0", ReplyText, 4, true) != DeviceSession::Step::Replied)
        return;
    const DeviceType* type = typeOf(context_.state.deviceReply);
    const QString selected = context_.form.combo(QStringLiteral("comboDeviceSelect"))->currentText();
    if (type && selected == context_.language.text(type->nameLine)) {
        accept(*type);
        return;
    }
    // Another type than the one selected, or no type at all: look further, as if nothing was connected.
    context_.devicePort.Close();
    context_.state.sessionState = StateConnect;
    context_.state.stateTick = 0;
    resetToNotConnected();
}

void Connection::accept(const DeviceType& type) {
    const Form& form = context_.form;
    ProgramState& state = context_.state;
    for (const char* name : {"btnMeasurement", "btnKFactor", "btnTolerance"})
        form.button(QString::fromLatin1(name))->setEnabled(true);
    form.button(QStringLiteral("btnBarDiameter"))->setEnabled(type.hasParameters);
    form.button(QStringLiteral("btnEModul"))->setEnabled(type.hasParameters);
    if (QLatin1String(type.identifier) == QLatin1String("QT31")) {
        form.edit(QStringLiteral("editEModul"))->setText(QStringLiteral("210"));
        form.edit(QStringLiteral("editKFactor"))->setText(QStringLiteral("2.00"));
    }

    QAbstractButton* showSingle = form.button(QStringLiteral("btnShowSingleValue"));
    auto setSensorsVisible = [&form](bool visible) {
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 2; ++k) {
                form.widget(sensorControl("editSensor", n, k))->setVisible(visible);
                form.widget(sensorControl("labelSensor", n, k))->setVisible(visible);
            }
    };
    if (type.singleValues == 0) {
        showSingle->setEnabled(false);
        showSingle->setChecked(false);
        setSensorsVisible(false);
        state.pollMode = 1;
        state.measureStep = 91;
    } else {
        showSingle->setEnabled(type.singleValues == 1);
        if (type.singleValues == 2)
            showSingle->setChecked(false);
        if (settings_.line(5) == QLatin1String("YES")) {
            setSensorsVisible(true);
            showSingle->setChecked(true);
            state.pollMode = 2;
            state.measureStep = 81;
        } else {
            // The sensor displays keep whatever visibility they had.
            showSingle->setChecked(false);
            state.pollMode = 1;
            state.measureStep = 91;
        }
    }

    context_.status.setText(1, type.nameLine);
    QTimer& timer = context_.timers.deviceCom;
    timer.stop();
    timer.setInterval(type.timerIntervalMs);
    timer.start();
    state.sessionState = StateReadSettings;
    state.stateTick = 0;
    state.identifyStep = StepReadUnit;
    state.graphMinSamplingMs = type.graphMinSamplingMs;
}

void Connection::resetToNotConnected() {
    const Form& form = context_.form;
    context_.timers.graph.stop();
    form.button(QStringLiteral("btnMeasurement"))->setText(context_.language.text(lang::StartCaption));
    for (const char* name : {"btnMeasurement", "btnReset", "btnUnitSelect", "btnSave", "btnPrint",
                             "btnBarDiameter", "btnEModul", "btnKFactor", "btnTolerance"})
        form.widget(QString::fromLatin1(name))->setEnabled(false);
    display_reset::unitLabels(form);
    display_reset::valueDisplays(form);
    display_reset::parameters(form);
    display_reset::bigView(form);
    display_reset::graphControls(form, false);
}

void Connection::showUnit(int unit) {
    const Form& form = context_.form;
    if (unit < 1 || unit > 3)
        return;
    const bool usTons = form.button(QStringLiteral("btnUStons"))->isChecked();
    unit_labels::showActiveUnit(form, unit);
    const QString caption = unit_labels::mainValueCaption(unit, usTons, context_.language);
    QLabel* mainValue = form.label(QStringLiteral("labelMainValue"));
    QLabel* bigView = form.label(QStringLiteral("labelMainValueBigView"));
    controls::setCaption(mainValue, caption);
    controls::setCaption(bigView, caption);
    // A number line that is no number (a damaged language file) leaves the label where it is.
    const bool usTonsOffset = unit == 3 && usTons;
    auto place = [this](QLabel* label, int line, int minus) {
        bool ok = false;
        const int left = context_.language.text(line).toInt(&ok);
        if (ok)
            controls::setLeft(label, left - minus);
    };
    place(mainValue, unit_labels::mainValueLeftLine(unit), usTonsOffset ? 10 : 0);
    place(bigView, unit_labels::mainValueBigViewLeftLine(unit), usTonsOffset ? 15 : 0);
}

bool Connection::pollParameter(const char* edit, const char* command) {
    QLineEdit* field = context_.form.edit(QString::fromLatin1(edit));
    // While the user types a new value the amplifier's value must not overwrite it: no command, no read.
    if (field->isEnabled())
        return false;
    if (session_.transact(command, ReplyBinary, 2) != DeviceSession::Step::Replied)
        return false;
    const int value = context_.state.deviceReply.toInt();
    if (value >= 1 && value <= 999)
        field->setText(QString::number(value));
    return true;
}

void Connection::readSettings() {
    ProgramState& state = context_.state;
    const Form& form = context_.form;
    switch (state.identifyStep) {
    case StepReadUnit:
        if (session_.transact("Ei", ReplyBinary, 1) != DeviceSession::Step::Replied)
            return;
        state.identifyStep = StepReadEModulus;
        state.deviceUnit = state.deviceReply.toInt();
        showUnit(state.deviceUnit);
        state.stateTick = 0;
        break;
    case StepReadEModulus:
        if (!pollParameter("editEModul", "EM"))
            return;
        state.identifyStep = StepReadBarDiameter;
        state.stateTick = 0;
        break;
    case StepReadBarDiameter:
        if (!pollParameter("editBarDiameter", "DU"))
            return;
        if (form.button(QStringLiteral("btnMeasurement"))->text() ==
            context_.language.text(lang::StopCaption)) {
            state.sessionState = StateMeasure;
            state.measureStep = state.pollMode == 1 ? 91 : 81;
        } else {
            state.identifyStep = StepReadUnit;
        }
        state.stateTick = 0;
        break;
    default:
        break;
    }
}

void Connection::sendCommand(std::int32_t command) {
    ProgramState& state = context_.state;
    DeviceSession::Step step = DeviceSession::Step::Waiting;
    int notice = 0;
    switch (command) {
    case StateChangeUnit:
        step = session_.transact("EW", ReplyText, 2);
        break;
    case StateResetDevice:
        step = session_.transact("RE", ReplyText, 2);
        notice = lang::DeviceReset;
        break;
    case StateSendBarDiameter:
    case StateSendEModulus: {
        const bool diameter = command == StateSendBarDiameter;
        if (state.stateTick == 1) {
            const QString text =
                context_.form
                    .edit(diameter ? QStringLiteral("editBarDiameter") : QStringLiteral("editEModul"))
                    ->text();
            const auto value = static_cast<std::uint16_t>(qBound(0, text.toInt(), 999));
            state.commandBuffer = framing::valueCommand(diameter ? 'd' : 'e', diameter ? 'u' : 'm', value);
        }
        step = session_.transact(state.commandBuffer.data(), 4, ReplyText, 2);
        notice = diameter ? lang::BarDiameterSent : lang::EModulusSent;
        break;
    }
    default:
        return;
    }
    // Only the acknowledgement counts; any other reply is ignored and the state reads on.
    if (step != DeviceSession::Step::Replied || state.deviceReply != QLatin1String("iO"))
        return;
    if (notice)
        context_.status.setText(2, notice);
    state.sessionState = StateReadSettings;
    state.identifyStep = StepReadUnit;
    state.stateTick = 0;
}
