// A damaged records file and its log, as found on disk: the input's first byte says where the file ends and
// the log begins (in 256ths of the rest), so that both halves and their pairing are explored.
#include "Fuzz.h"
#include "records/PageSalvage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray bytes = fuzz::bytes(data + 1, size - 1);
    const qsizetype split = bytes.size() * data[0] / 256;
    const QByteArrayView database(bytes.constData(), split),
        log(bytes.constData() + split, bytes.size() - split);
    for (const records::page_salvage::Row& row : records::page_salvage::tableRows(database, log)) {
        // Every value came out of the input: no text or blob longer than all of it.
        for (const QVariant& column : row.columns) {
            if (column.typeId() == QMetaType::QString)
                FUZZ_CHECK(column.toString().size() <= bytes.size());
            else if (column.typeId() == QMetaType::QByteArray)
                FUZZ_CHECK(column.toByteArray().size() <= bytes.size());
        }
    }
    return 0;
}
