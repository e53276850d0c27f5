#include "evaluation/MeasurementControls.h"

#include "Controls.h"
#include "Form.h"
#include "MainContext.h"
#include "ProgramState.h"
#include "ProgramStatus.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QLocale>
#include <QStringList>
#include <QTimer>

#include <cmath>

// A parameter field: its accepted range, the texts put in for entries above, below or not a number, and
// the session state that sends the confirmed value to the amplifier (0: none).
struct ParameterField {
    const char* edit;
    double lowest;
    double highest;
    const char* lowestText;
    const char* highestText;
    const char* defaultText;
    bool decimal;
    std::int32_t sendState;
};

namespace {
const ParameterField BarDiameter{"editBarDiameter", 1, 999, "1", "999", "100", false, StateSendBarDiameter};
const ParameterField EModulus{"editEModul", 1, 999, "1", "999", "210", false, StateSendEModulus};
const ParameterField KFactor{"editKFactor", 0.01, 999.99, "0.01", "999.99", "2.00", true, 0};
const ParameterField Tolerance{"editTolerance", 0, 100, "0", "100", "10", false, 0};
const ParameterField DeviceTick{"editDeviceComSpeed", 10, 100, "10", "100", "20", false, 0};

// The controls a running measurement uses, in the order they are switched.
const char* const MeasuringControls[] = {"btnReset",
                                         "btnUnitSelect",
                                         "btnSave",
                                         "btnPrint",
                                         "editChannel1",
                                         "editSensor11",
                                         "editSensor12",
                                         "editChannel2",
                                         "editSensor21",
                                         "editSensor22",
                                         "editChannel3",
                                         "editSensor31",
                                         "editSensor32",
                                         "editChannel4",
                                         "editSensor41",
                                         "editSensor42",
                                         "editMainValue",
                                         "editMainValueKN",
                                         "editMainValueTons",
                                         "editDivergence",
                                         "btnResetBigView",
                                         "btnUnitSelectBigView",
                                         "editChannel1BigView",
                                         "editChannel2BigView",
                                         "editChannel3BigView",
                                         "editChannel4BigView",
                                         "editMainValueBigView",
                                         "btnGraphStartStop",
                                         "btnGraphClear",
                                         "btnGraphSave",
                                         "btnGraphPrint",
                                         "btnCSVSave",
                                         "btnChannel1Active",
                                         "btnChannel2Active",
                                         "btnChannel3Active",
                                         "btnChannel4Active",
                                         "editGraphSampling",
                                         "comboGraphTimeUnit",
                                         "btnGraphYMax",
                                         "btnGraphYMin",
                                         "btnGraphXMax",
                                         "btnGraphXMin"};
const QStringList AxisLimitButtons = {"btnGraphYMax", "btnGraphYMin", "btnGraphXMax", "btnGraphXMin"};
} // namespace

MeasurementControls::MeasurementControls(const MainContext& context) : context_(context) {}

bool MeasurementControls::parseWhole(const QString& text, double* value) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (ok)
        *value = number;
    return ok;
}

bool MeasurementControls::parseDecimal(const QString& text, double* value) {
    QString normalised = text.trimmed();
    if (normalised.count(QLatin1Char(',')) == 1 && !normalised.contains(QLatin1Char('.')))
        normalised.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double number = QLocale::c().toDouble(normalised, &ok);
    if (ok && std::isfinite(number))
        *value = number;
    return ok && std::isfinite(number);
}

bool MeasurementControls::editOrConfirm(const ParameterField& p) {
    QLineEdit* edit = context_.form.edit(QString::fromLatin1(p.edit));
    if (!edit->isEnabled()) {
        edit->setEnabled(true);
        return false;
    }
    edit->setEnabled(false);
    if (p.sendState) {
        // The send state reads the field on its first tick, after this handler has finished.
        context_.state.sessionState = p.sendState;
        context_.state.stateTick = 0;
    }
    double value = 0;
    const bool number = p.decimal ? parseDecimal(edit->text(), &value) : parseWhole(edit->text(), &value);
    if (!number)
        edit->setText(QString::fromLatin1(p.defaultText));
    else if (value > p.highest)
        edit->setText(QString::fromLatin1(p.highestText));
    else if (value < p.lowest)
        edit->setText(QString::fromLatin1(p.lowestText));
    return true;
}

void MeasurementControls::btnBarDiameterClick() { editOrConfirm(BarDiameter); }

void MeasurementControls::btnEModulClick() { editOrConfirm(EModulus); }

void MeasurementControls::btnKFactorClick() {
    if (!editOrConfirm(KFactor))
        return;
    double value = 0;
    if (parseDecimal(context_.form.edit(QStringLiteral("editKFactor"))->text(), &value) && value != 0)
        context_.state.kFactorScale = static_cast<float>(2.0 / value);
}

void MeasurementControls::btnToleranceClick() { editOrConfirm(Tolerance); }

void MeasurementControls::btnDeviceComSpeedClick() {
    if (!editOrConfirm(DeviceTick))
        return;
    QTimer& timer = context_.timers.deviceCom;
    timer.stop();
    timer.setInterval(context_.form.edit(QStringLiteral("editDeviceComSpeed"))->text().trimmed().toInt());
    timer.start();
}

void MeasurementControls::btnResetClick() {
    context_.state.sessionState = StateResetDevice;
    context_.state.stateTick = 0;
}

void MeasurementControls::btnUnitSelectClick() {
    context_.state.sessionState = StateChangeUnit;
    context_.state.stateTick = 0;
}

void MeasurementControls::btnMeasurementClick() {
    if (context_.form.button(QStringLiteral("btnMeasurement"))->text() ==
        context_.language.text(lang::StartCaption))
        switchOn();
    else
        switchOff();
}

void MeasurementControls::switchOn() {
    const Form& form = context_.form;
    form.button(QStringLiteral("btnMeasurement"))->setText(context_.language.text(lang::StopCaption));
    context_.status.setText(3, lang::MeasurementRunning);
    context_.timers.graph.start();
    for (const char* name : MeasuringControls)
        form.widget(QString::fromLatin1(name))->setEnabled(true);
}

void MeasurementControls::switchOff() {
    const Form& form = context_.form;
    const QString start = context_.language.text(lang::StartCaption);
    form.button(QStringLiteral("btnMeasurement"))->setText(start);
    form.button(QStringLiteral("btnGraphStartStop"))->setText(start);
    context_.status.setText(3, lang::MeasurementStopped);
    context_.timers.graph.stop();
    for (const char* name : MeasuringControls) {
        const QString control = QString::fromLatin1(name);
        if (control == QLatin1String("editDivergence")) {
            QLineEdit* tolerance = form.edit(QStringLiteral("editTolerance"));
            tolerance->setEnabled(false);
            tolerance->setText(QStringLiteral("10"));
        }
        // Each axis limit field closes before its button.
        if (AxisLimitButtons.contains(control))
            form.widget(QStringLiteral("editGraph") + control.mid(8))->setEnabled(false);
        form.widget(control)->setEnabled(false);
    }
    QLineEdit* divergence = form.edit(QStringLiteral("editDivergence"));
    controls::setBackground(divergence, controls::windowTextColour());
    divergence->clear();
}
