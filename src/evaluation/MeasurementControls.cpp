#include "evaluation/MeasurementControls.h"

#include "Controls.h"
#include "ProgramState.h"
#include "Views.h"
#include "device/DeviceSession.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "status/ProgramStatus.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cmath>

// A parameter's accepted range, the texts put in for entries above, below or not a number, and the session
// state that sends the confirmed value to the amplifier (idle: none).
struct ParameterRule {
    double lowest;
    double highest;
    const char* lowestText;
    const char* highestText;
    const char* defaultText;
    bool decimal;
    SessionState sendState;
};

namespace {
const ParameterRule BarDiameter{1, 999, "1", "999", "100", false, StateSendBarDiameter};
const ParameterRule EModulus{1, 999, "1", "999", "210", false, StateSendEModulus};
const ParameterRule KFactor{0.01, 999.99, "0.01", "999.99", "2.00", true, StateIdle};
const ParameterRule Tolerance{0, 100, "0", "100", "10", false, StateIdle};
const ParameterRule DeviceTick{10, 100, "10", "100", "20", false, StateIdle};
} // namespace

MeasurementControls::MeasurementControls(const MeasuringButtons& buttons, const ParameterView& parameters,
                                         const DebugControls& debug, const GraphPage& graph,
                                         const std::vector<QWidget*>& measuringGroup, DeviceSession& session,
                                         ProgramState& state, ProgramStatus& status, QTimer& graphTimer,
                                         const Language& language)
    : buttons_(buttons), parameters_(parameters), debug_(debug), graph_(graph),
      measuringGroup_(measuringGroup), session_(session), state_(state), status_(status),
      graphTimer_(graphTimer), language_(language) {
    // Whatever puts a K-factor into the closed field (the settings, a device type, a reset of the window)
    // makes it the factor the readings are corrected with, as if the user had confirmed it.
    QObject::connect(parameters.kFactor.edit, &QLineEdit::textChanged, parameters.kFactor.edit, [this] {
        if (!parameters_.kFactor.edit->isEnabled())
            applyKFactor();
    });
}

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

QString MeasurementControls::confirmedText(const QString& text, const ParameterRule& rule) {
    double value = 0;
    const bool number = rule.decimal ? parseDecimal(text, &value) : parseWhole(text, &value);
    if (!number)
        return QString::fromLatin1(rule.defaultText);
    if (value > rule.highest)
        return QString::fromLatin1(rule.highestText);
    if (value < rule.lowest)
        return QString::fromLatin1(rule.lowestText);
    return text;
}

QString MeasurementControls::shownText(const QString& text, const ParameterRule& rule) {
    const QString confirmed = confirmedText(text, rule);
    double value = 0;
    // A confirmed decimal reads as the program writes its own ("2.50"), whichever way it was typed.
    if (rule.decimal && parseDecimal(confirmed, &value))
        return QString::number(value, 'f', 2);
    return confirmed;
}

