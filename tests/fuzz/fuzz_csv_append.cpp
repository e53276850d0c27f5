// Rows appended to a file the user chose, whatever its bytes: its old lines stay, the rows follow readable.
#include "Errors.h"
#include "Fuzz.h"
#include "ProgramState.h"
#include "Views.h"
#include "graph/CsvFile.h"
#include "graph/DataLog.h"
#include "graph/Journal.h"
#include "settings/Language.h"
#include "settings/TextFile.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
DataLog* logs[3];
// ASCII only, in the code page, and beyond it (the file then turns into UTF-8).
const QStringList rows[3] = {{"1;20;-3", "2;21;-4"}, {"1;Caf\u00e9;\u20ac"}, {"1;\u03a9", "2;x"}};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startApplication();
    static const ValueView values{};
    static const MachineInfo machine{};
    static const StatusView clock{};
    static ProgramState state;
    static const Language language(nullptr);
    static Journal journal(fuzz::scratchFile("fuzz_csv_append.journal"));
    for (int i = 0; i < 3; ++i) {
        logs[i] = new DataLog(new QPlainTextEdit, {values, machine, clock, new QLineEdit, state, language},
                              journal);
        logs[i]->restoreRows(rows[i]);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray old = fuzz::bytes(data + 1, size - 1);
    const QString path = fuzz::scratchFile("fuzz_csv_append.csv");
    fuzz::writeFile(path, old);
    const int which = data[0] % 3;
    try {
        csv_file::appendRows(path, *logs[which]);
    } catch (const UserError&) {
        FUZZ_CHECK(fuzz::readFile(path) == old);
        return 0;
    }
    const QByteArray result = fuzz::readFile(path);
    const QStringList lines = textfile::decode(result).lines;
    FUZZ_CHECK(lines == textfile::decode(old).lines + rows[which]);
    FUZZ_CHECK(result.startsWith(old) || textfile::decode(result).encoding.byteOrderMark);
    return 0;
}
