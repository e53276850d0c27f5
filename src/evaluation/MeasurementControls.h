#pragma once
// The buttons with which the user measures and sets parameters. Measuring on and off enables or disables
// the displays and graph controls; reset and unit change hand the work to the device session; each
// parameter is edited in place: the first click opens its field, the second confirms it, replacing an
// entry out of range by the limit and one that is no number by the default.

#include "settings/LanguageParticipant.h"

#include <QString>

#include <vector>

class DeviceSession;
class ProgramStatus;
class QTimer;
class QWidget;
struct DebugControls;
struct GraphPage;
struct MeasuringButtons;
struct ParameterControls;
struct ParameterRule;
struct ParameterView;
struct ProgramState;

class MeasurementControls : public LanguageParticipant {
public:
    MeasurementControls(const MeasuringButtons& buttons, const ParameterView& parameters,
                        const DebugControls& debug, const GraphPage& graph,
                        const std::vector<QWidget*>& measuringGroup, DeviceSession& session,
                        ProgramState& state, ProgramStatus& status, QTimer& graphTimer,
                        const Language& language);

    void btnMeasurementClick();
    void btnResetClick();
    void btnUnitSelectClick();
    void btnBarDiameterClick();
    void btnEModulClick();
    void btnKFactorClick();
    void btnToleranceClick();
    void btnDeviceComSpeedClick();

    // The caption of the measuring button is the flag that a measurement runs.
    bool isMeasuring() const;

    // The number in a parameter field: whole numbers as they stand, the K-factor also with a decimal
    // comma ("2,50"), as people at German machines type it. False when the text is no number.
    static bool parseWhole(const QString& text, double* value);
    static bool parseDecimal(const QString& text, double* value);

    // Parameter captions and the captions and font sizes of the measuring buttons on both views.
    void applyLanguage(const Language& language) override;

private:
    // Returns true when the click confirmed an entry (false when it only opened the field).
    bool editOrConfirm(const ParameterControls& field, const ParameterRule& rule);
    // The text a confirmation leaves: the limit for an entry out of range, the default for one that is no
    // number, else the entry.
    static QString confirmedText(const QString& text, const ParameterRule& rule);
    // The text put into the field on confirmation: decimals with two places and a point.
    static QString shownText(const QString& text, const ParameterRule& rule);
    void applyKFactor();
    void switchOn();
    void switchOff();

    const MeasuringButtons& buttons_;
    const ParameterView& parameters_;
    const DebugControls& debug_;
    const GraphPage& graph_;
    const std::vector<QWidget*>& measuringGroup_;
    DeviceSession& session_;
    ProgramState& state_;
    ProgramStatus& status_;
    QTimer& graphTimer_;
    const Language& language_;
};