bool MeasurementControls::editOrConfirm(const ParameterControls& field, const ParameterRule& rule) {
    QLineEdit* edit = field.edit;
    if (!edit->isEnabled()) {
        edit->setEnabled(true);
        // Plainly open for typing: its button stays pressed, the cursor is in the field and the old value
        // is selected to be typed over.
        field.button->setCheckable(true);
        field.button->setChecked(true);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    field.button->setChecked(false);
    edit->setEnabled(false);
    // The send state reads the field on its first tick, after this handler has finished.
    if (rule.sendState != StateIdle)
        session_.enter(rule.sendState);
    edit->setText(shownText(edit->text(), rule));
    return true;
}

void MeasurementControls::btnBarDiameterClick() { editOrConfirm(parameters_.barDiameter, BarDiameter); }

void MeasurementControls::btnEModulClick() { editOrConfirm(parameters_.eModulus, EModulus); }

void MeasurementControls::btnKFactorClick() {
    if (editOrConfirm(parameters_.kFactor, KFactor))
        applyKFactor();
}

void MeasurementControls::applyKFactor() {
    QLineEdit* edit = parameters_.kFactor.edit;
    const QString confirmed = confirmedText(edit->text(), KFactor);
    if (confirmed != edit->text()) {
        edit->setText(confirmed); // comes back here through the text change
        return;
    }
    double value = 0;
    if (!parseDecimal(confirmed, &value))
        return;
    state_.kFactorHundredths = std::max(1, int(std::lround(value * 100)));
    state_.kFactorScale = static_cast<float>(2.0 / value);
}

void MeasurementControls::btnToleranceClick() { editOrConfirm(parameters_.tolerance, Tolerance); }

void MeasurementControls::btnDeviceComSpeedClick() {
    if (editOrConfirm(debug_.deviceTick, DeviceTick))
        session_.setTickInterval(debug_.deviceTick.edit->text().trimmed().toInt());
}

void MeasurementControls::btnResetClick() { session_.enter(StateResetDevice); }

void MeasurementControls::btnUnitSelectClick() { session_.enter(StateChangeUnit); }

bool MeasurementControls::isMeasuring() const {
    return buttons_.measurement->text() == language_.text(lang::StopCaption);
}

void MeasurementControls::btnMeasurementClick() {
    if (buttons_.measurement->text() == language_.text(lang::StartCaption))
        switchOn();
    else
        switchOff();
}

void MeasurementControls::switchOn() {
    buttons_.measurement->setText(language_.text(lang::StopCaption));
    status_.setText(3, lang::MeasurementRunning);
    // Values of an earlier measurement are not this one's.
    session_.forgetCycle();
    graphTimer_.start();
    for (QWidget* control : measuringGroup_)
        control->setEnabled(true);
}

void MeasurementControls::switchOff() {
    const QString start = language_.text(lang::StartCaption);
    buttons_.measurement->setText(start);
    // Sampling stays switched on and resumes with the next measurement: the caption says so.
    graph_.startStop->setText(state_.graphRunning ? language_.text(lang::StopCaption) : start);
    status_.setText(3, lang::MeasurementStopped);
    graphTimer_.stop();
    for (QWidget* control : measuringGroup_) {
        if (control == parameters_.divergence) {
            parameters_.tolerance.edit->setEnabled(false);
            parameters_.tolerance.edit->setText(QStringLiteral("10"));
        }
        // Each axis limit field closes before its button.
        const auto limit = std::find_if(graph_.limits.begin(), graph_.limits.end(),
                                        [control](const AxisLimit& l) { return l.button == control; });
        if (limit != graph_.limits.end())
            limit->edit->setEnabled(false);
        control->setEnabled(false);
    }
    controls::setBackground(parameters_.divergence, controls::windowTextColour());
    parameters_.divergence->clear();
}

void MeasurementControls::applyLanguage(const Language& language) {
    const std::pair<const ParameterControls*, int> captions[] = {
        {&parameters_.barDiameter, lang::BarDiameter},
        {&parameters_.eModulus, lang::EModulus},
        {&parameters_.tolerance, lang::Tolerance},
        {&parameters_.kFactor, lang::KFactor}};
    for (const auto& [field, line] : captions)
        controls::setCaption(field->label, language.text(line));
    controls::setCaption(parameters_.divergenceLabel, language.text(lang::Divergence));

    buttons_.reset->setText(language.text(lang::Reset));
    buttons_.unitSelect->setText(language.text(lang::UnitSelect));
    // An enabled reset button means a measurement runs.
    buttons_.measurement->setText(
        language.text(buttons_.reset->isEnabled() ? lang::StopCaption : lang::StartCaption));
    controls::setPointSizeFromText(buttons_.reset, language.text(lang::FontSizeReset));
    controls::setPointSizeFromText(buttons_.unitSelect, language.text(lang::FontSizeUnitSelect));

    buttons_.resetBig->setText(buttons_.reset->text());
    buttons_.unitSelectBig->setText(language.text(lang::UnitSelect));
    controls::setPointSizeFromText(buttons_.unitSelectBig, language.text(lang::FontSizeUnitSelect));
}
