#include "device/DeviceSession.h"

#include "ProgramState.h"
#include "serial/Serial.h"

#include <QTimer>

#include <algorithm>
#include <utility>

DeviceSession::DeviceSession(ProgramState& state, CSerial& port, QTimer& timer)
    : QObject(nullptr), state_(state), port_(port), timer_(timer) {}

void DeviceSession::initialise() {
    timer_.setInterval(20);
    timer_.stop();
    state_.portSearchStep = StepAutoPort;
    state_.autoPortNumber = 1;
    state_.deviceReply = QString::number(0);
    state_.commandBuffer.fill(0);
    state_.sessionState = StateConnect;
    state_.stateTick = 0;
    state_.identifyStep = StepReadUnit;
    state_.pollMode = PollChannels;
    state_.measureStep = FirstChannelStep;
    state_.deviceUnit = 1;
    forgetCycle();
}

void DeviceSession::timerDeviceComTimer() {
    state_.stateTick = state_.stateTick == TickWrap ? 0 : state_.stateTick + 1;
    if (state_.sessionState != lastState_) {
        pending_.clear();
        resendDue_ = false;
        lastState_ = state_.sessionState;
    }
    emit ticked(state_.sessionState);
    if (state_.sessionState >= StateReadSettings && state_.sessionState <= StateSendEModulus) {
        if (connection_)
            connection_->runState(state_.sessionState);
    } else if (state_.sessionState == StateMeasure) {
        if (measure_)
            measure_->runState(state_.sessionState);
    }
}

void DeviceSession::enter(SessionState state) {
    state_.sessionState = state;
    state_.stateTick = 0;
}

void DeviceSession::restart() {
    port_.Close();
    forgetCycle();
    pending_.clear();
    connected_ = false;
    enter(StateConnect);
}

void DeviceSession::restartFromLastPort() {
    restart();
    if (state_.portSearchStep == StepAutoPort && !lastConnectedPort_.isEmpty())
        state_.autoPortNumber = std::max(0, lastConnectedPort_.toInt() - 1);
}

void DeviceSession::dropConnection(bool keepPortSearchStep) {
    const bool wasConnected = connected_;
    restart();
    if (!keepPortSearchStep)
        state_.portSearchStep = StepReopenPort;
    if (wasConnected)
        emit connectionLost();
}

void DeviceSession::setPortSearch(PortSearchStep step) { state_.portSearchStep = step; }

void DeviceSession::startPolling() {
    if (!connected_)
        lastConnectedPort_ = portNumber_;
    connected_ = true;
    enter(StateReadSettings);
    state_.identifyStep = StepReadUnit;
}

void DeviceSession::nextIdentifyStep(IdentifyStep step) {
    state_.identifyStep = step;
    state_.stateTick = 0;
}

void DeviceSession::startMeasuring() {
    enter(StateMeasure);
    rewindCycle();
}

void DeviceSession::nextMeasureStep(std::int32_t step) {
    state_.measureStep = step;
    state_.stateTick = 0;
}

void DeviceSession::endCycle() {
    startPolling();
    state_.measureStep = FirstChannelStep;
}

void DeviceSession::publishCycle() {
    cycleKnown_ = true;
    state_.cycleSnapshot.texts = state_.readingText;
    state_.cycleSnapshot.unit = state_.deviceUnit;
    state_.cycleSnapshot.inUsTons = state_.readingInUsTons;
    emit cycleChanged();
}

void DeviceSession::forgetCycle() {
    cycleKnown_ = false;
    state_.cycleSnapshot = CycleSnapshot::none(state_.deviceUnit);
    emit cycleChanged();
}

void DeviceSession::setPollMode(std::uint8_t mode) { state_.pollMode = mode; }

void DeviceSession::rewindCycle() {
    state_.measureStep = state_.pollMode == PollChannels ? FirstChannelStep : FirstSensorStep;
}

std::int32_t DeviceSession::advanceAutoPort() {
    state_.autoPortNumber = nextCandidate(state_.autoPortNumber);
    return state_.autoPortNumber;
}

void DeviceSession::setDeviceUnit(std::int32_t unit) {
    state_.deviceUnit = unit;
    // Before the first cycle the values are none, and the data log's rows (and the header made with the first
    // of them) name the unit the amplifier reports, not the one assumed before it was asked.
    if (!cycleKnown_)
        state_.cycleSnapshot.unit = unit;
}

void DeviceSession::choosePort(const QString& number) {
    portNumber_ = number;
    emit portChosen(number);
}

QString DeviceSession::devicePath(const QString& number) { return QStringLiteral("\\\\.\\COM") + number; }

DeviceSession::Pause::Pause(DeviceSession& session) : session_(&session) {
    if (session_->pauses_++ == 0)
        session_->timer_.stop();
}

DeviceSession::Pause::Pause(Pause&& other) noexcept : session_(std::exchange(other.session_, nullptr)) {}

DeviceSession::Pause::~Pause() {
    if (session_ && --session_->pauses_ == 0)
        session_->timer_.start();
}

void DeviceSession::setTickInterval(int ms) {
    timer_.setInterval(ms);
    if (pauses_ == 0)
        timer_.start();
}

void DeviceSession::discardQueued() {
    char sink[64];
    for (int i = 0; i < 64; ++i) { // bounded: a line that never stops talking must not hold the tick
        std::uint32_t received = 0;
        port_.Read(sink, sizeof sink, &received, nullptr, CSerial::Infinite);
        if (received == 0)
            return;
    }
}

void DeviceSession::SendToDevice(const std::uint8_t* buffer, std::uint32_t length) {
    pending_.clear();
    discardQueued();
    port_.Write(buffer, length, nullptr, nullptr, CSerial::Infinite);
    emit traffic(framing::transmitLogLine(buffer, length));
}

QString DeviceSession::ReceiveFromDevice(ReplyMode mode, int count) {
    count = qBound(0, count, 4);
    char buffer[5] = {};
    std::uint32_t received = 0;
    const int missing = count - static_cast<int>(pending_.size());
    if (missing > 0)
        port_.Read(buffer, static_cast<std::uint32_t>(missing), &received, nullptr, CSerial::Infinite);
    pending_.append(buffer, static_cast<qsizetype>(received));
    QString reply;
    if (pending_.size() < count) {
        reply = NoReply;
    } else {
        reply = framing::decodeReply(mode, pending_.left(count));
        pending_.clear();
        char surplus = 0;
        std::uint32_t more = 0;
        port_.Read(&surplus, 1, &more, nullptr, CSerial::Infinite);
        if (more > 0) {
            ++surplusFaults_;
            discardQueued();
            resendDue_ = true;
            reply = NoReply;
        }
    }
    emit traffic(framing::receiveLogLine(reply));
    return reply;
}

DeviceSession::Step DeviceSession::transact(const Command& command, std::uint32_t length, ReplyMode mode,
                                            int count, bool keepPortSearchStep) {
    if (state_.stateTick == 1 || resendDue_) {
        resendDue_ = false;
        if (length == command.size())
            state_.commandBuffer = command;
        SendToDevice(command.data(), length);
        return Step::Sent;
    }
    state_.deviceReply = ReceiveFromDevice(mode, count);
    if (state_.deviceReply != NoReply)
        return Step::Replied;
    if (state_.stateTick >= ReplyTimeoutTicks) {
        dropConnection(keepPortSearchStep);
        return Step::TimedOut;
    }
    emit waitingForReply();
    return Step::Waiting;
}
