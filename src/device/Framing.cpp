#include "device/Framing.h"

namespace framing {

QString decodeReply(ReplyMode mode, const QByteArray& bytes) {
    if (mode == ReplyText) {
        const qsizetype end = bytes.indexOf('\0');
        return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
    }
    if (bytes.size() == 1)
        return QString::number(static_cast<std::int8_t>(bytes[0]));
    if (bytes.size() == 2) {
        const auto low = static_cast<std::uint8_t>(bytes[0]);
        const auto high = static_cast<std::uint8_t>(bytes[1]);
        return QString::number(static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8))));
    }
    return {};
}

std::array<std::uint8_t, 4> valueCommand(char first, char second, std::uint16_t value) {
    return {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
}

QString transmitLogLine(const std::uint8_t* bytes, std::uint32_t length) {
    QString line = QStringLiteral("TX ");
    for (std::uint32_t i = 0; i < length && bytes[i] != 0; ++i)
        line += QChar(bytes[i]);
    return line;
}

QString receiveLogLine(const QString& reply) { return QStringLiteral("RX ") + reply; }

} // namespace framing
