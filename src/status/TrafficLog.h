#pragma once
// The debug view of the amplifier traffic: with logging on, every command and reply the session reports is
// a line of memoUSBCommunication.

#include <QString>

class QAbstractButton;
class QPlainTextEdit;

class TrafficLog {
public:
    // With logging on and no device the log grows by a line per tick; only the recent part is kept.
    static constexpr int MaxLines = 5000;

    TrafficLog(QPlainTextEdit* log, const QAbstractButton* logActive);

    void append(const QString& line);

private:
    QPlainTextEdit* log_;
    const QAbstractButton* logActive_;
};
