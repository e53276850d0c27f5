#pragma once
// Choosing the amplifier's port: a fixed port number or the automatic search, the device type, and the
// reserved ports, which the automatic search skips (the ports of other equipment, recorded while the
// amplifier is unplugged). The port controls show the port the session opens: the number in editCOMPortNr,
// its name "COM<n>" in labelCOMPort and the device path "\\.\COM<n>" in labelCOMPortFull.

#include "settings/LanguageParticipant.h"

#include <QList>
#include <QString>

#include <cstdint>

class DeviceSession;
class Dialogs;
class QWidget;
class SettingsFile;
struct PortControls;
struct ProgramState;

class PortSelection : public LanguageParticipant {
public:
    PortSelection(const PortControls& controls, DeviceSession& session, SettingsFile& settings,
                  ProgramState& state, Dialogs& dialogs);

    void btnAutoPortSelectClick();
    void btnCOMPortSelectClick();
    void btnDeviceSelectClick();
    void btnEvalReservedComPortsClicked();

    // Every port from COM1 to COM255 that exists and is free now. The port controls show COM255 afterwards,
    // as they served as working storage while the ports were tried.
    void ListAvailablePorts();
    void SaveReservedPorts();

    // The session chose a port: the controls show it.
    void showPort(const QString& number);

    // What the tooltip of the port name shows: the device the number stands for and, for a USB adapter,
    // its maker and product as the system reports them. sysfsRoot is "/sys" except in tests.
    static QString describePort(int number, const QString& sysfsRoot = QStringLiteral("/sys"));
    // The tooltip for the port the name label shows.
    QString describeShownPort() const;
    // The port number of the text in the port field on confirmation: 1 to 255, 1 for a text that is no
    // number.
    static int confirmedPortNumber(const QString& text);

    // The connection group and the device names, the chosen one selected.
    void applyLanguage(const Language& language) override;

private:
    // The field's first click opens it for editing, the second closes it: true on the second.
    static bool editOrConfirm(QWidget* field);
    // A new port or device: the session starts over with the settings saved.
    void reconnectAndSave();

    const PortControls& controls_;
    DeviceSession& session_;
    SettingsFile& settings_;
    ProgramState& state_;
    Dialogs& dialogs_;
};
