#pragma once
// Saving the data log as a delimited text file: a new file with header and rows, or the rows appended to
// an existing file. Either way the file is written beside the target and then put in its place, so a full
// disk or a crash leaves the old file as it was. New files are Windows-1252 (UTF-8 with a mark when a text
// has characters the code page lacks); appended rows take the encoding of the file they join, which is
// never read into memory as a whole.

#include <QString>

class DataLog;

namespace csv_file {

inline constexpr const char* Filter = "CSV (*.csv)|*.CSV";

// Only the last character decides: "v" or "V" appends to the name as it stands; anything else is written
// new under the name with ".csv" added.
struct Target {
    QString path;
    bool append;
};
Target targetOf(const QString& chosenName);

// Both throw UserError with the file name and the reason; the file is then unchanged. appendRows writes the
// rows from index firstRow on.
void writeNew(const QString& path, const DataLog& log);
void appendRows(const QString& path, const DataLog& log, qsizetype firstRow = 0);

// True when the bytes end inside a UTF-8 sequence: such a file is no UTF-8 text, whatever came before.
bool endsInUnfinishedUtf8(const QByteArray& tail);

} // namespace csv_file
