#pragma once
// How an alarm reads on the banner and in the alarm table, in the program's language: the bar, what it
// carries and the limit it left, with the decimal separator of that language.

#include "cycles/Cycle.h"

#include <QList>
#include <QString>

namespace cycles {

// languageCode: "DE", "EN" or "IT".
QString alarmText(const CycleAlarm& alarm, const QString& languageCode);
// The banner: the first alarm whole, the others counted.
QString bannerText(const QList<CycleAlarm>& alarms, const QString& languageCode);
// A number as that language writes it, with `decimals` places.
QString number(double value, int decimals, const QString& languageCode);
// Places a total in this unit is shown with: tons have a tenth worth showing, micro-strain and kN do not.
int totalDecimals(const QString& unit);

} // namespace cycles
