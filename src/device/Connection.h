#pragma once
// The connection states of the device session: open the port (fixed or by automatic search), identify the
// amplifier type, poll unit, E-modulus and bar diameter while connected, and send the user's commands
// (unit change, reset, bar diameter, E-modulus). What it learns it reports as signals; what it needs to
// know of the user's choices it asks a ConnectionPanel.

#include "device/DeviceSession.h"

#include <QObject>
#include <QString>

#include <cstdint>

class CSerial;
class Language;

// What each amplifier type offers.
struct DeviceType {
    const char* identifier; // the reply to "P0"
    int nameLine;           // language line of its name
    int timerIntervalMs;
    bool hasParameters; // bar diameter and E-modulus editable
    int singleValues;   // 0 none, 1 the user may switch them, 2 fixed by the settings
    std::uint32_t graphMinSamplingMs;
};

enum class Parameter { BarDiameter, EModulus };

// The user's side of the connection, asked when the session needs to know.
class ConnectionPanel {
public:
    virtual ~ConnectionPanel() = default;
    // The name of the amplifier type chosen on the settings page.
    virtual QString selectedDevice() const = 0;
    virtual bool singleValuesWanted() const = 0;
    // START was pressed: the polling loop goes on into a measurement cycle.
    virtual bool measuringRequested() const = 0;
    // The user is typing a new value, which the amplifier's value must not overwrite.
    virtual bool isEditing(Parameter parameter) const = 0;
    virtual QString enteredValue(Parameter parameter) const = 0;
};

class Connection : public QObject, public SessionStates {
    Q_OBJECT

public:
    Connection(DeviceSession& session, const Language& language, const ConnectionPanel& panel);

    void runState(std::int32_t state) override;

    void connectStep();
    void identify();
    void readSettings();
    void sendCommand(std::int32_t state);

    // 19200 baud when the selected device is the type that runs at that speed, else 9600.
    std::uint32_t lineSpeed() const;
    static const DeviceType* typeOf(const QString& identifier);

signals:
    // A port is being opened: by the user's choice, by the search, or again after a lost connection.
    void connecting(bool reopening);
    // The amplifier is of the selected type; the session has taken on its timing and poll mode.
    void identified(const DeviceType& type);
    // Another type (found, when it is one of the known types) or none answered: the session looks further,
    // as if nothing was connected.
    void rejected(const DeviceType* found);
    // The amplifier's parameter is not polled while the user types a new one.
    void waitingForEntry();
    // A port that exists could not be opened; the session goes on as if it were not there.
    void portRefused(const QString& number, PortRefusal why);
    void unitPolled(std::int32_t unit);
    void parameterPolled(Parameter parameter, int value);
    // The amplifier acknowledged the command of that state.
    void acknowledged(std::int32_t state);

private:
    void openPort();
    void accept(const DeviceType& type);
    // Steps 12 and 13: ask for the E-modulus or bar diameter; paused while the user edits the field. True
    // once the reply came.
    bool pollParameter(Parameter parameter, const char* command);

    DeviceSession& session_;
    const ProgramState& state_;
    const Language& language_;
    const ConnectionPanel& panel_;
};
