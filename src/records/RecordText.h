#pragma once
// How the values of a record read in the history table and its export: the same text in both places.

#include "records/Record.h"

#include <QDateTime>
#include <QString>

namespace records {

// A number as the display showed it: no exponent and no trailing zeros; empty for none.
QString shownNumber(const Number& number);
// The deviation as the display showed it: "> 99" when it was over the range.
QString shownDeviation(const Number& deviation);
// The time on the clock of the place where it was taken.
QDateTime localTime(const Record& record);
// How the history writes a date and time in a language ("DE", "IT"; anything else English): day before month,
// as the program's clock and the protocol do; English gets ISO dates, which no reader misreads.
QString shownTimeFormat(const QString& languageCode);
// The local time in a format of shownTimeFormat(): "02.03.2026 14:05".
QString shownTime(const Record& record, const QString& format);
// The first line of a text, cut to `length` characters with an ellipsis when anything was left off: a
// table row stays one line high however long the comment is.
QString cutText(const QString& text, int length = 80);
// A unit as the window writes it: micro-strain is "µε" there, whatever the file holds.
QString shownUnit(const QString& unit);
// kN in one of the units a record's channels were shown in; none for strain, which is no force.
std::optional<double> kiloNewtonsPer(const QString& unit);
// Whether a trend draws a deviation at its axis's edge instead of scaling the axis to it: over the
// display's range, or beyond four times the tolerance, plainly failed, its value in the table and protocol.
bool offTheScale(double deviation, double tolerance);
// The tolerance mark: readable without its colour.
QString toleranceMark(const std::optional<bool>& within);

} // namespace records
