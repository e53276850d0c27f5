#include "cycles/CycleWatch.h"

#include "ProgramState.h"
#include "Views.h"
#include "cycles/AlarmText.h"
#include "cycles/CycleStore.h"
#include "evaluation/MeasurementControls.h"
#include "settings/Language.h"
#include "status/ProgramStatus.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QUuid>

#include <algorithm>
#include <utility>

namespace cycles {

namespace {
QString newId() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower(); }
bool forgotten(const CycleSnapshot& snapshot) {
    return std::all_of(snapshot.texts.begin(), snapshot.texts.end(),
                       [](const QString& text) { return text == ErrorText; });
}
// Alarms still waiting for someone when the program starts or the machine changes come back on the banner.
constexpr int AlarmsLookedBack = 200;
} // namespace

CycleWatch::CycleWatch(const Views& views, const Services& services, const ProgramState& state,
                       const QString& iniPath)
    : views_(views), services_(services), state_(state), iniPath_(iniPath) {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    monotonicMs_ = [timer] { return timer->elapsed(); };
    utcNow_ = [] { return QDateTime::currentDateTimeUtc(); };
    who_ = [] { return QString(); };
    sound_ = [] { QApplication::beep(); };
    views_.cycles.teach->setEnabled(false);
    // Pressed while it teaches: a click lets it go.
    views_.cycles.teach->setCheckable(true);
    // Another machine has its own reference and alarms, even before it is measured.
    connect(views_.machine.machine, &QLineEdit::editingFinished, this, &CycleWatch::followMachine);
    showBanner();
}

void CycleWatch::setStore(CycleStore* store) {
    store_ = store;
    views_.cycles.teach->setEnabled(store_ != nullptr);
    machine_ = QStringLiteral("\n"); // no machine is called that: the next look reads everything afresh
    followMachine();
}

void CycleWatch::setClock(std::function<qint64()> monotonicMs, std::function<QDateTime()> utcNow) {
    monotonicMs_ = std::move(monotonicMs);
    utcNow_ = std::move(utcNow);
}

void CycleWatch::followMachine() {
    const QString machine = views_.machine.machine->text().trimmed();
    if (machine == machine_)
        return;
    machine_ = machine;
    settings_ = cycleSettings(records::readRecordsConfig(iniPath_), machine_);
    detector_.setSettings(settings_.detector);
    detector_.reset();
    teaching_.reset();
    reference_ = store_ ? store_->reference(machine_) : std::nullopt;
    detector_.setReference(reference_ ? std::optional<double>(reference_->totalMean) : std::nullopt,
                           reference_ ? reference_->unit : QString());
    shown_.clear();
    if (store_) {
        const QList<CycleStore::AlarmEntry> entries = store_->alarms(machine_, AlarmsLookedBack);
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
            if (!entry->ack)
                shown_.append(entry->alarm);
    }
    lastClampEndedMs_.reset();
    earlierClampEndedMs_.reset();
    showBanner();
    showReference();
    emit referenceChanged();
}

void CycleWatch::cycleArrived() {
    followMachine();
    const CycleSnapshot& snapshot = state_.cycleSnapshot;
    if (forgotten(snapshot)) {
        // Measuring stopped or the amplifier went: a clamp half seen is no clamp, and a press not measured
        // is no press that stopped clamping.
        detector_.reset();
        lastClampMs_.reset();
        return;
    }
    const qint64 now = monotonicMs_();
    if (!lastClampMs_)
        lastClampMs_ = now;
    if (std::optional<CycleRow> row = detector_.add(now, utcNow_(), snapshot))
        clampEnded(std::move(*row));
}

void CycleWatch::clampEnded(CycleRow row) {
    const qint64 now = monotonicMs_();
    earlierClampEndedMs_ = std::exchange(lastClampEndedMs_, now);
    lastClampMs_ = now;
    noClampRaised_ = false;
    row.id = newId();
    row.machine = machine_;
    QList<CycleAlarm> alarms;
    // A clamp seen in a single cycle has no plateau to judge, and the clamps being taught are the reference.
    if (reference_ && !teaching_ && !row.isShort)
        alarms = check(row, *reference_, settings_.limits, tolerance());
    row.alarm = !alarms.isEmpty();
    QString error;
    if (store_ && !store_->insertCycle(row, &error))
        services_.status.showLastingNotice(services_.language.own(OwnText::CycleNotStored).arg(error));
    emit clampStored(row);

    if (teaching_) {
        if (std::optional<CycleReference> taught = teaching_->add(row)) {
            taught->id = newId();
            taught->machine = machine_;
            taught->taughtAt = utcNow_();
            taught->operatorName = who_();
            teaching_.reset();
            if (store_ && !store_->insertReference(*taught, &error)) {
                services_.status.showLastingNotice(
                    services_.language.own(OwnText::CycleNotStored).arg(error));
            } else {
                reference_ = taught;
                detector_.setReference(taught->totalMean, taught->unit);
                emit referenceChanged();
            }
        }
        showReference();
    }
    raise(std::move(alarms));
}

