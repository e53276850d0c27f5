#include "evaluation/UnitLabels.h"

#include "Controls.h"
#include "Views.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QLabel>

namespace unit_labels {

namespace {
// Per device unit: the lines with the left edges of the main value caption on both views.
struct UnitPlace {
    int leftLine;
    int leftLineBig;
};
constexpr UnitPlace Places[] = {{lang::LeftMainValueUnit1, lang::LeftMainValueBigViewUnit1},
                                {lang::LeftMainValueUnit1 + 2, lang::LeftMainValueBigViewUnit1 + 2},
                                {lang::LeftMainValueUnit1 + 4, lang::LeftMainValueBigViewUnit1 + 4}};

QString tonsUnit(bool usTons) { return usTons ? QStringLiteral(" [UStons]") : QStringLiteral(" [tons]"); }

const UnitPlace* placeOf(int deviceUnit) {
    return deviceUnit >= 1 && deviceUnit <= 3 ? &Places[deviceUnit - 1] : nullptr;
}

void setColours(const UnitIndicators& units, int deviceUnit) {
    QLabel* const labels[] = {units.microStrain, units.kiloNewton, units.tons};
    for (int unit = 1; unit <= 3; ++unit)
        controls::setFontColour(labels[unit - 1],
                                unit == deviceUnit ? controls::clBlack : controls::clSilver);
}
} // namespace

QString mainValueCaption(int deviceUnit, bool usTons, const Language& language) {
    switch (deviceUnit) {
    case 1:
        return language.text(lang::AverageStrain);
    case 2:
        return language.own(OwnText::AverageForce) + QStringLiteral(" [kN]");
    case 3:
        return language.own(OwnText::AverageForce) + tonsUnit(usTons);
    default:
        return {};
    }
}

QString totalTonsCaption(bool usTons, const Language& language) {
    return language.text(lang::ForceWord) + tonsUnit(usTons);
}

QString sensorUnitCaption(int deviceUnit, const Language& language) {
    switch (deviceUnit) {
    case 2:
        return QStringLiteral("[kN]");
    case 3:
        return QStringLiteral("[tons]");
    default:
        return language.text(lang::SensorUnit);
    }
}

void showMainValueCaptions(const ValueView& view, const Language& language, int deviceUnit, bool usTons,
                           int bigViewShift) {
    const UnitPlace* place = placeOf(deviceUnit);
    if (!place)
        return;
    const QString caption = mainValueCaption(deviceUnit, usTons, language);
    controls::setCaption(view.mainValueLabel, caption);
    controls::setCaption(view.mainValueLabelBig, caption);
    const bool shifted = deviceUnit == 3 && usTons;
    controls::setLeftFromText(view.mainValueLabel, language.text(place->leftLine), shifted ? UsTonsShift : 0);
    controls::setLeftFromText(view.mainValueLabelBig, language.text(place->leftLineBig),
                              shifted ? bigViewShift : 0);
}

void showActiveUnit(const ValueView& view, int deviceUnit) {
    setColours(view.units, deviceUnit);
    setColours(view.unitsBig, deviceUnit);
}

void applyTonsChoice(const ValueView& view, bool usTons) {
    const QString caption = usTons ? QStringLiteral("UStons") : QStringLiteral("tons");
    controls::setCaption(view.units.tons, caption);
    controls::setCaption(view.unitsBig.tons, caption);
    controls::setLeft(view.units.tons, usTons ? 626 : 666);
    controls::setLeft(view.units.kiloNewton, usTons ? 563 : 583);
    controls::setLeft(view.unitsBig.tons, usTons ? 510 : 553);
    controls::setLeft(view.unitsBig.kiloNewton, usTons ? 448 : 470);
}

} // namespace unit_labels
