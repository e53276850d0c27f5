#include "cycles/CycleSettings.h"

#include <algorithm>

namespace cycles {

CycleSettings cycleSettings(const records::RecordsConfig& config, const QString& machine) {
    CycleSettings settings;
    const auto set = [&](const char* key, double& target, double lowest, double highest) {
        const QString name = QLatin1String(key);
        const QString own = name + QLatin1Char('\n') + machine.trimmed();
        const auto found = config.cycle.constFind(config.cycle.contains(own) ? own : name);
        // A value beyond sense is taken as the nearest sensible one rather than ignored: the user meant
        // to change the setting, and a threshold of 0 % would take noise for clamps.
        if (found != config.cycle.constEnd())
            target = std::clamp(*found, lowest, highest);
    };
    set("threshold", settings.detector.thresholdPct, 5, 95);
    set("hysteresis", settings.detector.hysteresisPct, 1, 50);
    set("total_band", settings.limits.totalBandPct, 0.1, 100);
    set("share_band", settings.limits.shareBandPp, 0.1, 100);
    set("no_clamp", settings.limits.noClampFactor, 1.5, 100);
    double teach = settings.teachClamps;
    set("teach", teach, 2, 1000);
    settings.teachClamps = static_cast<int>(teach);
    return settings;
}

} // namespace cycles
