#pragma once
// The captions and places that follow the unit: the main value caption for the device's unit, the unit
// indicators (the active one black, the others silver) and the tons / US tons choice.

#include <QString>

class Language;
struct ValueView;

namespace unit_labels {

// How far the main value captions move left for unit tons in US tons: the main view label always by 10;
// the big-view label by 15 when the unit is read from the amplifier and by 2 when a language is applied.
constexpr int UsTonsShift = 10;
constexpr int UsTonsShiftBigOnUnit = 15;
constexpr int UsTonsShiftBigOnLanguage = 2;

// labelMainValue for device unit 1, 2 or 3; an empty text for any other unit, which changes no caption. In kN
// and tons the main value is the average per tie bar: captioned with the program's own word, since the
// language files' force word (line 30 and 31) names the total shown beside it.
QString mainValueCaption(int deviceUnit, bool usTons, const Language& language);
// labelMainValueTons: the language file's force word with the tons or US tons unit.
QString totalTonsCaption(bool usTons, const Language& language);
// The unit of the sensor captions: the sensors are read in the device's unit but never turned into US tons.
QString sensorUnitCaption(int deviceUnit, const Language& language);
// Both main value captions for unit 1, 2 or 3, at the left edges of the language file (a number line that
// is no number leaves its label where it is); other units change nothing.
void showMainValueCaptions(const ValueView& view, const Language& language, int deviceUnit, bool usTons,
                           int bigViewShift);
// Draws the indicator of the unit black and the other two silver, on both views.
void showActiveUnit(const ValueView& view, int deviceUnit);
// Caption and left edges of the tons indicators for the tons or US tons choice.
void applyTonsChoice(const ValueView& view, bool usTons);

} // namespace unit_labels
