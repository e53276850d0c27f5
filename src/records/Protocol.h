#pragma once
// The protocol of one record: a single A4 page that the quality engineer signs. One drawing serves the PDF
// file and the printer alike, so what is filed and what is printed never differ.

#include "records/Record.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

class QPainter;
class QRectF;

namespace records {

class RecordStore;

// Every word on the page, in the program's language, and how numbers and dates are written in it.
struct ProtocolTexts {
    QString title, machine, serialNr, comment, operatorName, takenAt, amplifier, port, program, host;
    QString measurement, tieBar, mainValue, totalForce, deviation, tolerance, result;
    QString pass, fail, noVerdict, within, beyond, noDeviation, noTolerance;
    QString parameters, kFactor, eModulus, barDiameter, unit, trend, trendOne, note, recordId, inspector,
        approval;
    QString sensors, zeroed, notZeroed, zeroUnknown, deviationDefined, checker, page, offScale,
        channelsNotShown;
    // The form's identifier and revision, as the quality system files it (Records.ini "form=").
    QString form = QStringLiteral("VP-1 rev. 1");
    QString ofNominal;
    // The nominal clamping force of the record's machine, kN, where one is set: the total as a share of it.
    std::optional<double> nominalKn;
    // Why a protocol was not made: %1 the file or printer, %2 the reason.
    QString notWritten, cannotPrint, noDatabase, noRecords, noRecord, noRecordServer;
    QLocale locale;
    QString dateTimeFormat;
};

// languageCode: "DE", "EN", "IT"; anything else gives English, as for the program's own texts.
ProtocolTexts protocolTexts(const QString& languageCode);
struct RecordsConfig;
// The form and the machine's nominal force that Records.ini names for the protocol of `record`.
void applyConfig(ProtocolTexts& texts, const RecordsConfig& config, const Record& record);

// Draws the page into `page` (device coordinates), keeping A4's proportions. `trend` is the machine's last
// records, oldest first, normally ending with `record` itself; records in another unit add only their
// deviation to the chart. Texts of any length are cut to their space, never drawn beyond it.
void drawProtocol(QPainter& painter, const QRectF& page, const Record& record, const QList<Record>& trend,
                  const ProtocolTexts& texts);

// The records of record's machine up to and including it, at most `limit`, oldest first: the trend that
// belongs on its protocol, also when newer records followed it.
QList<Record> protocolTrend(RecordStore& store, const Record& record, int limit = 10);

} // namespace records
