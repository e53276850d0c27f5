#pragma once
// The captions and places that follow the unit: the main value caption for the device's unit, the unit
// indicators (the active one black, the others silver) and the tons / US tons choice.

#include <QString>

class Form;
class Language;

namespace unit_labels {

// labelMainValue for device unit 1, 2 or 3; an empty text for any other unit, which changes no caption.
QString mainValueCaption(int deviceUnit, bool usTons, const Language& language);
// The language line with the left edge of labelMainValue (main view) or labelMainValueBigView for a unit;
// 0 for other units.
int mainValueLeftLine(int deviceUnit);
int mainValueBigViewLeftLine(int deviceUnit);
// Draws the indicator of the unit black and the other two silver, on both views.
void showActiveUnit(const Form& form, int deviceUnit);
// Caption and left edges of the tons indicators for the tons or US tons choice.
void applyTonsChoice(const Form& form, bool usTons);

} // namespace unit_labels
