#pragma once
// The record buttons on the main view and the big view (F9 does the same there) and the operator field: a
// click stores the last complete measurement cycle as one record once the load is steady, confirmed in the
// status line; a load that does not settle within five seconds, no load at all and a store that fails are
// refused with the reason. The buttons work only while a measurement runs and its last cycle holds real
// values; otherwise their tooltip says why not.

#include "records/RecordMaking.h"
#include "settings/LanguageParticipant.h"
#include "settings/OwnTexts.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class Dialogs;
class MeasurementControls;
class ProgramStatus;
struct MachineInfo;
struct Pages;
struct ParameterView;
struct PortControls;
struct ProgramState;
struct RecordControls;
struct ViewOptions;

namespace records {
class RecordStore;
}
namespace cycles {
struct CycleRow;
}

class RecordButtons : public QObject, public LanguageParticipant {
    Q_OBJECT

public:
    struct Views {
        const RecordControls& controls;
        const MachineInfo& machine;
        const ParameterView& parameters;
        const ViewOptions& options;
        const PortControls& port;
        const Pages& pages;
    };
    struct Services {
        const MeasurementControls& measuring;
        ProgramStatus& status;
        Dialogs& dialogs;
        const Language& language;
    };

    // iniPath: Records.ini, which remembers the operator.
    RecordButtons(const Views& views, const Services& services, const ProgramState& state,
                  const QString& iniPath);

    // Where records go. None, or one that may not be changed, keeps the buttons disabled; problem says why
    // there is none.
    // problem: why there is no store; readOnly: why a read-only store takes no records.
    void setStore(records::RecordStore* store, const QString& problem,
                  OwnText readOnly = OwnText::RecordsReadOnly);

    // Both buttons enabled or disabled, with the reason as their tooltip. Called whenever the cycle, the
    // measuring state or the language changes.
    void refresh();
    // Why no record can be taken now, in the program's language; none when it can.
    std::optional<QString> whyNot() const;
    // A click: stores the last complete cycle when it and the one before agree; true when it was stored.
    // Otherwise the record waits for the cycles to come (waiting()) and is stored or refused by
    // cycleArrived() or tick(). Nothing happens while the buttons are disabled or a record waits.
    bool take();
    // F9: a click where the values are on screen (the main view and the big view); elsewhere, and while the
    // buttons are disabled, it only says why not.
    void shortcut();
    // The device session published or forgot a cycle.
    void cycleArrived();
    // A device tick: a waiting record that has not found a steady load in five seconds is refused.
    void tick();
    bool waiting() const { return waitingSince_.has_value(); }
    // Where a running press is told from a standing one. On a running press a click arms the buttons and
    // the next clamp's plateau becomes the record: such a press never holds a steady load long enough.
    void setPressRunning(std::function<bool()> running) { pressRunning_ = std::move(running); }
    bool armed() const { return armed_; }
    // A clamp ended: an armed record takes its plateau.
    void clampEnded(const cycles::CycleRow& row);
    // Where the five seconds are counted; tests move it themselves.
    void setClock(std::function<std::int64_t()> monotonicMs) { monotonicMs_ = std::move(monotonicMs); }
    // The operator field lost the focus or was confirmed: a changed name is remembered.
    void keepOperator();
    // The amplifier acknowledged a command; RESET zeroes it, which every later record tells.
    void acknowledged(std::int32_t state);

    void applyLanguage(const Language& language) override;

signals:
    void recordStored(const QString& id);

private:
    records::RecordContext context() const;
    bool store(const CycleSnapshot& cycle, const QString& note = {});
    void refuse(const QString& reason);

    static constexpr std::int64_t SteadyWaitMs = 5000;
    static constexpr std::int64_t ArmedWaitMs = 60000; // the slowest press clamps once a minute
    Views views_;
    Services services_;
    const ProgramState& state_;
    QString iniPath_;
    QString rememberedOperator_;
    records::RecordStore* store_ = nullptr;
    QString storeProblem_;
    OwnText readOnlyReason_ = OwnText::RecordsReadOnly;
    CycleSnapshot earlierCycle_ = CycleSnapshot::none(1); // the complete cycle before the last one
    CycleSnapshot lastCycle_ = CycleSnapshot::none(1);
    std::optional<std::int64_t> waitingSince_;
    bool armed_ = false; // the waiting record takes the next clamp
    std::function<bool()> pressRunning_;
    std::function<std::int64_t()> monotonicMs_;
    QDateTime zeroedAt_; // UTC; invalid until the amplifier is zeroed
};
