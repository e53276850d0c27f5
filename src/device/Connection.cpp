#include "device/Connection.h"

#include "ProgramState.h"
#include "serial/Serial.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

namespace {
const DeviceType Types[] = {
    {"QT31", lang::FirstDeviceName + 0, 35, false, 0, 245},
    {"QT32", lang::FirstDeviceName + 1, 20, false, 0, 140},
    {"QT33", lang::FirstDeviceName + 2, 35, true, 0, 245},
    {"QT34", lang::FirstDeviceName + 3, 20, true, 1, 140},
    {"QT35", lang::FirstDeviceName + 4, 20, true, 2, 140},
};
} // namespace

Connection::Connection(DeviceSession& session, const Language& language, const ConnectionPanel& panel)
    : session_(session), state_(session.state()), language_(language), panel_(panel) {}

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

std::uint32_t Connection::lineSpeed() const {
    return panel_.selectedDevice() == language_.text(lang::LastDeviceName) ? 19200 : 9600;
}

void Connection::openPort() {
    CSerial& port = session_.port();
    const std::wstring device = DeviceSession::devicePath(session_.portNumber()).toStdWString();
    const std::int32_t status = port.Open(device, 0, 0, false);
    if (!port.IsOpen()) {
        if (status == CSerial::StatusInvalidFunction)
            emit portRefused(session_.portNumber(), PortRefusal::NotASerialPort);
        else if (status == CSerial::StatusAccessDenied)
            emit portRefused(session_.portNumber(),
                             CSerial::AccessAllowed(device) ? PortRefusal::InUse : PortRefusal::NotAllowed);
        return;
    }
    port.ConfigureLine(lineSpeed(), 8, CSerial::ParityNone, CSerial::StopOne);
    port.SetHandshake(CSerial::HandshakeOff);
}

void Connection::connectStep() {
    if (session_.port().IsOpen()) {
        session_.enter(StateIdentify);
        return;
    }
    switch (state_.portSearchStep) {
    case StepReopenPort:
    case StepManualPort:
        emit connecting(state_.portSearchStep == StepReopenPort);
        openPort();
        break;
    case StepAutoPort: {
        const std::int32_t number = session_.advanceAutoPort();
        if (state_.reservedPorts.contains(number))
            return;
        session_.choosePort(QString::number(number));
        emit connecting(false);
        openPort();
        break;
    }
    default:
        break;
    }
}

void Connection::identify() {
    if (session_.transact("P0", ReplyText, 4, true) != DeviceSession::Step::Replied)
        return;
    const DeviceType* type = typeOf(state_.deviceReply);
    if (type && panel_.selectedDevice() == language_.text(type->nameLine)) {
        accept(*type);
        return;
    }
    session_.restart();
    emit rejected(type);
}

void Connection::accept(const DeviceType& type) {
    const bool sensors = type.singleValues != 0 && panel_.singleValuesWanted();
    session_.setPollMode(sensors ? PollChannelsAndSensors : PollChannels);
    session_.rewindCycle();
    session_.setTickInterval(type.timerIntervalMs);
    session_.startPolling();
    emit identified(type);
}

bool Connection::pollParameter(Parameter parameter, const char* command) {
    if (panel_.isEditing(parameter)) {
        emit waitingForEntry();
        return false;
    }
    if (session_.transact(command, ReplyBinary, 2) != DeviceSession::Step::Replied)
        return false;
    emit parameterPolled(parameter, state_.deviceReply.toInt());
    return true;
}

void Connection::readSettings() {
    switch (state_.identifyStep) {
    case StepReadUnit:
        if (session_.transact("Ei", ReplyBinary, 1) != DeviceSession::Step::Replied)
            return;
        session_.nextIdentifyStep(StepReadEModulus);
        session_.setDeviceUnit(state_.deviceReply.toInt());
        emit unitPolled(state_.deviceUnit);
        break;
    case StepReadEModulus:
        if (pollParameter(Parameter::EModulus, "EM"))
            session_.nextIdentifyStep(StepReadBarDiameter);
        break;
    case StepReadBarDiameter:
        if (!pollParameter(Parameter::BarDiameter, "DU"))
            return;
        if (panel_.measuringRequested())
            session_.startMeasuring();
        else
            session_.nextIdentifyStep(StepReadUnit);
        break;
    default:
        break;
    }
}

void Connection::sendCommand(std::int32_t command) {
    DeviceSession::Step step = DeviceSession::Step::Waiting;
    switch (command) {
    case StateChangeUnit:
        step = session_.transact("EW", ReplyText, 2);
        break;
    case StateResetDevice:
        step = session_.transact("RE", ReplyText, 2);
        break;
    case StateSendBarDiameter:
    case StateSendEModulus: {
        const bool diameter = command == StateSendBarDiameter;
        const QString text = panel_.enteredValue(diameter ? Parameter::BarDiameter : Parameter::EModulus);
        const auto value = static_cast<std::uint16_t>(qBound(0, text.toInt(), 999));
        step = session_.transact(framing::valueCommand(diameter ? 'd' : 'e', diameter ? 'u' : 'm', value), 4,
                                 ReplyText, 2);
        break;
    }
    default:
        return;
    }
    // Only the acknowledgement counts; any other reply is ignored and the state reads on.
    if (step != DeviceSession::Step::Replied || state_.deviceReply != QLatin1String("iO"))
        return;
    session_.startPolling();
    emit acknowledged(command);
}
