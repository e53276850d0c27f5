#include "graph/DataLog.h"

#include "Controls.h"
#include "Form.h"
#include "settings/Language.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

DataLog::DataLog(const Form& form, const Language& language) : form_(form), language_(language) {}

QString DataLog::buildLine(const QStringList& fields, const QString& delimiter) {
    return fields.join(delimiter);
}

QString DataLog::delimiter() const { return form_.edit(QStringLiteral("editCRVDelimiter"))->text(); }

QStringList DataLog::headerFields() const {
    auto caption = [this](const QString& name) { return form_.label(name)->text(); };
    QStringList fields{language_.text(40)};
    for (int n = 1; n <= 4; ++n)
        fields << caption(numbered("labelChannel%1", n));
    for (int n = 1; n <= 4; ++n)
        fields << caption(sensorControl("labelSensor", n, 1)) << caption(sensorControl("labelSensor", n, 2));
    fields << language_.text(69) << caption(QStringLiteral("labelMainValueKN"))
           << caption(QStringLiteral("labelMainValueTons")) << caption(QStringLiteral("labelMachine"))
           << caption(QStringLiteral("labelSerialNr")) << caption(QStringLiteral("labelComment"))
           << language_.text(38) << language_.text(39);
    return fields;
}

void DataLog::replaceHeader() {
    controls::setLine(form_.memo(QStringLiteral("memoCSV")), 0, buildLine(headerFields(), delimiter()));
}
