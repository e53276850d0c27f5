// The journal a crashed or powered-off run left behind.
#include "Fuzz.h"
#include "graph/Journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString path = fuzz::scratchFile("fuzz_journal");
    fuzz::writeFile(path, bytes);
    const QStringList rows = Journal(path).recover();
    const QByteArray kept = fuzz::readFile(path);
    // Whole rows stay, the cut-short one goes, and every kept row comes back as one row.
    FUZZ_CHECK(bytes.startsWith(kept) && (kept.isEmpty() || kept.endsWith('\n')));
    FUZZ_CHECK(!bytes.mid(kept.size()).contains('\n'));
    FUZZ_CHECK(rows.size() == kept.count('\n'));
    FUZZ_CHECK(rows.join(QLatin1Char('\n')) + (rows.isEmpty() ? "" : "\n") == QString::fromUtf8(kept));
    return 0;
}
