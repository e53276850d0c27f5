// The settings file: start-up, loading into the controls, saving, custom files and failures.

#include "Testing.h"
#include "settings/ChannelPositions.h"
#include <QLocale>

using textfile::Codec;

namespace {
const char* const InstalledFiles[] = {"Vantoria.ini", "German.txt", "English.txt", "Italian.txt",
                                      "KELVARA.url"};
QStringList settingsLines() { return readLines(QStringLiteral("Vantoria.ini")); }
textfile::Document shipped(const char* name) {
    return textfile::decode(shippedFile(QString::fromLatin1(name)));
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void aFirstStartInstallsTheShippedFilesAndSavesThemUnchanged() {
        TestWindow w;
        for (const char* name : {"Vantoria.ini", "German.txt", "English.txt", "Italian.txt"})
            QCOMPARE(readFile(QString::fromLatin1(name)), shippedFile(QString::fromLatin1(name)));
        QCOMPARE(w.dialogs.errors + w.dialogs.questions, QStringList());
        QCOMPARE((QStringList{w.edit("editKFactor")->text(),
                              w.control<QComboBox>("comboDeviceSelect")->currentText()}),
                 (QStringList{"2.00", "AMP4-P"}));
        QVERIFY(w.button("btnGerman")->isChecked());
        w.window->settings().SaveToActiveFile();
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")), shippedFile(QStringLiteral("Vantoria.ini")));
        // Leaving the settings page saves them.
        QTabWidget* pages = w.control<QTabWidget>("tabSystem");
        pages->setCurrentWidget(w.control("tabSettings"));
        w.button("btnEnglish")->setChecked(true);
        QCOMPARE(settingsLines().value(1), QStringLiteral("DE")); // nothing saved yet
        pages->setCurrentWidget(w.control("tabGraph"));
        QCOMPARE(settingsLines().value(1) + QLatin1Char(' ') + pages->tabText(0),
                 QStringLiteral("EN Main view"));
        w.button("btnItalian")->setChecked(true);
        pages->setCurrentWidget(w.control("tabMainView")); // from another page: no save
        QCOMPARE(settingsLines().value(1), QStringLiteral("EN"));
    }

    void aNewSettingsFileSpeaksTheDesktopsLanguage() {
        const struct {
            const char* desktop;
            bool existing; // a German file is there already, and wins
            const char* chosen;
        } cases[] = {{"it_IT", false, "btnItalian"},
                     {"de_CH", false, "btnGerman"},
                     {"fr_FR", false, "btnEnglish"},
                     {"it_IT", true, "btnGerman"}};
        const QLocale desktop;
        for (const auto& c : cases) {
            QFile::remove(QStringLiteral("Vantoria.ini"));
            if (c.existing)
                writeFile(QStringLiteral("Vantoria.ini"), shippedFile(QStringLiteral("Vantoria.ini")));
            QLocale::setDefault(QLocale(QString::fromLatin1(c.desktop)));
            TestWindow w;
            QLocale::setDefault(desktop);
            QVERIFY2(w.button(QString::fromLatin1(c.chosen))->isChecked(), c.desktop);
        }
    }

    void aFileOverOneMebibyteIsReadWholeAndItsLongLineKept() { // regression: cut and "completed"
        QStringList lines = settingsLayout();
        lines[27] = QString(1100000, QLatin1Char('M'));
        lines[37] = QStringLiteral("1.234");
        writeSettingsFile(lines);
        for (const QString& machine : {QString(), QStringLiteral("Presse 3")}) {
            TestWindow w;
            QCOMPARE(w.edit("editKFactor")->text(), QStringLiteral("1.234"));
            QCOMPARE(w.dialogs.notices.filter(QStringLiteral(" 28)")).size(), 1);
            if (!machine.isEmpty())
                w.edit("editMachine")->setText(machine); // a changed field is written
            QVERIFY(w.window->FormClose());
            QCOMPARE(settingsLines().value(27), machine.isEmpty() ? lines[27] : machine);
        }
    }

    // Saving or loading a custom file names it on line 21 of the default file, so the next start opens it.
    void aCustomFileIsNamedOnLine21AndTheNextStartOpensIt() {
        freshFolder(); // no machine on the default file's line 27, so a load that falls back to it shows
        writeSettingsWith({{21, "presse7.ini"}, {27, "Presse 7"}},
                          QStringLiteral("presse7.ini")); // as the program saves custom files
        {
            TestWindow w;
            const QStringList original = settingsLines();
            w.edit("editMachine")->setText(QStringLiteral("Presse 3"));
            w.control<QComboBox>("comboDeviceSelect")->setCurrentText(QStringLiteral("AMP4-L"));
            w.dialogs.saveAnswers = {QStringLiteral("werkzeug.txt")};
            w.window->btnSaveCustomSettingsClick();
            QCOMPARE(w.dialogs.saveRequests.last().filter, QStringLiteral("Setup (*.ini)|*.INI"));
            const QString custom = QStringLiteral("werkzeug.txt.ini"); // only a last "i" keeps the name
            const QStringList customLines = readLines(custom);
            QCOMPARE((QStringList{customLines.value(21), customLines.value(27)}),
                     (QStringList{custom, "Presse 3"}));
            QStringList expectedDefault = original;
            expectedDefault[21] = custom;
            QCOMPARE(settingsLines(), expectedDefault);
            // The lines in memory are the custom file's, so the device box keeps the device chosen for it.
            QCOMPARE(w.window->settings().lines(), customLines);
            QCOMPARE(w.control<QComboBox>("comboDeviceSelect")->currentText(), QStringLiteral("AMP4-L"));

            // A name ending in i is taken as it stands; a cancelled dialog and a failed load change nothing.
            w.dialogs.saveAnswers = {QStringLiteral("setupi"), std::nullopt};
            w.window->btnSaveCustomSettingsClick();
            QVERIFY(QFile::exists(QStringLiteral("setupi")));
            w.window->btnSaveCustomSettingsClick();
            QCOMPARE(w.dialogs.errors, QStringList());
            w.dialogs.openAnswers = {QStringLiteral("gone.ini"), QStringLiteral("presse7.ini")};
            w.window->btnLoadCustomSettingsClicked();
            QCOMPARE(w.dialogs.errors.size(), 1);
            QVERIFY2(w.dialogs.errors[0].contains(QStringLiteral("\"gone.ini\"")),
                     qPrintable(w.dialogs.errors[0]));
            QCOMPARE(w.edit("editMachine")->text() + settingsLines().value(21),
                     QStringLiteral("Presse 3setupi"));
            w.window->btnLoadCustomSettingsClicked();
            QCOMPARE(w.edit("editMachine")->text() + settingsLines().value(21),
                     QStringLiteral("Presse 7presse7.ini"));
        }
        TestWindow next;
        QCOMPARE(next.edit("editMachine")->text(), QStringLiteral("Presse 7"));
        // What is typed while the custom file is active survives the next start.
        next.edit("editMachine")->setText(QStringLiteral("Presse 8"));
        QVERIFY(next.window->FormClose());
        TestWindow third;
        QCOMPARE(third.edit("editMachine")->text(), QStringLiteral("Presse 8"));
    }

    void tokensAreComparedExactlyMissesFallBackAndPositionsStayAPermutation() {
        QStringList lines = settingsLayout();
        for (const auto& [line, text] :
             {std::pair{1, "FR"}, {3, "yes"}, {5, "NO"}, {7, "Manual"}, {17, "topleft"}, {23, "NO"}})
            lines[line] = QString::fromLatin1(text);
        writeSettingsFile(lines);
        TestWindow w;
        QVERIFY(w.button("btnOtherLanguage")->isChecked());
        QVERIFY(w.button("btnTons")->isChecked());
        for (const char* name : {"editSensor32", "labelSensor41", "editKFactor"})
            QVERIFY2(w.control(QString::fromLatin1(name))->isHidden(), name);
        QVERIFY(!w.edit("editTolerance")->isHidden());
        const auto unitSearchAndPoll = [&] {
            return QStringLiteral("%1 %2 %3")
                .arg(w.label("labelUnitTons")->text())
                .arg(w.state.portSearchStep)
                .arg(w.state.pollMode);
        };
        QCOMPARE(unitSearchAndPoll(), QStringLiteral("tons 1 1"));
        QCOMPARE(w.window->positions().checkedCorner(4), int(PositionBottomRight)); // "topleft" is no corner
        const int tonsLeft = w.label("labelUnitTons")->x();

        // "Auto" sets the automatic search but leaves the radio buttons; the next save writes Manual again.
        lines[7] = QStringLiteral("Auto");
        writeSettingsFile(lines);
        w.window->settings().LoadSettings(TargetDefault);
        QCOMPARE(w.state.portSearchStep, 2);
        QVERIFY(w.button("btnManualPortSelect")->isChecked());
        w.button("btnShowSingleValue")->setChecked(true);
        w.button("btnUStons")->setChecked(true);
        w.window->settings().SaveToActiveFile();
        QVERIFY(!w.edit("editSensor32")->isHidden());
        QCOMPARE(unitSearchAndPoll(), QStringLiteral("UStons 1 2"));
        QCOMPARE_LT(w.label("labelUnitTons")->x(), tonsLeft); // the longer caption moves left
        const QStringList saved = settingsLines();
        QCOMPARE((QStringList{saved[1], saved[3], saved[5], saved[7]}),
                 (QStringList{"OTHER", "YES", "YES", "Manual"}));
        for (int line : {11, 13, 15, 17})
            lines[line] = QStringLiteral("TopLeft"); // one corner named four times
        writeSettingsFile(lines);
        w.window->settings().LoadSettings(TargetDefault);
        for (int channel = 1; channel <= 4; ++channel) // the buttons as the state says
            QCOMPARE(w.window->positions().checkedCorner(channel), w.state.channelPosition[channel - 1]);
        QCOMPARE(w.state.channelPosition, (std::array<std::int32_t, 4>{2, 3, 4, 1}));
    }

    void reservedPortsAreParsedEntryByEntry() {
        using P = QList<std::int32_t>;
        QCOMPARE(SettingsFile::ParseReservedPorts(QStringLiteral("3,,  7,COM5,0,-2")), (P{3, 7, -2}));
        QCOMPARE(SettingsFile::ParseReservedPorts(QString()), P{});
        QCOMPARE(SettingsFile::ParseReservedPorts(QStringLiteral("12")), P{12});
        QCOMPARE(SettingsFile::ParseReservedPorts(QStringLiteral("5\r6,\n7,+8x,")), (P{5, 6, 7, 8}));
        QCOMPARE(SettingsFile::reservedPortsText({1, 3}), QStringLiteral("1,3,"));

        writeSettingsWith({{43, "3,7,"}});
        TestWindow w;
        QCOMPARE(w.state.reservedPorts, (P{3, 7}));
        w.window->settings().LoadSettings(TargetDefault); // every load adds the numbers again
        QCOMPARE(w.state.reservedPorts, (P{3, 7, 3, 7}));
        // Every save and load restarts the session at the connect state.
        w.state.sessionState = 8;
        w.state.stateTick = 40;
        w.window->settings().SaveToActiveFile();
        QCOMPARE((QList<int>{w.state.sessionState, int(w.state.stateTick)}), (QList<int>{StateConnect, 0}));
        QVERIFY(w.window->timerDeviceCom().isActive());
        w.window->timerDeviceCom().stop();
        w.state.sessionState = 1;
        w.window->settings().LoadSettings(TargetDefault);
        QCOMPARE(w.state.sessionState, 2);
        QVERIFY(w.window->timerDeviceCom().isActive());
    }

    void aStartWhereNoFileCanBeWrittenSaysSoOnceAndLeavesNoEmptyFiles() { // regression: five boxes, and
        SKIP_ON_WINDOWS("a folder without write permission");
        // empty files that the next start took for damaged ones
        for (const char* name : InstalledFiles)
            QFile::remove(QLatin1String(name));
        std::optional<DiskFull> full(std::in_place);
        TestWindow w;
        full.reset();
        QCOMPARE_GE(w.dialogs.errors.size(), 1);
        for (const char* name : InstalledFiles) {
            QVERIFY2(w.dialogs.errors[0].contains(QLatin1String(name)), name);
            QVERIFY2(!QFile::exists(QLatin1String(name)), name);
        }
        QCOMPARE(w.window->settings().lines(), SettingsFile::shippedLines()); // the built-in settings
    }

    void aFailedSaveIsReportedOnceKeepsTheFileAndRestartsTheDeviceTimer() {
        SKIP_ON_WINDOWS("a full disk");
        TestWindow w;
        const QByteArray before = readFile(QStringLiteral("Vantoria.ini"));
        w.edit("editMachine")->setText(QStringLiteral("lost?"));
        {
            DiskFull full;
            w.window->settings().SaveToActiveFile();
        }
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")),
                 before); // regression: a write failed only at commit
        QCOMPARE(QDir().entryList({"Vantoria.ini*"}, QDir::Files),
                 QStringList{"Vantoria.ini"}); // no temporary
        QVERIFY(w.window->timerDeviceCom().isActive());
        // Regression: after a failed custom save every later save reported the missing folder.
        w.dialogs.saveAnswers = {QStringLiteral("no/such/folder/setup.ini")};
        w.window->btnSaveCustomSettingsClick();
        QCOMPARE(w.window->settings().line(21), QString());
        w.window->settings().SaveToActiveFile();
        QCOMPARE(w.dialogs.errors.size(), 2);
        QVERIFY2(w.dialogs.errors[0].contains(QStringLiteral("Vantoria.ini")),
                 qPrintable(w.dialogs.errors[0]));
    }

