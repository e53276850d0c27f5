// The settings and language files the program installs on its first start.

#include "Testing.h"
#include "settings/ChannelPositions.h"

namespace {
textfile::Document shipped(const char* name) {
    return textfile::decode(shippedFile(QString::fromLatin1(name)));
}

// Every text line the program reads.
QList<int> usedTextLines() {
    QList<int> lines = {1, 2, 3, 6, 7, 8, 9, 10, 13};
    for (int line = 16; line <= 20; ++line)
        lines << line;
    for (int line = 23; line <= 44; ++line)
        lines << line;
    for (int line : {49, 50, 51, 52, 53, 54, 55, 56, 57})
        lines << line;
    for (int line = 61; line <= 73; ++line)
        lines << line;
    return lines;
}

QList<int> numberLines() {
    QList<int> lines;
    for (int line = 79; line <= 115; line += 2)
        lines << line;
    return lines << 119 << 121;
}
} // namespace

class TestShippedFiles : public QObject {
    Q_OBJECT

private slots:
    void languageFilesAreCompleteAndAgreeOnTheDeviceNames() {
        const QStringList german = shipped("German.txt").lines;
        for (const char* name : {"German.txt", "English.txt", "Italian.txt"}) {
            const textfile::Document file = shipped(name);
            QCOMPARE(file.lines.size(), lang::LineCount);
            QVERIFY(file.encoding.byteOrderMark);
            for (int line : usedTextLines())
                QVERIFY2(!file.lines[line].trimmed().isEmpty(),
                         qPrintable(QStringLiteral("%1 line %2").arg(name).arg(line)));
            for (int line : numberLines()) {
                bool ok = false;
                file.lines[line].toInt(&ok);
                QVERIFY2(ok, qPrintable(
                                 QStringLiteral("%1 line %2: %3").arg(name).arg(line).arg(file.lines[line])));
            }
            for (int line = lang::FirstDeviceName; line <= lang::LastDeviceName; ++line)
                QCOMPARE(file.lines[line], german[line]);
            QVERIFY(file.lines[lang::ChannelWord].endsWith(QLatin1Char(' ')));
            QVERIFY(file.lines[lang::SensorWord].endsWith(QLatin1Char(' ')));
            QVERIFY(file.lines[lang::StartCaption] != file.lines[lang::StopCaption]);
            QVERIFY(!file.lines[lang::CloseWithoutSaving].isEmpty());
        }
    }

    void theDefaultSettingsHoldTheFullLayoutWithValidTokens() {
        const QStringList lines = shipped("Vantoria.ini").lines;
        QCOMPARE(lines.size(), 44);
        QCOMPARE(lines[1], QStringLiteral("DE"));
        QCOMPARE(lines[7], QStringLiteral("Auto"));
        for (int line : {11, 13, 15, 17})
            QCOMPARE(ChannelPositions::cornerOfToken(lines[line]), (line - 9) / 2);
        QCOMPARE((QStringList{lines[3], lines[5], lines[23], lines[41]}),
                 (QStringList{"NO", "YES", "YES", "YES"}));
        QCOMPARE(lines[21], QString());                       // no custom file
        QCOMPARE(lines[25], shipped("German.txt").lines[19]); // the type the simulated amplifier answers
        QCOMPARE(lines[37], QStringLiteral("2.00"));
        QCOMPARE(lines[39], QStringLiteral("10"));
        QCOMPARE(lines[42], QStringLiteral("ReservedComPorts:"));
        for (int line = 0; line < 42; line += 2)
            QVERIFY2(lines[line].startsWith(QLatin1Char(';')), qPrintable(lines[line]));
    }
};

QTEST_MAIN(TestShippedFiles)
#include "test_shipped_files.moc"
