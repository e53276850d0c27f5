#pragma once
// The connection states of the device session: open the port (fixed or by automatic search), identify the
// amplifier type and adapt the window to it, poll unit, E-modulus and bar diameter while connected, and
// send the user's commands (unit change, reset, bar diameter, E-modulus).

#include "device/DeviceSession.h"

#include <QString>

#include <cstdint>

struct MainContext;
class SettingsFile;

// What each amplifier type offers.
struct DeviceType {
    const char* identifier; // the reply to "P0"
    int nameLine;           // language line of its name
    int timerIntervalMs;
    bool hasParameters; // bar diameter and E-modulus editable
    int singleValues;   // 0 none, 1 the user may switch them, 2 fixed by the settings
    std::uint32_t graphMinSamplingMs;
};

class Connection : public SessionStates {
public:
    Connection(const MainContext& context, DeviceSession& session, const SettingsFile& settings);

    void runState(std::int32_t state) override;

    void connectStep();
    void identify();
    void readSettings();
    void sendCommand(std::int32_t state);

    // True when port occurs in the reserved ports.
    bool IsReservedPort(std::int32_t port) const;
    // The next number of the automatic search: 2, 3, ... 256, then 1, 2, ...
    static std::int32_t nextCandidate(std::int32_t current) { return current > 255 ? 1 : current + 1; }
    // 19200 baud when the selected device is the type that runs at that speed, else 9600.
    std::uint32_t lineSpeed() const;
    static const DeviceType* typeOf(const QString& identifier);

    // The window as it is without an amplifier: every display "E01", measuring off, parameters and graph
    // controls at their defaults.
    void resetToNotConnected();

private:
    void openPort();
    void accept(const DeviceType& type);
    void showUnit(int unit);
    // Steps 12 and 13: ask for the E-modulus or bar diameter and show a value from 1 to 999; paused while
    // the user edits the field. True once the reply came.
    bool pollParameter(const char* edit, const char* command);

    const MainContext& context_;
    DeviceSession& session_;
    const SettingsFile& settings_;
};
