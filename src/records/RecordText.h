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
// "2026-03-02 14:05" in that local time.
QString shownTime(const Record& record);
// The first line of a text, cut to `length` characters with an ellipsis when anything was left off: a
// table row stays one line high however long the comment is.
QString cutText(const QString& text, int length = 80);
// The tolerance mark: readable without its colour.
QString toleranceMark(const std::optional<bool>& within);

} // namespace records
