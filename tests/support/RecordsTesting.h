#pragma once
// What the records tests share: the window's test helpers, the stores, and one record with every field
// filled and no two alike, so that two fields swapped or one misrouted on the way through a store, an export
// or a protocol shows in a comparison of the whole; and a record spelled out field by field when such a
// comparison fails.
#include "ProgramRun.h"
#include "Testing.h"
#include "cycles/Cycle.h"
#include "records/Record.h"
#include "records/RecordButtons.h"
#include "records/RecordsConfig.h"
#include "records/SqliteStore.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>

namespace records {
Record fullRecord();
char* toString(const Record& record);
} // namespace records

// The clamp watch's rows with every field filled and no two alike, as fullRecord(): a clamp of `machine`
// starting `minute` minutes into the test's hour, its alarm and the machine's reference.
namespace cycles {
CycleRow fullCycle(const QString& machine, int minute);
CycleAlarm alarmOf(const CycleRow& clamp, AlarmKind kind);
CycleReference referenceOf(const QString& machine, int minute);
} // namespace cycles
