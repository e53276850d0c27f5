#pragma once
// The protocol page as a PDF file or on a printer: the same drawing on both.

#include "records/Protocol.h"

class QPrinter;

namespace records {

// A4 at 300 dpi. Written beside the target and renamed onto it only when complete, so a failed write (a
// folder that takes no file, a full disk) leaves no file and an earlier one unchanged. False with the reason
// in *error, in the texts' language.
bool writeProtocolPdf(const QString& path, const Record& record, const QList<Record>& trend,
                      const ProtocolTexts& texts, QString* error);

// On a printer the user has chosen (Dialogs::runPrintDialog), on the whole sheet, whatever its size.
bool printProtocol(QPrinter& printer, const Record& record, const QList<Record>& trend,
                   const ProtocolTexts& texts, QString* error);

} // namespace records
