// Replies and commands on the wire.

#include "device/Framing.h"

#include "Testing.h"

class TestFraming : public QObject {
    Q_OBJECT

private slots:
    void binaryRepliesAreSignedAndLowByteFirst() {
        QCOMPARE(framing::decodeReply(ReplyBinary, QByteArray("\xFE\xFF", 2)), QStringLiteral("-2"));
        QCOMPARE(framing::decodeReply(ReplyBinary, QByteArray("\x64\x00", 2)), QStringLiteral("100"));
        QCOMPARE(framing::decodeReply(ReplyBinary, QByteArray("\x00\x80", 2)), QStringLiteral("-32768"));
        QCOMPARE(framing::decodeReply(ReplyBinary, QByteArray("\xFF\x7F", 2)), QStringLiteral("32767"));
        QCOMPARE(framing::decodeReply(ReplyBinary, QByteArray("\x83", 1)), QStringLiteral("-125"));
        QCOMPARE(framing::decodeReply(ReplyBinary, QByteArray("\x03", 1)), QStringLiteral("3"));
        QCOMPARE(framing::decodeReply(ReplyBinary, QByteArray("abc")), QString()); // no such reply length
    }

    void textRepliesEndAtTheFirstZeroByte() {
        QCOMPARE(framing::decodeReply(ReplyText, QByteArray("QT34")), QStringLiteral("QT34"));
        QCOMPARE(framing::decodeReply(ReplyText, QByteArray("iO\0x", 4)), QStringLiteral("iO"));
        QCOMPARE(framing::decodeReply(ReplyText, QByteArray("\0O", 2)), QString());
    }

    void valuesGoOutHighByteFirstAndTheLogStopsAtAZeroByte() {
        const auto em = framing::valueCommand('e', 'm', 210);
        QCOMPARE(em, (std::array<std::uint8_t, 4>{'e', 'm', 0x00, 0xD2}));
        QCOMPARE(framing::transmitLogLine(em.data(), 4), QStringLiteral("TX em"));
        const auto du = framing::valueCommand('d', 'u', 999);
        QCOMPARE(du, (std::array<std::uint8_t, 4>{'d', 'u', 0x03, 0xE7}));
        QCOMPARE(framing::transmitLogLine(du.data(), 4), QStringLiteral("TX du\x03") + QChar(0xE7));
        QCOMPARE(framing::transmitLogLine(du.data(), 2), QStringLiteral("TX du")); // never beyond the length
        QCOMPARE(framing::receiveLogLine(NoReply), QStringLiteral("RX NONE"));
    }
};

QTEST_MAIN(TestFraming)
#include "test_framing.moc"
