#include "graph/DataLog.h"

#include "Controls.h"
#include "Views.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

DataLog::DataLog(QPlainTextEdit* log, const QLineEdit* delimiter, const ValueView& values,
                 const MachineInfo& machine)
    : log_(log), delimiter_(delimiter), values_(values), machine_(machine) {}

QString DataLog::buildLine(const QStringList& fields, const QString& delimiter) {
    return fields.join(delimiter);
}

QString DataLog::delimiter() const { return delimiter_->text(); }

QStringList DataLog::headerFields(const Language& language) const {
    QStringList fields{language.text(lang::UnitColumn)};
    for (const PositionDisplays& position : values_.positions)
        fields << position.channelLabel->text();
    for (const PositionDisplays& position : values_.positions)
        fields << position.sensorLabels[0]->text() << position.sensorLabels[1]->text();
    fields << language.text(lang::MainValueColumn) << values_.totalKNLabel->text()
           << values_.totalTonsLabel->text() << machine_.machineLabel->text()
           << machine_.serialNrLabel->text() << machine_.commentLabel->text() << language.text(lang::TimeWord)
           << language.text(lang::DateWord);
    return fields;
}

void DataLog::applyLanguage(const Language& language) {
    controls::setLine(log_, 0, buildLine(headerFields(language), delimiter()));
}
