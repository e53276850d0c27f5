#include "evaluation/ConnectionDisplay.h"

#include "Controls.h"
#include "ProgramState.h"
#include "Views.h"
#include "evaluation/DisplayReset.h"
#include "evaluation/MeasurementControls.h"
#include "evaluation/ValueDisplay.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/SettingsFile.h"
#include "status/ProgramStatus.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

ConnectionDisplay::ConnectionDisplay(const Views& views, const SettingsFile& settings,
                                     const MeasurementControls& measuring, ProgramState& state,
                                     ProgramStatus& status, QTimer& graphTimer, const Language& language)
    : views_(views), settings_(settings), measuring_(measuring), state_(state), status_(status),
      graphTimer_(graphTimer), language_(language) {}

QString ConnectionDisplay::selectedDevice() const { return views_.port.device->currentText(); }

bool ConnectionDisplay::singleValuesWanted() const { return settings_.singleValuesWanted(); }

bool ConnectionDisplay::measuringRequested() const { return measuring_.isMeasuring(); }

bool ConnectionDisplay::isEditing(Parameter parameter) const {
    const ParameterView& p = views_.parameters;
    return (parameter == Parameter::BarDiameter ? p.barDiameter : p.eModulus).edit->isEnabled();
}

QString ConnectionDisplay::enteredValue(Parameter parameter) const {
    const ParameterView& p = views_.parameters;
    return (parameter == Parameter::BarDiameter ? p.barDiameter : p.eModulus).edit->text();
}

void ConnectionDisplay::onIdentified(const DeviceType& type) {
    const ParameterView& p = views_.parameters;
    views_.buttons.measurement->setEnabled(true);
    p.kFactor.button->setEnabled(true);
    p.tolerance.button->setEnabled(true);
    p.barDiameter.button->setEnabled(type.hasParameters);
    p.eModulus.button->setEnabled(type.hasParameters);
    if (QLatin1String(type.identifier) == QLatin1String("QT31")) {
        p.eModulus.edit->setText(QStringLiteral("210"));
        p.kFactor.edit->setText(QStringLiteral("2.00"));
    }

    QAbstractButton* showSingle = views_.options.showSingleValue;
    if (type.singleValues == 0) {
        showSingle->setEnabled(false);
        showSingle->setChecked(false);
        ValueDisplay::showSensorDisplays(views_.values, false);
    } else {
        showSingle->setEnabled(type.singleValues == 1);
        if (state_.pollMode == PollChannelsAndSensors) {
            ValueDisplay::showSensorDisplays(views_.values, true);
            showSingle->setChecked(true);
        } else {
            // The sensor displays keep whatever visibility they had.
            showSingle->setChecked(false);
        }
    }
    status_.setText(1, type.nameLine);
    state_.graphMinSamplingMs = type.graphMinSamplingMs;
}

void ConnectionDisplay::onRejected(const DeviceType* found) {
    if (found)
        status_.showOtherType(language_.text(found->nameLine), selectedDevice());
    graphTimer_.stop();
    views_.buttons.measurement->setText(language_.text(lang::StartCaption));
    display_reset::notConnected(views_.buttons, views_.parameters, views_.values, views_.graph, false);
}

void ConnectionDisplay::onParameterPolled(Parameter parameter, int value) {
    if (value >= 1 && value <= 999)
        controls::setText(
            (parameter == Parameter::BarDiameter ? views_.parameters.barDiameter : views_.parameters.eModulus)
                .edit,
            QString::number(value));
}
