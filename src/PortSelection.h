#pragma once
// Choosing the amplifier's port: a fixed port number or the automatic search, the device type, and the
// reserved ports, which the automatic search skips (the ports of other equipment, recorded while the
// amplifier is unplugged).

#include <QList>
#include <QString>

#include <cstdint>

struct MainContext;
class Form;
class QWidget;
class SettingsFile;

// The port controls of the settings page are the program's record of the current port: the number in
// editCOMPortNr, its name "COM<n>" in labelCOMPort and the device path "\\.\COM<n>" in labelCOMPortFull,
// which the session opens.
void showPortControls(const Form& form, const QString& number);

class PortSelection {
public:
    PortSelection(const MainContext& context, SettingsFile& settings);

    void btnAutoPortSelectClick();
    void btnCOMPortSelectClick();
    void btnDeviceSelectClick();
    void btnEvalReservedComPortsClicked();

    // Every port from COM1 to COM255 that exists and is free now. The port controls serve as working
    // storage and show COM255 afterwards.
    void ListAvailablePorts();
    void SaveReservedPorts();

    // What the tooltip of the port name shows: the device the number stands for and, for a USB adapter,
    // its maker and product as the system reports them. sysfsRoot is "/sys" except in tests.
    static QString describePort(int number, const QString& sysfsRoot = QStringLiteral("/sys"));
    // The port number of the text in the port field on confirmation: 1 to 255, 1 for a text that is no
    // number.
    static int confirmedPortNumber(const QString& text);

private:
    // The field's first click opens it for editing, the second closes it: true on the second.
    static bool editOrConfirm(QWidget* field);
    // A new port or device: the session starts over with the settings saved.
    void reconnectAndSave();

    const MainContext& context_;
    SettingsFile& settings_;
};
