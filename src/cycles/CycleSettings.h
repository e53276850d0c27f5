#pragma once
// How a machine's clamps are found, taught and judged: the defaults, changed for every machine or for one
// by "cycle_..." lines of Records.ini (see the manual). A machine's own line wins over one for every machine.

#include "cycles/ClampDetector.h"
#include "cycles/Reference.h"
#include "records/RecordsConfig.h"

namespace cycles {

struct CycleSettings {
    DetectorSettings detector;
    Limits limits;
    int teachClamps = 10;
};

CycleSettings cycleSettings(const records::RecordsConfig& config, const QString& machine);

} // namespace cycles
