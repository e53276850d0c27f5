#pragma once
// The device session: one step per tick of the device timer, never blocking. It is the only writer of the
// session variables (state, tick count, steps, poll mode, port) and of the device timer; other subsystems
// steer it through the named operations below. States talk to the amplifier only through SendToDevice and
// ReceiveFromDevice, in the transaction pattern of transact(). What happens on the line is reported as
// signals, so the session knows nothing of the window.

#include "device/Framing.h"
#include "device/SessionState.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

class CSerial;
class QTimer;
struct ProgramState;

// The connection states (1 to 7) and the measurement state (8) plug in here.
class SessionStates {
public:
    virtual ~SessionStates() = default;
    virtual void runState(std::int32_t state) = 0;
};

class DeviceSession : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t ReplyTimeoutTicks = 75;
    static constexpr std::uint32_t TickWrap = 65000;

    DeviceSession(ProgramState& state, CSerial& port, QTimer& timer);

    void setConnectionStates(SessionStates* states) { connection_ = states; }
    void setMeasureState(SessionStates* state) { measure_ = state; }

    const ProgramState& state() const { return state_; }
    CSerial& port() const { return port_; }

    // The start values of every session variable; the timer stands still at 20 ms.
    void initialise();
    void timerDeviceComTimer();

    // A state from its first tick on.
    void enter(SessionState state);
    // Port closed and the connect state entered; the port search goes on as it was.
    void restart();
    // As restart(), but an automatic search tries the port of the amplifier found last before going on by
    // its rule, so new settings do not cost a search through every port.
    void restartFromLastPort();
    // As restart(), after a lost connection: the same port is opened again unless keepPortSearchStep.
    void dropConnection(bool keepPortSearchStep);
    void setPortSearch(PortSearchStep step);
    // Identification done: poll unit, E-modulus and bar diameter from the unit on.
    void startPolling();
    void nextIdentifyStep(IdentifyStep step);
    void startMeasuring();
    void nextMeasureStep(std::int32_t step);
    // The cycle evaluated: back to polling; the next cycle starts at the channels (or the sensors).
    void endCycle();
    // The evaluated reading table becomes the snapshot that graph and log take; forgetCycle() makes it all
    // "E01" until the next complete cycle (a new measurement, a lost or restarted connection).
    void publishCycle();
    void forgetCycle();
    void setPollMode(std::uint8_t mode);
    // The next cycle starts at its first step for the poll mode.
    void rewindCycle();
    // The next number of the automatic search: 2, 3, ... 256, then 1, 2, ...
    static std::int32_t nextCandidate(std::int32_t current) { return current > 255 ? 1 : current + 1; }
    std::int32_t advanceAutoPort();
    void setDeviceUnit(std::int32_t unit);

    // The port the session opens: a number, shown as "COM<n>", opened as "\\.\COM<n>".
    void choosePort(const QString& number);
    QString portNumber() const { return portNumber_; }
    static QString devicePath(const QString& number);
    // Replies that came with surplus bytes, since the program started.
    int surplusFaults() const { return surplusFaults_; }

    // Stops the device timer while it lives; the timer runs again when the last pause ends, on every path.
    class Pause {
    public:
        explicit Pause(DeviceSession& session);
        Pause(Pause&& other) noexcept;
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;
        Pause& operator=(Pause&&) = delete;
        ~Pause();

    private:
        DeviceSession* session_;
    };
    [[nodiscard]] Pause pause() { return Pause(*this); }
    // A new tick interval; the timer is (re)started unless a pause holds it.
    void setTickInterval(int ms);

    // Whatever is queued from the line is dropped first: it can only be the rest of an earlier fault.
    void SendToDevice(const std::uint8_t* buffer, std::uint32_t length);
    // The reply of count bytes (1 to 4) as text, or "NONE" while it is incomplete. Bytes that came for the
    // running transaction are kept until the rest arrives, so a reply split over two ticks is not lost;
    // sending a new command or a change of state forgets them. More bytes than the reply has are a fault of
    // the transaction: they are dropped with the reply, counted, and the command goes out again on the next
    // tick, so the stream can never stay shifted.
    QString ReceiveFromDevice(ReplyMode mode, int count);

    enum class Step { Sent, Waiting, TimedOut, Replied };
    using Command = std::array<std::uint8_t, 4>;
    // One tick of a command transaction: on the first tick of the state or step the command goes out (one
    // that carries a value is kept as the command buffer); on later ticks the reply is read into deviceReply.
    // Without a complete reply by tick 75 the connection is dropped (reopening the same port unless
    // keepPortSearchStep).
    Step transact(const Command& command, std::uint32_t length, ReplyMode mode, int count,
                  bool keepPortSearchStep = false);
    Step transact(const char* command, ReplyMode mode, int count, bool keepPortSearchStep = false) {
        return transact(Command{std::uint8_t(command[0]), std::uint8_t(command[1]), 0, 0}, 2, mode, count,
                        keepPortSearchStep);
    }

signals:
    void ticked(std::int32_t state);
    // The amplifier stopped answering: what was measured is no longer true.
    void connectionLost();
    // The snapshot of the last complete cycle was replaced or forgotten.
    void cycleChanged();
    void waitingForReply();
    void traffic(const QString& line);
    void portChosen(const QString& number);

private:
    void discardQueued();

    ProgramState& state_;
    CSerial& port_;
    QTimer& timer_;
    SessionStates* connection_ = nullptr;
    SessionStates* measure_ = nullptr;
    QString portNumber_;
    QByteArray pending_;          // bytes of the running transaction's reply received so far
    std::int32_t lastState_ = -1; // the state of the previous tick
    int pauses_ = 0;
    bool connected_ = false;  // an amplifier was identified and has answered since
    bool cycleKnown_ = false; // a cycle was published since the last was forgotten
    bool resendDue_ = false;  // the last reply was faulty: the command goes out again
    int surplusFaults_ = 0;
    QString lastConnectedPort_; // where the last one was found
};