    void anUnreadableCustomFileIsReportedAndTheDefaultLinesStandIn() {
        writeSettingsWith({{21, "gone/away.ini"}, {27, "from the default file"}});
        {
            TestWindow w; // the user keeps the custom file
            QCOMPARE(w.dialogs.questions.size(), 1);
            QVERIFY2(w.dialogs.questions[0].contains(QStringLiteral("gone/away.ini")),
                     qPrintable(w.dialogs.questions[0]));
            QCOMPARE(w.edit("editMachine")->text(), QStringLiteral("from the default file"));
        }
        {
            TestWindow again([](ScriptedDialogs& d) { d.yesNoAnswers = {true}; }); // now it goes back
            QCOMPARE(again.dialogs.questions.size(), 1);
        }
        QCOMPARE(settingsLines().value(21), QString());
        TestWindow third;
        QCOMPARE(third.dialogs.questions + third.dialogs.errors, QStringList());
        QCOMPARE(third.edit("editMachine")->text(), QStringLiteral("from the default file"));
    }

    void aSettingsFileCutShortIsCompletedAndADamagedOneSetAside() {
        writeFile(QStringLiteral("Vantoria.ini"), QByteArray());
        {
            TestWindow empty;
            QCOMPARE(settingsLines(), settingsLayout());
            QCOMPARE(empty.dialogs.notices.size(), 1);
            QVERIFY(!empty.edit("editTolerance")->isHidden()); // the shown fields of the defaults
        }
        writeSettingsFile(settingsLayout().mid(0, 40)); // short, but past the lines a start needs
        {
            TestWindow forty;
            QVERIFY(forty.edit("editTolerance")->isHidden()); // line 41 missing reads as "not YES"
            QVERIFY(forty.state.reservedPorts.isEmpty());
            forty.window->settings().SaveToActiveFile();
            QCOMPARE(settingsLines().size(), 40);
        }
        QStringList ten = settingsLayout().mid(0, 10);
        ten[1] = QStringLiteral("EN");
        writeSettingsFile(ten);
        {
            TestWindow shortFile;
            QCOMPARE(settingsLines(), ten + settingsLayout().mid(10));
            QVERIFY(shortFile.button("btnEnglish")->isChecked());
        }
        const QByteArray garbage("\x7F\x45\x4C\x46\x02\x01\x01\0\0\0\x03\0line21", 19);
        writeFile(QStringLiteral("Vantoria.ini"), garbage);
        TestWindow damaged;
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini.damaged")), garbage);
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")), shippedFile(QStringLiteral("Vantoria.ini")));
        QCOMPARE(damaged.dialogs.notices.size() + damaged.dialogs.errors.size(), 1);
        QCOMPARE(damaged.button("btnMeasurement")->text(), QStringLiteral("START"));
    }

