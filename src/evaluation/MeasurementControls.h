#pragma once
// The buttons with which the user measures and sets parameters. Measuring on and off enables or disables
// the displays and graph controls; reset and unit change hand the work to the device session; each
// parameter is edited in place: the first click opens its field, the second confirms it, replacing an
// entry out of range by the limit and one that is no number by the default.

#include <QString>

struct MainContext;
struct ParameterField;

class MeasurementControls {
public:
    explicit MeasurementControls(const MainContext& context);

    void btnMeasurementClick();
    void btnResetClick();
    void btnUnitSelectClick();
    void btnBarDiameterClick();
    void btnEModulClick();
    void btnKFactorClick();
    void btnToleranceClick();
    void btnDeviceComSpeedClick();

    // The number in a parameter field: whole numbers as they stand, the K-factor also with a decimal
    // comma ("2,50"), as people at German machines type it. False when the text is no number.
    static bool parseWhole(const QString& text, double* value);
    static bool parseDecimal(const QString& text, double* value);

private:
    // Returns true when the click confirmed an entry (false when it only opened the field).
    bool editOrConfirm(const ParameterField& parameter);
    void switchOn();
    void switchOff();

    const MainContext& context_;
};
