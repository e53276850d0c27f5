#pragma once
// The history's records as a delimited text file for a spreadsheet: UTF-8 with a byte-order mark (so a
// spreadsheet reads umlauts and the µ of µm/m right), the delimiter of the settings, one record per line.

#include "records/Record.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace records {

class RecordStore;
struct Filter;

// One line, ended by CR LF. A field that holds the delimiter, a quote, a line break or a tab (a spreadsheet
// may split at tabs too) is put in quotes and its quotes are doubled, so a comment comes back exactly as it
// was typed.
QString csvLine(const QStringList& fields, const QString& delimiter);
// A record's fields in the order of the header: those of the table, then those of OwnText::CsvColumns. A
// text that a spreadsheet would run as a formula (it begins with =, +, -, @, a tab or a CR) begins with an
// apostrophe; numbers are written as they are. `verdicts`: the words for within the tolerance, outside it,
// and not judged.
QStringList csvFields(const Record& record, const QStringList& verdicts);

// Writes every record of the filter, newest first, beside the target and then in its place, so a failed
// write leaves an older file as it was. False with the reason in *error. *written: how many records. When
// *stop turns true, it stops after the page it is writing and leaves the target alone.
bool writeRecordsCsv(const QString& path, RecordStore& store, const Filter& filter, const QStringList& header,
                     const QStringList& verdicts, const QString& delimiter, int* written, QString* error,
                     const std::atomic<bool>* stop = nullptr);

} // namespace records
