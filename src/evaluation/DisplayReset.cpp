#include "evaluation/DisplayReset.h"

#include "Controls.h"
#include "Form.h"
#include "ProgramState.h"

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
} // namespace

void unitLabels(const Form& form) {
    controls::setFontColour(form.label(QStringLiteral("labelUnitUE")), controls::clBlack);
    controls::setFontColour(form.label(QStringLiteral("labelUnitKN")), controls::clSilver);
    controls::setFontColour(form.label(QStringLiteral("labelUnitTons")), controls::clSilver);
}

void valueDisplays(const Form& form) {
    for (int n = 1; n <= 4; ++n) {
        showError(form.edit(numbered("editChannel%1", n)), true);
        showError(form.edit(sensorControl("editSensor", n, 1)), true);
        showError(form.edit(sensorControl("editSensor", n, 2)), true);
    }
    showError(form.edit(QStringLiteral("editMainValue")), true);
    showError(form.edit(QStringLiteral("editMainValueKN")), false);
    showError(form.edit(QStringLiteral("editMainValueTons")), false);
}

void parameters(const Form& form) {
    disabledWithText(form.edit(QStringLiteral("editBarDiameter")), "100");
    disabledWithText(form.edit(QStringLiteral("editEModul")), "210");
    disabledWithText(form.edit(QStringLiteral("editKFactor")), "2.00");
    disabledWithText(form.edit(QStringLiteral("editTolerance")), "10");
    QLineEdit* divergence = form.edit(QStringLiteral("editDivergence"));
    divergence->setEnabled(false);
    controls::setBackground(divergence, controls::windowTextColour());
    divergence->clear();
}

void bigView(const Form& form) {
    form.button(QStringLiteral("btnResetBigView"))->setEnabled(false);
    form.button(QStringLiteral("btnUnitSelectBigView"))->setEnabled(false);
    controls::setFontColour(form.label(QStringLiteral("labelUnitUEBigView")), controls::clBlack);
    controls::setFontColour(form.label(QStringLiteral("labelUnitKNBigView")), controls::clSilver);
    controls::setFontColour(form.label(QStringLiteral("labelUnitTonsBigView")), controls::clSilver);
    for (int n = 1; n <= 4; ++n)
        showError(form.edit(numbered("editChannel%1BigView", n)), true);
    showError(form.edit(QStringLiteral("editMainValueBigView")), true);
}

void graphControls(const Form& form, bool limitButtonsToo) {
    for (const char* name :
         {"btnGraphStartStop", "btnGraphClear", "btnGraphSave", "btnGraphPrint", "btnCSVSave"})
        form.button(QString::fromLatin1(name))->setEnabled(false);
    for (int n = 1; n <= 4; ++n) {
        QAbstractButton* channel = form.button(numbered("btnChannel%1Active", n));
        channel->setEnabled(false);
        channel->setChecked(true);
    }
    disabledWithText(form.edit(QStringLiteral("editGraphSampling")), "200");
    QComboBox* timeUnit = form.combo(QStringLiteral("comboGraphTimeUnit"));
    timeUnit->setEnabled(false);
    timeUnit->setCurrentText(QStringLiteral("s"));
    const struct {
        const char* edit;
        const char* button;
        const char* text;
    } limits[] = {{"editGraphYMax", "btnGraphYMax", "1500"},
                  {"editGraphYMin", "btnGraphYMin", "-1500"},
                  {"editGraphXMax", "btnGraphXMax", "60"},
                  {"editGraphXMin", "btnGraphXMin", "0"}};
    for (const auto& limit : limits) {
        disabledWithText(form.edit(QString::fromLatin1(limit.edit)), limit.text);
        if (limitButtonsToo)
            form.button(QString::fromLatin1(limit.button))->setEnabled(false);
    }
}

} // namespace display_reset
