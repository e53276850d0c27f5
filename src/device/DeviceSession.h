#pragma once
// The device session: one step per tick of the device timer, never blocking. Each tick advances the tick
// count of the current state, shows the state number and runs the state's handler. States talk to the
// amplifier only through SendToDevice and ReceiveFromDevice, in the transaction pattern of transact().

#include "device/Framing.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

struct MainContext;
class QAbstractButton;
class QPlainTextEdit;

// The connection states (1 to 7) and the measurement state (8) plug in here.
class SessionStates {
public:
    virtual ~SessionStates() = default;
    virtual void runState(std::int32_t state) = 0;
};

class DeviceSession {
public:
    static constexpr std::uint32_t ReplyTimeoutTicks = 75;
    static constexpr std::uint32_t TickWrap = 65000;
    static constexpr int TrafficLogLines = 5000;

    explicit DeviceSession(const MainContext& context);

    void setConnectionStates(SessionStates* states) { connection_ = states; }
    void setMeasureState(SessionStates* state) { measure_ = state; }

    void timerDeviceComTimer();

    void SendToDevice(const std::uint8_t* buffer, std::uint32_t length);
    void SendToDevice(const char* command) {
        SendToDevice(reinterpret_cast<const std::uint8_t*>(command), 2);
    }
    // The reply of count bytes (1 to 4) as text, or "NONE" while it is incomplete. Bytes that came for the
    // running transaction are kept until the rest arrives, so a reply split over two ticks is not lost;
    // sending a new command or a change of state forgets them.
    QString ReceiveFromDevice(ReplyMode mode, int count);

    enum class Step { Sent, Waiting, TimedOut, Replied };
    // One tick of a command transaction: on the first tick of the state or step the command goes out; on
    // later ticks the reply is read into deviceReply. Without a complete reply by tick 75 the port is closed
    // and the session starts over in the connect state (reopening the same port unless keepPortSearchStep).
    Step transact(const std::uint8_t* command, std::uint32_t length, ReplyMode mode, int count,
                  bool keepPortSearchStep = false);
    Step transact(const char* command, ReplyMode mode, int count, bool keepPortSearchStep = false) {
        return transact(reinterpret_cast<const std::uint8_t*>(command), 2, mode, count, keepPortSearchStep);
    }

    // Port closed and the connect state entered, as after a lost connection.
    void dropConnection(bool keepPortSearchStep);

private:
    void log(const QString& line);

    const MainContext& context_;
    QPlainTextEdit* trafficLog_;
    QAbstractButton* logActive_;
    QAbstractButton* showErrorInfo_;
    SessionStates* connection_ = nullptr;
    SessionStates* measure_ = nullptr;
    QByteArray pending_;          // bytes of the running transaction's reply received so far
    std::int32_t lastState_ = -1; // the state of the previous tick
};
