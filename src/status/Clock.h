#pragma once
// The date and time labels, refreshed by the one-second clock timer, which also clears the notice line of
// the status display on every second tick (a lasting notice excepted).

#include <QDateTime>
#include <QString>

class ProgramStatus;
class QLabel;
struct ProgramState;

class ClockDisplay {
public:
    ClockDisplay(QLabel* time, QLabel* date, ProgramStatus& status, ProgramState& state);

    void tick(const QDateTime& now);

    static QString timeText(const QTime& time); // 07:07:09
    static QString dateText(const QDate& date); // 05.03.2026

private:
    QLabel* time_;
    QLabel* date_;
    ProgramStatus& status_;
    ProgramState& state_;
};
