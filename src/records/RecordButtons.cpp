#include "records/RecordButtons.h"

#include "Application.h"
#include "Dialogs.h"
#include "ProgramStatus.h"
#include "Views.h"
#include "evaluation/MeasurementControls.h"
#include "records/OperatorName.h"
#include "records/RecordStore.h"
#include "settings/Language.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSysInfo>

RecordButtons::RecordButtons(const Views& views, const Services& services, const ProgramState& state,
                             const QString& iniPath)
    : views_(views), services_(services), state_(state), iniPath_(iniPath),
      rememberedOperator_(records::rememberedOperator(iniPath)) {
    views_.controls.operatorName->setText(rememberedOperator_);
    connect(views_.controls.operatorName, &QLineEdit::editingFinished, this, &RecordButtons::keepOperator);
    refresh();
}

void RecordButtons::setStore(records::RecordStore* store, const QString& problem, OwnText readOnly) {
    store_ = store;
    storeProblem_ = problem;
    readOnlyReason_ = readOnly;
    refresh();
}

std::optional<QString> RecordButtons::whyNot() const {
    const Language& language = services_.language;
    if (!store_)
        return language.own(OwnText::RecordsUnavailable).arg(storeProblem_);
    if (store_->readOnly())
        return language.own(readOnlyReason_);
    const bool sensors = state_.pollMode == PollChannelsAndSensors;
    const auto refusal =
        records::whyNotRecordable(state_.cycleSnapshot, services_.measuring.isMeasuring(), sensors);
    if (!refusal) {
        // A field open for typing holds what may be half a number; the record takes the fields as they are.
        const ParameterView& p = views_.parameters;
        for (const ParameterControls* field : {&p.barDiameter, &p.eModulus, &p.kFactor, &p.tolerance})
            if (field->edit->isEnabled())
                return language.own(OwnText::RecordParameterOpen);
        return std::nullopt;
    }
    switch (*refusal) {
    case records::Refusal::NotMeasuring:
        return language.own(OwnText::RecordNotMeasuring);
    case records::Refusal::NoCompleteCycle:
        return language.own(OwnText::RecordNoCycle);
    case records::Refusal::ValueError:
        return language.own(OwnText::RecordValueError);
    case records::Refusal::SensorError:
        return language.own(OwnText::RecordSensorError);
    }
    return std::nullopt;
}

void RecordButtons::refresh() {
    const std::optional<QString> reason = whyNot();
    const QString tip = reason.value_or(services_.language.own(OwnText::RecordTip));
    for (QAbstractButton* button : {views_.controls.record, views_.controls.recordBig}) {
        button->setEnabled(!reason);
        button->setToolTip(tip);
    }
}

records::RecordContext RecordButtons::context() const {
    records::RecordContext c;
    records::stampNow(c);
    c.machine = views_.machine.machine->text();
    c.serialNr = views_.machine.serialNr->text();
    c.comment = views_.machine.comment->text();
    c.operatorName = views_.controls.operatorName->text().trimmed();
    c.amplifier = views_.port.device->currentText();
    c.port = views_.port.name->text();
    c.kFactor = views_.parameters.kFactor.edit->text();
    c.eModulus = views_.parameters.eModulus.edit->text();
    c.barDiameter = views_.parameters.barDiameter.edit->text();
    c.tolerance = views_.parameters.tolerance.edit->text();
    c.usTons = views_.options.usTons->isChecked();
    c.sensorsPolled = state_.pollMode == PollChannelsAndSensors;
    c.program = QStringLiteral("Vantoria ") + QLatin1String(ApplicationVersion);
    c.host = QSysInfo::machineHostName();
    return c;
}

bool RecordButtons::take() {
    // Checked again here: F9 reaches this whatever the buttons show.
    if (whyNot())
        return false;
    keepOperator();
    const records::Record record = records::makeRecord(state_.cycleSnapshot, context());
    QString error;
    qint64 number = 0;
    if (!store_->insert(record, &error, &number)) {
        services_.dialogs.showError(services_.language.own(OwnText::RecordNotStored).arg(error));
        return false;
    }
    services_.status.showNotice(services_.language.own(OwnText::RecordStored).arg(number));
    emit recordStored(record.id);
    return true;
}

void RecordButtons::keepOperator() {
    const QString name = views_.controls.operatorName->text().trimmed();
    if (name == rememberedOperator_)
        return;
    QString error;
    if (!records::rememberOperator(iniPath_, name, &error)) {
        // The records still carry the name typed; only the next start would not know it.
        services_.status.showNotice(services_.language.own(OwnText::OperatorNotKept).arg(iniPath_, error));
        return;
    }
    rememberedOperator_ = name;
}

void RecordButtons::applyLanguage(const Language& language) {
    const QString caption = language.own(OwnText::RecordCaption);
    views_.controls.record->setText(caption);
    views_.controls.recordBig->setText(caption);
    views_.controls.operatorName->setToolTip(language.own(OwnText::OperatorTip));
    // Right-aligned in its designed box, against the field, like the machine captions above it.
    views_.controls.operatorLabel->setText(language.own(OwnText::OperatorCaption));
    refresh();
}
