#pragma once
// Where the clamps of the presses, their taught references and their alarms are kept. Rows are only ever
// added: an acknowledgement is a row of its own beside its alarm.

#include "cycles/Cycle.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace cycles {

class CycleStore {
public:
    virtual ~CycleStore() = default;
    // Each insert is on the disk when it returns true; false with the reason otherwise. An id already there
    // counts as stored once.
    virtual bool insertCycle(const CycleRow& row, QString* error) = 0;
    virtual bool insertReference(const CycleReference& reference, QString* error) = 0;
    virtual bool insertAlarm(const CycleAlarm& alarm, QString* error) = 0;
    // The first acknowledgement of an alarm counts: a later one of the same alarm is taken as stored and
    // changes nothing. All of them or none, in one write: false, with none stored, when one names an alarm
    // that is not there.
    virtual bool acknowledge(const QList<AlarmAck>& acks, QString* error) = 0;
    // The newest reference of the machine (by taughtAt), none before one was taught.
    virtual std::optional<CycleReference> reference(const QString& machine) = 0;
    // The last `limit` clamps of the machine, oldest first.
    virtual QList<CycleRow> lastCycles(const QString& machine, int limit) = 0;
    // The machine's clamps that started at or after `since` (UTC), oldest first.
    virtual QList<CycleRow> cyclesSince(const QString& machine, const QDateTime& since) = 0;
    struct AlarmEntry {
        CycleAlarm alarm;
        std::optional<AlarmAck> ack;
    };
    // The machine's last `limit` alarms, newest first, each with its acknowledgement if there is one.
    virtual QList<AlarmEntry> alarms(const QString& machine, int limit) = 0;
};

} // namespace cycles
