#pragma once
// Records.ini in the working folder: "key=value" lines. "server=" names a PostgreSQL server by a libpq
// connection string (the password comes from libpq's own places, never from this file); "operator=" is the
// name the record buttons put in the operator field; "form=" names the protocol form and its revision.
// Unknown lines are kept when the program writes it.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace records {

struct RecordsConfig {
    QString server;       // empty: records stay on this PC
    QString operatorName; // empty: the login's full name
    QString form;         // "form=": the protocol's form identifier and revision; empty: the default
    // "nominal = 3500; KM-350" lines: a machine's nominal clamping force in kN, set on the history page.
    QHash<QString, double> nominalKn;
    // "cycle_threshold = 40" for every machine, "cycle_threshold = 40; KM-350" for one: how clamps are
    // found and judged. Keyed by the name after "cycle_", with "\n" and the machine for a machine's own.
    QHash<QString, double> cycle;
};

RecordsConfig parseRecordsConfig(const QByteArray& bytes);
// The file at `path`; one that is missing or cannot be read names no server and no operator.
RecordsConfig readRecordsConfig(const QString& path);
// The file with its operator line set to `operatorName`, every other line as it was.
QByteArray withOperator(const QByteArray& bytes, const QString& operatorName);
// The file with the machine's nominal force set (none: removed), every other line as it was.
QByteArray withNominal(const QByteArray& bytes, const QString& machine, std::optional<double> kiloNewtons);

} // namespace records
