// Amplifier replies as they arrive from the serial line, and the traffic log of sent bytes.
#include "Fuzz.h"
#include "device/Framing.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray reply = fuzz::bytes(data + 1, size - 1);
    const QString text = framing::decodeReply(data[0] & 1 ? ReplyBinary : ReplyText, reply);
    if (data[0] & 1) {
        if (reply.size() == 1 || reply.size() == 2) {
            bool ok = false;
            const int value = text.toInt(&ok);
            FUZZ_CHECK(ok && static_cast<char>(value & 0xFF) == reply[0]);
            FUZZ_CHECK(reply.size() == 1 ? value >= -128 && value < 128
                                         : static_cast<char>(value >> 8) == reply[1]);
        } else {
            FUZZ_CHECK(text.isEmpty());
        }
    } else {
        FUZZ_CHECK(text.toLatin1() ==
                   reply.left(reply.indexOf('\0') < 0 ? reply.size() : reply.indexOf('\0')));
    }
    // A copy of exactly the given length, so a read past its end is seen.
    const auto sent = std::make_unique<uint8_t[]>(size);
    std::copy(data, data + size, sent.get());
    const QString line = framing::transmitLogLine(sent.get(), uint32_t(size));
    FUZZ_CHECK(line.size() - 3 <= qsizetype(size));
    return 0;
}