void CycleWatch::raise(QList<CycleAlarm> alarms) {
    if (alarms.isEmpty())
        return;
    for (CycleAlarm& alarm : alarms) {
        alarm.id = newId();
        if (!alarm.raisedAt.isValid())
            alarm.raisedAt = utcNow_();
        QString error;
        if (store_ && !store_->insertAlarm(alarm, &error))
            services_.status.showLastingNotice(services_.language.own(OwnText::CycleNotStored).arg(error));
    }
    shown_.append(alarms);
    sound_();
    showBanner();
    emit alarmsChanged();
}

void CycleWatch::tick() {
    if (!reference_ || !lastClampMs_ || noClampRaised_ || !services_.measuring.isMeasuring())
        return;
    if (std::optional<CycleAlarm> alarm =
            checkNoClamp(monotonicMs_() - *lastClampMs_, *reference_, settings_.limits)) {
        noClampRaised_ = true;
        raise({*alarm});
    }
}

void CycleWatch::teach() {
    if (teaching_)
        teaching_.reset();
    else if (store_)
        teaching_.emplace(settings_.teachClamps);
    showReference();
}

void CycleWatch::acknowledge() {
    if (shown_.isEmpty())
        return;
    const QString who = who_();
    const QDateTime at = utcNow_();
    QList<AlarmAck> acks;
    for (const CycleAlarm& alarm : std::as_const(shown_))
        acks.append({alarm.id, who, at});
    QString error;
    if (store_ && !store_->acknowledge(acks, &error)) {
        // Kept on the banner: an acknowledgement that is not stored did not happen.
        services_.status.showLastingNotice(services_.language.own(OwnText::CycleNotStored).arg(error));
        return;
    }
    shown_.clear();
    services_.status.showLastingNotice(services_.language.own(OwnText::CycleAcknowledged).arg(who));
    showBanner();
    emit alarmsChanged();
}

bool CycleWatch::pressRunning() const {
    // One clamp is a setter closing the press by hand; a press in production clamps again and again.
    if (!earlierClampEndedMs_)
        return false;
    const qint64 window = reference_ && reference_->cycleMs > 0 ? 3 * reference_->cycleMs : 60000;
    return monotonicMs_() - *earlierClampEndedMs_ <= window;
}

int CycleWatch::tolerance() const {
    bool ok = false;
    const int tolerance = views_.parameters.tolerance.edit->text().trimmed().toInt(&ok);
    return ok ? tolerance : 10; // as the deviation display judges a tolerance that is no number
}

void CycleWatch::showBanner() {
    const QString text = bannerText(shown_, services_.language.code());
    for (int n = 0; n < 2; ++n) {
        views_.cycles.banners[n]->setText(text);
        views_.cycles.banners[n]->setVisible(!shown_.isEmpty());
        views_.cycles.acknowledges[n]->setVisible(!shown_.isEmpty());
        views_.cycles.banners[n]->raise();
        views_.cycles.acknowledges[n]->raise();
    }
}

void CycleWatch::showReference() {
    const Language& language = services_.language;
    QString text;
    if (teaching_)
        text = language.own(OwnText::CycleTeaching).arg(teaching_->seen()).arg(teaching_->wanted());
    else if (reference_)
        text = language.own(OwnText::CycleTaught)
                   .arg(reference_->clamps)
                   .arg(number(reference_->totalMean, totalDecimals(reference_->unit), language.code()),
                        reference_->unit);
    else
        text = language.own(OwnText::CycleNoReference);
    views_.cycles.reference->setText(text);
    views_.cycles.teach->setChecked(teaching_.has_value());
}

void CycleWatch::applyLanguage(const Language& language) {
    views_.cycles.tabs->setTabText(views_.cycles.tabs->indexOf(views_.cycles.page),
                                   language.own(OwnText::PageCycles));
    views_.cycles.teach->setText(language.own(OwnText::CycleTeach));
    views_.cycles.teach->setToolTip(language.own(OwnText::CycleTeachTip));
    for (QAbstractButton* button : views_.cycles.acknowledges)
        button->setText(language.own(OwnText::AlarmAcknowledge));
    showBanner();
    showReference();
}

} // namespace cycles
