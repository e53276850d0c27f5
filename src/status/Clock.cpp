#include "status/Clock.h"

#include "ProgramState.h"
#include "status/ProgramStatus.h"

#include <QLabel>

namespace {
QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }
} // namespace

ClockDisplay::ClockDisplay(QLabel* time, QLabel* date, ProgramStatus& status, ProgramState& state)
    : time_(time), date_(date), status_(status), state_(state) {}

void ClockDisplay::tick(const QDateTime& now) {
    const bool clearNotice = state_.clockTickToggle == 1;
    if (clearNotice)
        state_.clockTickToggle = 0;
    else
        ++state_.clockTickToggle;
    status_.clockTick(clearNotice);
    time_->setText(timeText(now.time()));
    date_->setText(dateText(now.date()));
}

QString ClockDisplay::timeText(const QTime& time) {
    return twoDigits(time.hour()) + QLatin1Char(':') + twoDigits(time.minute()) + QLatin1Char(':') +
           twoDigits(time.second());
}

QString ClockDisplay::dateText(const QDate& date) {
    return twoDigits(date.day()) + QLatin1Char('.') + twoDigits(date.month()) + QLatin1Char('.') +
           QString::number(date.year());
}
