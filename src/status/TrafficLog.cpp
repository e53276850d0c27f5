#include "status/TrafficLog.h"

#include "Controls.h"

#include <QAbstractButton>
#include <QPlainTextEdit>

TrafficLog::TrafficLog(QPlainTextEdit* log, const QAbstractButton* logActive)
    : log_(log), logActive_(logActive) {
    log_->setMaximumBlockCount(MaxLines);
}

void TrafficLog::append(const QString& line) {
    if (logActive_->isChecked())
        controls::appendLine(log_, line);
}
