// Settings, language and log files: encodings, line ends and atomic writes.

#include "Errors.h"
#include "Testing.h"

using textfile::Codec;

class TestTextFile : public QObject {
    Q_OBJECT

private slots:
    void eachEncodingIsReadAndWrittenBackInKind_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codec");
        QTest::addColumn<bool>("mark");
        const QString text = QStringLiteral("Größe µε\r\nzweite Zeile\r\n");
        QTest::newRow("utf-8 without mark") << text.toUtf8() << int(Codec::Utf8) << false;
        QTest::newRow("utf-8 with mark")
            << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << int(Codec::Utf8) << true;
        QByteArray le("\xFF\xFE", 2), be("\xFE\xFF", 2);
        for (const QChar c : text) {
            le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        }
        QTest::newRow("utf-16 le") << le << int(Codec::Utf16LE) << true;
        QTest::newRow("utf-16 be") << be << int(Codec::Utf16BE) << true;
    }

    void eachEncodingIsReadAndWrittenBackInKind() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codec);
        QFETCH(bool, mark);
        const textfile::Document document = textfile::decode(bytes);
        QCOMPARE(document.lines, (QStringList{QStringLiteral("Größe µε"), QStringLiteral("zweite Zeile")}));
        QCOMPARE(int(document.encoding.codec), codec);
        QCOMPARE(document.encoding.byteOrderMark, mark);
        QCOMPARE(textfile::encode(document.lines, document.encoding), bytes);
    }

    void bytesThatAreNotUtf8AreWindows1252() {
        // "ä µ ²" as an old settings file holds them, and the euro sign from the range Latin-1 lacks.
        const QByteArray bytes("\xE4 \xB5 \xB2 \x80\r\n");
        const textfile::Document document = textfile::decode(bytes);
        QCOMPARE(document.encoding.codec, Codec::Windows1252);
        QCOMPARE(document.lines, QStringList{QString::fromUtf8("ä µ ² €")});
        QCOMPARE(textfile::encode(document.lines, document.encoding), bytes);
    }

    void aCharacterWindows1252CannotHoldSwitchesTheFileToUtf8InsteadOfLosingIt() {
        const QStringList lines{QString::fromUtf8("Sensor 1.1 [µε]")};
        const QByteArray bytes = textfile::encode(lines, {Codec::Windows1252, false});
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(textfile::decode(bytes).lines, lines);
    }

    void anyLineEndEndsALineAndNoEmptyLineFollowsTheLastEnd() {
        QCOMPARE(textfile::decode("a\r\nb\rc\nd").lines, (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(textfile::decode("a\r\n\r\n").lines, (QStringList{"a", ""}));
        QCOMPARE(textfile::decode("\n\r").lines, (QStringList{"", ""}));
        QVERIFY(textfile::decode("").lines.isEmpty());
        QCOMPARE(textfile::encode({"a", ""}, {}), QByteArray("a\r\n\r\n"));
    }

    void aFailedWriteLeavesTheOldFileWhole() { // regression: a buffered write failed only at commit
        writeFile(QStringLiteral("keep.ini"), "old\r\n");
        bool failed = false;
        try {
            DiskFull full;
            textfile::write(QStringLiteral("keep.ini"), {QStringLiteral("new content")}, {});
        } catch (const UserError& error) {
            failed = error.message().contains(QStringLiteral("keep.ini"));
        }
        QVERIFY(failed);
        QCOMPARE(readFile(QStringLiteral("keep.ini")), QByteArray("old\r\n"));
        QCOMPARE(QDir().entryList(QDir::Files),
                 QStringList{QStringLiteral("keep.ini")}); // no stray temporary
    }

    void aMissingFileIsReportedByName() {
        try {
            textfile::read(QStringLiteral("missing.txt"));
            QFAIL("no error");
        } catch (const UserError& error) {
            QVERIFY(error.message().contains(QStringLiteral("\"missing.txt\"")));
        }
    }
};

QTEST_MAIN(TestTextFile)
#include "test_text_file.moc"
