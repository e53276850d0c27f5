#pragma once
// One stored clamping-force check: what the window showed for one complete measurement cycle, who took it,
// where, and with which parameters. A plain value. Once stored, nothing of it changes; notes are added
// beside it (RecordStore::addNote) and read back joined into `note`.

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace records {

// Empty where the display showed no number ("E01", a blank field, a sensor that was not polled).
using Number = std::optional<double>;

// The deviation the display showed as "> 99". Any stored deviation above 99 reads as this: files written
// before the mark was introduced hold the percent computed (300, 500, ...), which the display showed the
// same way.
constexpr double DeviationOverRange = 100;
inline bool overRange(const Number& deviation) { return deviation && *deviation > 99; }

struct Record;
// Files and servers written before a record kept the unit of its tons and sensors: channels in US tons
// mean the tons were too (the total is converted whenever the channels are), and the sensors, never
// converted, were in metric tons; anything else is taken as metric tons, which it was unless sensors
// were not polled.
void fillOlderUnits(Record& record);

struct Record {
    QString id;                     // UUID, lower case, without braces
    QDateTime takenAt;              // UTC
    int utcOffsetMin = 0;           // the local offset from UTC when it was taken, in minutes
    QString machine;                // editMachine
    QString serialNr;               // editSerialNr
    QString comment;                // editComment
    QString operatorName;           // who took it
    QString amplifier;              // amplifier type, as the program names it
    QString port;                   // the device port, as the program shows it
    QString unit;                   // of channels and main value, as shown: "µm/m", "kN", "t" or "US t"
    QString tonsUnit;               // of totalTons: "t" or "US t"
    QString sensorUnit;             // of the sensors, which are never converted: "µm/m", "kN" or "t"
    std::array<Number, 4> channels; // channels 1 to 4
    std::array<Number, 8> sensors;  // sensors 1.1, 1.2, 2.1, ... 4.2
    Number mainValue;
    Number totalKn;
    Number totalTons; // in tonsUnit
    Number deviation; // whole percent as shown, DeviationOverRange for "> 99"
    Number tolerance; // percent
    std::optional<bool> withinTolerance;
    Number kFactor;
    Number eModulus;
    Number barDiameter;
    QString program; // program name and version
    QString host;
    // When the amplifier was last zeroed before it was taken, UTC; an invalid time: not since the program
    // started; none: not known (records of older versions).
    std::optional<QDateTime> zeroedAt;
    QString note; // the note taken with it plus every note added later, in order

    bool operator==(const Record&) const = default;
};

} // namespace records
