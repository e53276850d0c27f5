// Settings, language and data-log files as found on disk: what is read, written back and read again must
// give the same lines.
#include "Fuzz.h"
#include "settings/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const textfile::Document first = textfile::decode(fuzz::bytes(data, size));
    const QByteArray written = textfile::encode(first.lines, first.encoding);
    const textfile::Document second = textfile::decode(written);
    FUZZ_CHECK(second.lines == first.lines);
    // Unchanged when the code page holds every character; otherwise it became UTF-8 with a mark.
    FUZZ_CHECK(second.encoding == first.encoding ||
               (first.encoding.codec == textfile::Codec::Windows1252 &&
                second.encoding == textfile::Encoding{textfile::Codec::Utf8, true}));
    return 0;
}
