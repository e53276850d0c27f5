#include "records/RecordButtons.h"

#include "Views.h"
#include "app/Application.h"
#include "cycles/Cycle.h"
#include "dialogs/Dialogs.h"
#include "evaluation/MeasurementControls.h"
#include "records/OperatorName.h"
#include "records/RecordStore.h"
#include "settings/Language.h"
#include "status/ProgramStatus.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSysInfo>
#include <QTabWidget>

#include <chrono>
#include <utility>

RecordButtons::RecordButtons(const Views& views, const Services& services, const ProgramState& state,
                             const QString& iniPath)
    : views_(views), services_(services), state_(state), iniPath_(iniPath),
      rememberedOperator_(records::rememberedOperator(iniPath)), monotonicMs_([] {
          return std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
              .count();
      }) {
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
    c.sensorsPolled = state_.pollMode == PollChannelsAndSensors;
    c.program = QStringLiteral("Vantoria ") + QLatin1String(ApplicationVersion);
    c.host = QSysInfo::machineHostName();
    c.zeroedAt = zeroedAt_;
    return c;
}

bool RecordButtons::take() {
    // Checked again here: F9 reaches this whatever the buttons show.
    if (waitingSince_ || whyNot())
        return false;
    if (pressRunning_ && pressRunning_()) {
        waitingSince_ = monotonicMs_();
        armed_ = true;
        services_.status.showLastingNotice(services_.language.own(OwnText::RecordArmed));
        return false;
    }
    if (records::noLoad(state_.cycleSnapshot)) {
        refuse(services_.language.own(OwnText::RecordNoLoad));
        return false;
    }
    if (records::steady(earlierCycle_, state_.cycleSnapshot))
        return store(state_.cycleSnapshot);
    // In the middle of a ramp: the cycles to come decide, the window goes on meanwhile.
    waitingSince_ = monotonicMs_();
    services_.status.showLastingNotice(services_.language.own(OwnText::RecordWaitingForSteadyLoad));
    return false;
}

void RecordButtons::shortcut() {
    const Pages& pages = views_.pages;
    const QWidget* page = pages.tabs->currentWidget();
    // A record is what the user sees as it is taken: not from a page that hides the values.
    if (page != pages.mainView && page != pages.bigView) {
        services_.status.showLastingNotice(services_.language.own(OwnText::RecordOnlyWhereValuesShown));
        return;
    }
    if (waitingSince_)
        return;
    // A key gives no tooltip to read: the reason goes to the status line.
    if (const std::optional<QString> reason = whyNot()) {
        services_.status.showLastingNotice(*reason);
        return;
    }
    take();
}

void RecordButtons::cycleArrived() {
    earlierCycle_ = std::exchange(lastCycle_, state_.cycleSnapshot);
    refresh();
    if (!waitingSince_)
        return;
    if (const std::optional<QString> reason = whyNot())
        refuse(*reason);
    else if (armed_)
        return; // the clamp decides, not the cycles
    else if (records::noLoad(state_.cycleSnapshot))
        refuse(services_.language.own(OwnText::RecordNoLoad));
    else if (records::steady(earlierCycle_, state_.cycleSnapshot)) {
        waitingSince_.reset();
        store(state_.cycleSnapshot);
    }
}

void RecordButtons::clampEnded(const cycles::CycleRow& row) {
    // A plateau of one cycle is no steadier than a cycle on the ramp: the next clamp is waited for.
    if (!armed_ || row.isShort)
        return;
    waitingSince_.reset();
    armed_ = false;
    // The clamp's medians, in the unit it was measured in, as a cycle of their own.
    CycleSnapshot cycle = CycleSnapshot::none(1);
    for (int unit = 1; unit <= 3; ++unit)
        if (records::unitName(unit, row.unit == QLatin1String("US t")) == row.unit)
            cycle.unit = unit;
    if (row.unit == QLatin1String("US t"))
        cycle.inUsTons = 0x7fff & ~(1 << Reading::TotalKN);
    const auto text = [](std::optional<double> value) {
        return value ? QString::number(*value, 'g', 12) : ErrorText;
    };
    for (int n = 0; n < 4; ++n)
        cycle.texts[Reading::FirstChannel + n] = text(row.channels[n]);
    cycle.texts[Reading::MainValue] = text(row.mainValue);
    cycle.texts[Reading::TotalKN] = text(row.totalKn);
    cycle.texts[Reading::TotalTons] = text(row.totalTons);
    store(cycle, services_.language.own(OwnText::RecordFromClamp)
                     .arg(row.startedAt.toLocalTime().toString(QStringLiteral("HH:mm:ss")))
                     .arg(row.snapshots));
}

void RecordButtons::tick() {
    if (waitingSince_ && monotonicMs_() - *waitingSince_ >= (armed_ ? ArmedWaitMs : SteadyWaitMs))
        refuse(services_.language.own(armed_ ? OwnText::RecordNoClamp : OwnText::RecordLoadNotSteady));
}

void RecordButtons::refuse(const QString& reason) {
    waitingSince_.reset();
    armed_ = false;
    services_.status.showLastingNotice(reason);
}

bool RecordButtons::store(const CycleSnapshot& cycle, const QString& note) {
    keepOperator();
    records::RecordContext c = context();
    // A clamp's plateau holds no sensor values of its own.
    c.sensorsPolled = c.sensorsPolled && note.isEmpty();
    records::Record record = records::makeRecord(cycle, c);
    record.note = note;
    QString error;
    qint64 number = 0;
    if (!store_->insert(record, &error, &number)) {
        services_.dialogs.showError(services_.language.own(OwnText::RecordNotStored).arg(error));
        return false;
    }
    services_.status.showLastingNotice(services_.language.own(OwnText::RecordStored).arg(number));
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

void RecordButtons::acknowledged(std::int32_t state) {
    if (state == StateResetDevice)
        zeroedAt_ = QDateTime::currentDateTimeUtc();
}
