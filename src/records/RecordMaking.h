#pragma once
// A record made from the last complete measurement cycle: the cycle's own texts, never the displays, which
// the next cycle may already be overwriting, so a record never mixes two cycles. What the cycle does not
// hold (who, where, with which parameters) comes in a context the window fills in. Pure: no widget, no
// clock, no store.

#include "ProgramState.h"
#include "records/Record.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace records {

struct RecordContext {
    QString id;        // a fresh UUID, lower case, without braces
    QDateTime takenAt; // UTC
    int utcOffsetMin = 0;
    QString machine;
    QString serialNr;
    QString comment;
    QString operatorName;
    QString amplifier;
    QString port;
    // The parameter fields' texts as they stand.
    QString kFactor;
    QString eModulus;
    QString barDiameter;
    QString tolerance;
    bool sensorsPolled = false; // the amplifier type sends the eight sensor values and they are switched on
    QString program;
    QString host;
    QDateTime zeroedAt; // UTC; invalid while the amplifier was not zeroed since the program started
};

// A fresh id and the present time, UTC, with the local offset.
void stampNow(RecordContext& context);

// Why a snapshot may not be recorded now.
enum class Refusal {
    NotMeasuring,    // no measurement runs
    NoCompleteCycle, // nothing measured since the measurement started or the amplifier came back
    ValueError,      // the main value or a channel shows "E01"
    SensorError,     // a polled sensor shows "E01"
};
std::optional<Refusal> whyNotRecordable(const CycleSnapshot& snapshot, bool measuring, bool sensorsPolled);

// Whether two complete cycles show one steady load: every channel a number in both, in the same unit, and
// the later within 1 % of the earlier or 2 digits, whichever is larger. Two digits are the display's own
// jitter at small values; 1 % is what a load still settling changes by between two cycles.
bool steady(const CycleSnapshot& earlier, const CycleSnapshot& later);
// Every channel within the zero band: nothing on the tie bars worth a record. The band is 10 digits in
// micro-strain, where a digit is tiny and a gauge's zero offset and noise alone make several, while any
// tie bar under clamping force is strained by hundreds; and 2 digits in kN and tons, where one digit is
// already a force and 2 are the display's jitter, as in steady().
bool noLoad(const CycleSnapshot& snapshot);

// The number a value display shows: whole numbers as the program writes them, decimals with a point or a
// single comma. "E01", an empty text or anything else that is no number gives none.
Number numberShown(const QString& text);
// The unit of channels and main value as a record names it: "µm/m", "kN", "t" or "US t"; empty for an
// unknown unit code.
QString unitName(int unit, bool usTons);

Record makeRecord(const CycleSnapshot& snapshot, const RecordContext& context);

} // namespace records
