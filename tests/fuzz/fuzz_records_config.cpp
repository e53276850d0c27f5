// Records.ini as found on disk, and the operator's name set in it: the input's first line is the name, the
// rest is the file.
#include "Fuzz.h"
#include "records/RecordsConfig.h"
#include "settings/TextFile.h"

namespace {
// The lines that have nothing to do with the operator, in order.
QStringList otherLines(const QByteArray& file) {
    QStringList lines = textfile::decode(file).lines;
    lines.removeIf(
        [](const QString& line) { return line.contains(QLatin1String("operator"), Qt::CaseInsensitive); });
    return lines;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    const qsizetype lineEnd = bytes.contains('\n') ? bytes.indexOf('\n') : bytes.size();
    const QString name = QString::fromUtf8(bytes.left(lineEnd));
    const QByteArray file = bytes.mid(lineEnd + 1);
    static_cast<void>(records::parseRecordsConfig(file));
    if (name.contains(QLatin1Char('\r')))
        return 0;
    const QByteArray written = records::withOperator(file, name);
    FUZZ_CHECK(records::parseRecordsConfig(written).operatorName == name.trimmed());
    FUZZ_CHECK(records::parseRecordsConfig(written).server == records::parseRecordsConfig(file).server);
    FUZZ_CHECK(otherLines(written) == otherLines(file));
    return 0;
}
