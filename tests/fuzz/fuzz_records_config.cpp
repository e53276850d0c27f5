// Records.ini as found on disk, and the operator's name set in it: the input's first line is the name, the
// rest is the file.
#include "Fuzz.h"
#include "records/RecordsConfig.h"
#include "settings/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    const qsizetype lineEnd = bytes.contains('\n') ? bytes.indexOf('\n') : bytes.size();
    const QString name = QString::fromUtf8(bytes.left(lineEnd));
    const QByteArray file = bytes.mid(lineEnd + 1);
    if (name.contains(QLatin1Char('\r'))) // a line break of its own
        return 0;
    const QByteArray written = records::withOperator(file, name);
    FUZZ_CHECK(records::parseRecordsConfig(written).operatorName == name.trimmed());
    FUZZ_CHECK(records::parseRecordsConfig(written).server == records::parseRecordsConfig(file).server);
    // Every line that has nothing to do with the operator stays, in order.
    QStringList lines[2] = {textfile::decode(written).lines, textfile::decode(file).lines};
    for (QStringList& l : lines)
        l.removeIf([](const QString& line) { return line.contains(u"operator", Qt::CaseInsensitive); });
    FUZZ_CHECK(lines[0] == lines[1]);
    return 0;
}