    // Settings, language and log files: encodings, line ends and atomic writes.
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

    void bytesThatAreNotUtf8AreWindows1252AndWhatItCannotHoldIsWrittenAsUtf8() {
        // "ä µ ²" as an old settings file holds them, and the euro sign from the range Latin-1 lacks.
        const QByteArray bytes("\xE4 \xB5 \xB2 \x80\r\n");
        textfile::Document document = textfile::decode(bytes);
        QCOMPARE(document.encoding.codec, Codec::Windows1252);
        QCOMPARE(document.lines, QStringList{QString::fromUtf8("ä µ ² €")});
        QCOMPARE(textfile::encode(document.lines, document.encoding), bytes);
        document.lines << QString::fromUtf8("Sensor 1.1 [µε]"); // no ε in Windows-1252: not lost
        const QByteArray widened = textfile::encode(document.lines, document.encoding);
        QVERIFY(widened.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(textfile::decode(widened).lines, document.lines);
        // Any line end ends a line, and no empty line follows the last end.
        QCOMPARE(textfile::decode("a\r\nb\rc\nd").lines, (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(textfile::decode("a\r\n\r\n").lines, (QStringList{"a", ""}));
        QCOMPARE(textfile::decode("\n\r").lines, (QStringList{"", ""}));
        QVERIFY(textfile::decode("").lines.isEmpty());
        QCOMPARE(textfile::encode({"a", ""}, {}), QByteArray("a\r\n\r\n"));
    }

    // A save gives a channel left without a corner the first free one: top left included, bottom right
    // when the other channels hold the rest.
    void aChannelWithoutACornerGetsTheFirstFreeOne() {
        freshFolder();
        TestWindow w;
        const ChannelPositions& rule = w.window->positions();
        for (int channel : {1, 4}) { // shipped at corners 1 and 4, top left and bottom right
            rule.button(channel, channel)->setAutoExclusive(false);
            rule.button(channel, channel)->setChecked(false);
            QCOMPARE(rule.checkedCorner(channel), int(PositionNone));
            w.window->settings().SaveToActiveFile();
            QCOMPARE(rule.checkedCorner(channel), channel);
        }
    }

    // The settings and language files the program installs on its first start. A language file is read by
    // line number, so every language must hold a text, a number or nothing on the same lines as German.
    void theShippedFilesAgreeLineByLineAndOnTheDeviceNames() {
        const auto kind = [](const QString& line) {
            bool number = false;
            line.toInt(&number);
            return number ? 'n' : line.trimmed().isEmpty() ? ' ' : 't';
        };
        const QStringList german = shipped("German.txt").lines;
        QCOMPARE(german.size(), lang::LineCount);
        for (const char* name : {"German.txt", "English.txt", "Italian.txt"}) {
            const textfile::Document file = shipped(name);
            QVERIFY(file.encoding.byteOrderMark);
            QCOMPARE(file.lines.size(), german.size());
            for (int line = 0; line < german.size(); ++line)
                QVERIFY2(
                    kind(file.lines[line]) == kind(german[line]) &&
                        (line < lang::FirstDeviceName || line > lang::LastDeviceName ||
                         file.lines[line] == german[line]),
                    qPrintable(QStringLiteral("%1 line %2: %3").arg(name).arg(line).arg(file.lines[line])));
            QVERIFY(file.lines[lang::ChannelWord].endsWith(' ') &&
                    file.lines[lang::SensorWord].endsWith(' '));
            QVERIFY(file.lines[lang::StartCaption] != file.lines[lang::StopCaption]);
        }
        // The default settings: the layout, the reserved ports marker, a device the language files name.
        const QStringList lines = settingsLayout();
        QCOMPARE(lines.size(), 44);
        for (int line = 0; line < 42; line += 2)
            QVERIFY2(lines[line].startsWith(QLatin1Char(';')), qPrintable(lines[line]));
        QVERIFY(shipped("German.txt").lines.mid(lang::FirstDeviceName, 5).contains(lines[25]));
        QCOMPARE(lines[42],
                 QLatin1String(SettingsFile::ReservedPortsMarker)); // as a reserved-port save writes it
    }
};

QTEST_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
