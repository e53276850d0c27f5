#pragma once
// The window's side of the connection: it answers what the session asks of the user's choices, and adapts
// the window to what the session reports: the controls an identified amplifier type offers, the
// not-connected look after a rejected one, and the parameters the amplifier reports.

#include "device/Connection.h"

class MeasurementControls;
class ProgramStatus;
class QTimer;
class SettingsFile;
struct GraphPage;
struct MeasuringButtons;
struct ParameterView;
struct PortControls;
struct ProgramState;
struct ValueView;
struct ViewOptions;

class ConnectionDisplay : public ConnectionPanel {
public:
    struct Views {
        const MeasuringButtons& buttons;
        const ParameterView& parameters;
        const ValueView& values;
        const GraphPage& graph;
        const ViewOptions& options;
        const PortControls& port;
    };

    ConnectionDisplay(const Views& views, const SettingsFile& settings, const MeasurementControls& measuring,
                      ProgramState& state, ProgramStatus& status, QTimer& graphTimer,
                      const Language& language);

    QString selectedDevice() const override;
    bool singleValuesWanted() const override;
    bool measuringRequested() const override;
    bool isEditing(Parameter parameter) const override;
    QString enteredValue(Parameter parameter) const override;

    void onIdentified(const DeviceType& type);
    // The window as it is without an amplifier: every display "E01", measuring off, parameters and graph
    // controls at their defaults. A known type other than the selected one is named in the status.
    void onRejected(const DeviceType* found);
    // Only values from 1 to 999 are shown.
    void onParameterPolled(Parameter parameter, int value);

private:
    Views views_;
    const SettingsFile& settings_;
    const MeasurementControls& measuring_;
    ProgramState& state_;
    ProgramStatus& status_;
    QTimer& graphTimer_;
    const Language& language_;
};
