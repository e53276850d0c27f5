#include "cycles/CycleStats.h"

#include <algorithm>
#include <cmath>

namespace cycles {

double median(QList<double> values) {
    if (values.isEmpty())
        return 0;
    const qsizetype middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 != 0)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + middle);
    return (lower + upper) / 2;
}

MeanSd meanSd(const QList<double>& values) {
    MeanSd result;
    if (values.isEmpty())
        return result;
    double sum = 0;
    for (double v : values)
        sum += v;
    result.mean = sum / values.size();
    if (values.size() < 2)
        return result;
    double squares = 0;
    for (double v : values)
        squares += (v - result.mean) * (v - result.mean);
    result.sd = std::sqrt(squares / (values.size() - 1));
    return result;
}

std::optional<Capability> capability(const QList<double>& values, double lower, double upper) {
    const MeanSd stats = meanSd(values);
    if (values.size() < 2 || stats.sd <= 0)
        return std::nullopt;
    Capability result;
    result.cp = (upper - lower) / (6 * stats.sd);
    result.cpk = std::min(upper - stats.mean, stats.mean - lower) / (3 * stats.sd);
    return result;
}

} // namespace cycles
