#include "device/DeviceSession.h"

#include "Controls.h"
#include "Form.h"
#include "MainContext.h"
#include "ProgramState.h"
#include "ProgramStatus.h"
#include "Serial.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QPlainTextEdit>

DeviceSession::DeviceSession(const MainContext& context)
    : context_(context), trafficLog_(context.form.memo(QStringLiteral("memoUSBCommunication"))),
      logActive_(context.form.button(QStringLiteral("btnLogDataActive"))),
      showErrorInfo_(context.form.button(QStringLiteral("btnShowErrorInfo"))) {
    // With logging on and no device the log grows by a line per tick; keep the recent part only.
    trafficLog_->setMaximumBlockCount(TrafficLogLines);
}

void DeviceSession::timerDeviceComTimer() {
    ProgramState& state = context_.state;
    state.stateTick = state.stateTick == TickWrap ? 0 : state.stateTick + 1;
    if (state.sessionState != lastState_) {
        pending_.clear();
        lastState_ = state.sessionState;
    }
    context_.status.showSessionState(state.sessionState);
    if (state.sessionState >= StateReadSettings && state.sessionState <= StateSendEModulus) {
        if (connection_)
            connection_->runState(state.sessionState);
    } else if (state.sessionState == StateMeasure) {
        if (measure_)
            measure_->runState(state.sessionState);
    }
}

void DeviceSession::log(const QString& line) {
    if (logActive_->isChecked())
        controls::appendLine(trafficLog_, line);
}

void DeviceSession::SendToDevice(const std::uint8_t* buffer, std::uint32_t length) {
    pending_.clear();
    context_.devicePort.Write(buffer, length, nullptr, nullptr, CSerial::Infinite);
    log(framing::transmitLogLine(buffer, length));
}

QString DeviceSession::ReceiveFromDevice(ReplyMode mode, int count) {
    count = qBound(0, count, 4);
    char buffer[5] = {};
    std::uint32_t received = 0;
    const int missing = count - static_cast<int>(pending_.size());
    if (missing > 0)
        context_.devicePort.Read(buffer, static_cast<std::uint32_t>(missing), &received, nullptr,
                                 CSerial::Infinite);
    pending_.append(buffer, static_cast<qsizetype>(received));
    QString reply;
    if (pending_.size() < count) {
        reply = NoReply;
    } else {
        reply = framing::decodeReply(mode, pending_.left(count));
        pending_.clear();
    }
    log(framing::receiveLogLine(reply));
    return reply;
}

void DeviceSession::dropConnection(bool keepPortSearchStep) {
    ProgramState& state = context_.state;
    context_.devicePort.Close();
    pending_.clear();
    state.sessionState = StateConnect;
    state.stateTick = 0;
    if (!keepPortSearchStep)
        state.portSearchStep = StepReopenPort;
}

DeviceSession::Step DeviceSession::transact(const std::uint8_t* command, std::uint32_t length, ReplyMode mode,
                                            int count, bool keepPortSearchStep) {
    ProgramState& state = context_.state;
    if (state.stateTick == 1) {
        SendToDevice(command, length);
        return Step::Sent;
    }
    state.deviceReply = ReceiveFromDevice(mode, count);
    if (state.deviceReply != NoReply)
        return Step::Replied;
    if (state.stateTick >= ReplyTimeoutTicks) {
        dropConnection(keepPortSearchStep);
        return Step::TimedOut;
    }
    if (showErrorInfo_->isChecked())
        context_.status.showNotice(context_.language.text(lang::WaitingForDevice));
    return Step::Waiting;
}
