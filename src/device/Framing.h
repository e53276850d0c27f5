#pragma once
// The link to the amplifier: commands are two ASCII letters, or two letters and a 16-bit value sent high byte
// first; every reply has a fixed length and is either text or a signed binary number sent low byte first.
// No terminator, no checksum.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

enum ReplyMode { ReplyText = 1, ReplyBinary = 2 };

// The text that stands for a reply that has not fully arrived.
inline const QString NoReply = QStringLiteral("NONE");

namespace framing {

// A complete reply as text: text replies end at the first zero byte; binary replies of 1 or 2 bytes are
// signed numbers in decimal ("%hd"); other counts give an empty text.
QString decodeReply(ReplyMode mode, const QByteArray& bytes);

// "d", "u", high byte, low byte.
std::array<std::uint8_t, 4> valueCommand(char first, char second, std::uint16_t value);

// The traffic log lines: "TX " and the sent bytes one character each, up to the first zero byte; "RX " and
// the reply text.
QString transmitLogLine(const std::uint8_t* bytes, std::uint32_t length);
QString receiveLogLine(const QString& reply);

} // namespace framing
