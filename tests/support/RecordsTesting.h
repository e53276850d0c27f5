#pragma once
// What the records tests share: the window's test helpers, the stores, and one record with every field
// filled and no two alike, so that two fields swapped or one misrouted on the way through a store, an export
// or a protocol shows in a comparison of the whole; and a record spelled out field by field when such a
// comparison fails.
#include "ProgramRun.h"
#include "Testing.h"
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
