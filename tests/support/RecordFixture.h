#pragma once
// One record with every field filled and no two alike, so that two fields swapped or one misrouted on the
// way through a store, an export or a protocol shows in a comparison of the whole; and a record spelled
// out field by field when such a comparison fails.
#include "records/Record.h"

namespace records {
Record fullRecord();
char* toString(const Record& record);
} // namespace records
