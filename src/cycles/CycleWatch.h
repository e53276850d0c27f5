#pragma once
// Watches every clamp while a measurement runs: finds it in the complete cycles, keeps it, teaches the
// machine's reference on TEACH and judges each clamp against it. A breach shows a red banner on the main
// view and the big view, sounds, and is kept until someone acknowledges it; the measurement never stops for
// it. A press that stops clamping for three taught cycle times while measured is an alarm too.

#include "cycles/ClampDetector.h"
#include "cycles/CycleSettings.h"
#include "settings/LanguageParticipant.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class MeasurementControls;
class ProgramStatus;
struct CycleView;
struct MachineInfo;
struct ParameterView;
struct ProgramState;

namespace cycles {

class CycleStore;

class CycleWatch : public QObject, public LanguageParticipant {
    Q_OBJECT

public:
    struct Views {
        const CycleView& cycles;
        const MachineInfo& machine;
        const ParameterView& parameters;
    };
    struct Services {
        const MeasurementControls& measuring;
        ProgramStatus& status;
        const Language& language;
    };
    // iniPath: Records.ini, whose "cycle_" lines change how clamps are found and judged.
    CycleWatch(const Views& views, const Services& services, const ProgramState& state,
               const QString& iniPath);

    // Where clamps go; none keeps TEACH disabled and stores nothing.
    void setStore(CycleStore* store);
    // Tests move these themselves.
    void setClock(std::function<qint64()> monotonicMs, std::function<QDateTime()> utcNow);
    void setWho(std::function<QString()> who) { who_ = std::move(who); }
    void setSound(std::function<void()> sound) { sound_ = std::move(sound); }

    // The device session published or forgot a cycle.
    void cycleArrived();
    // A device tick: the no-clamp limit is looked at.
    void tick();
    // btnCycleTeach: starts teaching, or stops a teaching that runs.
    void teach();
    // btnAlarmAck on either view: every alarm shown is acknowledged by the operator.
    void acknowledge();

    bool teaching() const { return teaching_.has_value(); }
    const std::optional<CycleReference>& reference() const { return reference_; }
    QString machine() const { return machine_; }
    const CycleSettings& settings() const { return settings_; }
    // The last two clamps ended within three cycle times (a minute before teaching): the press is running.
    bool pressRunning() const;

    void applyLanguage(const Language& language) override;

signals:
    void clampStored(const cycles::CycleRow& row);
    void alarmsChanged();
    void referenceChanged();

private:
    void followMachine();
    void clampEnded(CycleRow row);
    void raise(QList<CycleAlarm> alarms);
    void showBanner();
    void showReference();
    int tolerance() const;

    Views views_;
    Services services_;
    const ProgramState& state_;
    QString iniPath_;
    CycleStore* store_ = nullptr;
    ClampDetector detector_;
    CycleSettings settings_;
    QString machine_;
    std::optional<CycleReference> reference_;
    std::optional<Teaching> teaching_;
    QList<CycleAlarm> shown_;                   // raised and not yet acknowledged
    std::optional<qint64> lastClampMs_;         // the last clamp's end, or when measuring began
    std::optional<qint64> lastClampEndedMs_;    // the last clamp's end alone
    std::optional<qint64> earlierClampEndedMs_; // and the one before
    bool noClampRaised_ = false;
    std::function<qint64()> monotonicMs_;
    std::function<QDateTime()> utcNow_;
    std::function<QString()> who_;
    std::function<void()> sound_;
};

} // namespace cycles
