#include "evaluation/UnitLabels.h"

#include "Controls.h"
#include "Form.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QLabel>

namespace unit_labels {

QString mainValueCaption(int deviceUnit, bool usTons, const Language& language) {
    switch (deviceUnit) {
    case 1:
        return language.text(lang::AverageStrain);
    case 2:
        return language.text(lang::TotalForceKN);
    case 3:
        return language.text(lang::ForceWord) +
               (usTons ? QStringLiteral(" [UStons]") : QStringLiteral(" [tons]"));
    default:
        return {};
    }
}

int mainValueLeftLine(int deviceUnit) {
    return deviceUnit >= 1 && deviceUnit <= 3 ? lang::LeftMainValueUnit1 + 2 * (deviceUnit - 1) : 0;
}

int mainValueBigViewLeftLine(int deviceUnit) {
    return deviceUnit >= 1 && deviceUnit <= 3 ? lang::LeftMainValueBigViewUnit1 + 2 * (deviceUnit - 1) : 0;
}

void showActiveUnit(const Form& form, int deviceUnit) {
    const char* const names[] = {"UE", "KN", "Tons"};
    for (int unit = 1; unit <= 3; ++unit) {
        const QColor colour = unit == deviceUnit ? controls::clBlack : controls::clSilver;
        const QString name = QString::fromLatin1(names[unit - 1]);
        controls::setFontColour(form.label(QStringLiteral("labelUnit") + name), colour);
        controls::setFontColour(form.label(QStringLiteral("labelUnit%1BigView").arg(name)), colour);
    }
}

void applyTonsChoice(const Form& form, bool usTons) {
    const QString caption = usTons ? QStringLiteral("UStons") : QStringLiteral("tons");
    QLabel* tons = form.label(QStringLiteral("labelUnitTons"));
    QLabel* tonsBig = form.label(QStringLiteral("labelUnitTonsBigView"));
    controls::setCaption(tons, caption);
    controls::setCaption(tonsBig, caption);
    controls::setLeft(tons, usTons ? 626 : 666);
    controls::setLeft(form.label(QStringLiteral("labelUnitKN")), usTons ? 563 : 583);
    controls::setLeft(tonsBig, usTons ? 510 : 553);
    controls::setLeft(form.label(QStringLiteral("labelUnitKNBigView")), usTons ? 448 : 470);
}

} // namespace unit_labels
