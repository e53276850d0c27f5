#pragma once
// The statistics of clamps: medians, means with their spread, and the process capability of the total
// against its limits. Pure functions.

#include <QList>

#include <optional>

namespace cycles {

// The middle value; the mean of the two middle ones for an even count. 0 for none.
double median(QList<double> values);

struct MeanSd {
    double mean = 0;
    double sd = 0; // the sample standard deviation (n - 1); 0 for fewer than two values
};
MeanSd meanSd(const QList<double>& values);

struct Capability {
    double cp = 0;
    double cpk = 0;
};
// Cp and Cpk of values against the lower and upper limit; none for fewer than two values or no spread,
// where a capability would be a division by zero rather than a finding.
std::optional<Capability> capability(const QList<double>& values, double lower, double upper);

} // namespace cycles
