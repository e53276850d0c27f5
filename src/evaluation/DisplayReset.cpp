#include "evaluation/DisplayReset.h"

#include "Controls.h"
#include "ProgramState.h"
#include "Views.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace display_reset {

namespace {
void showError(QLineEdit* display, bool onWindowText) {
    display->setEnabled(false);
    if (onWindowText)
        controls::setBackground(display, controls::windowTextColour());
    display->setText(ErrorText);
}

void disabledWithText(QLineEdit* edit, const char* text) {
    edit->setEnabled(false);
    edit->setText(QString::fromLatin1(text));
}

void unitColours(const UnitIndicators& units) {
    controls::setFontColour(units.microStrain, controls::clBlack);
    controls::setFontColour(units.kiloNewton, controls::clSilver);
    controls::setFontColour(units.tons, controls::clSilver);
}
} // namespace

void unitLabels(const ValueView& view) { unitColours(view.units); }

void valueDisplays(const ValueView& view) {
    for (const PositionDisplays& position : view.positions) {
        showError(position.channel, true);
        for (QLineEdit* sensor : position.sensors)
            showError(sensor, true);
    }
    showError(view.mainValue, true);
    showError(view.totalKN, false);
    showError(view.totalTons, false);
}

void parameters(const ParameterView& view) {
    disabledWithText(view.barDiameter.edit, "100");
    disabledWithText(view.eModulus.edit, "210");
    disabledWithText(view.kFactor.edit, "2.00");
    disabledWithText(view.tolerance.edit, "10");
    view.divergence->setEnabled(false);
    controls::setBackground(view.divergence, controls::windowTextColour());
    view.divergence->clear();
}

void bigView(const ValueView& view, const MeasuringButtons& buttons) {
    buttons.resetBig->setEnabled(false);
    buttons.unitSelectBig->setEnabled(false);
    unitColours(view.unitsBig);
    for (const PositionDisplays& position : view.positions)
        showError(position.channelBig, true);
    showError(view.mainValueBig, true);
}

void graphControls(const GraphPage& page, bool limitButtonsToo) {
    // The CSV button follows the log, not the connection.
    for (QAbstractButton* button : {page.startStop, page.clear, page.save, page.print})
        button->setEnabled(false);
    for (QAbstractButton* channel : page.channelActive) {
        channel->setEnabled(false);
        channel->setChecked(true);
    }
    disabledWithText(page.sampling, "200");
    page.timeUnit->setEnabled(false);
    page.timeUnit->setCurrentText(QStringLiteral("s"));
    for (const AxisLimit& limit : page.limits) {
        disabledWithText(limit.edit, limit.defaultText);
        if (limitButtonsToo)
            limit.button->setEnabled(false);
    }
}

void notConnected(const MeasuringButtons& buttons, const ParameterView& parameters, const ValueView& values,
                  const GraphPage& graph, bool limitButtonsToo) {
    for (QAbstractButton* button : {buttons.measurement, buttons.reset, buttons.unitSelect, buttons.save,
                                    buttons.print, parameters.barDiameter.button, parameters.eModulus.button,
                                    parameters.kFactor.button, parameters.tolerance.button})
        button->setEnabled(false);
    unitLabels(values);
    valueDisplays(values);
    display_reset::parameters(parameters);
    bigView(values, buttons);
    graphControls(graph, limitButtonsToo);
}

} // namespace display_reset
