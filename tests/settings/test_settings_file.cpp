// The settings file: start-up, loading into the controls, saving, custom files and failures.

#include "Testing.h"
#include "settings/ChannelPositions.h"
#include <QLocale>

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void aFirstStartInstallsTheShippedFilesAndSavesThemUnchanged() {
        TestWindow w;
        for (const char* name : {"Vantoria.ini", "German.txt", "English.txt", "Italian.txt"})
            QCOMPARE(readFile(QString::fromLatin1(name)), shippedFile(QString::fromLatin1(name)));
        QVERIFY2(w.dialogs.errors.isEmpty(), qPrintable(w.dialogs.errors.join('\n')));
        QCOMPARE(w.edit("editKFactor")->text(), QStringLiteral("2.00"));
        QCOMPARE(w.control<QComboBox>("comboDeviceSelect")->currentText(), QStringLiteral("AMP4-P"));
        QVERIFY(w.button("btnGerman")->isChecked());
        w.window->settings().SaveToActiveFile();
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")), shippedFile(QStringLiteral("Vantoria.ini")));
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
            QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(27),
                     machine.isEmpty() ? lines[27] : machine);
        }
    }

    void aCustomFileIsNamedOnLine21OfBothFiles() {
        TestWindow w;
        const QStringList original = readLines(QStringLiteral("Vantoria.ini"));
        w.edit("editMachine")->setText(QStringLiteral("Presse 3"));
        w.control<QComboBox>("comboDeviceSelect")->setCurrentText(QStringLiteral("AMP4-L"));
        w.dialogs.saveAnswers = {QStringLiteral("werkzeug.txt")};
        w.window->btnSaveCustomSettingsClick();
        QCOMPARE(w.dialogs.saveRequests.last().filter, QStringLiteral("Setup (*.ini)|*.INI"));
        const QString custom = QStringLiteral("werkzeug.txt.ini"); // only a last "i" keeps the name
        const QStringList customLines = readLines(custom);
        QCOMPARE(customLines.value(21), custom);
        QCOMPARE(customLines.value(27), QStringLiteral("Presse 3"));
        QStringList expectedDefault = original;
        expectedDefault[21] = custom;
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")), expectedDefault);
        // The lines in memory are the custom file's, so the device box keeps the device chosen for it.
        QCOMPARE(w.window->settings().lines(), customLines);
        QCOMPARE(w.control<QComboBox>("comboDeviceSelect")->currentText(), QStringLiteral("AMP4-L"));

        // Loading the custom file again brings its values back.
        w.edit("editMachine")->setText(QStringLiteral("changed"));
        w.dialogs.openAnswers = {custom};
        w.window->btnLoadCustomSettingsClicked();
        QCOMPARE(w.edit("editMachine")->text(), QStringLiteral("Presse 3"));

        // A name ending in i is taken as it stands; a cancelled dialog changes nothing.
        w.dialogs.saveAnswers = {QStringLiteral("setupi"), std::nullopt};
        w.window->btnSaveCustomSettingsClick();
        QVERIFY(QFile::exists(QStringLiteral("setupi")));
        w.window->btnSaveCustomSettingsClick();
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(21), QStringLiteral("setupi"));
        QVERIFY(w.dialogs.errors.isEmpty());
    }

    void aShortFileLoadsEmptyValuesAndKeepsItsLength() {
        writeSettingsFile(settingsLayout().mid(0, 40));
        TestWindow w;
        QVERIFY(w.edit("editTolerance")->isHidden()); // line 41 missing reads as "not YES"
        QVERIFY(w.state.reservedPorts.isEmpty());
        w.window->settings().SaveToActiveFile();
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).size(), 40);
    }

    void tokensAreComparedExactlyAndMissesFallBack() {
        QStringList lines = settingsLayout();
        lines[1] = QStringLiteral("FR");
        lines[3] = QStringLiteral("yes");
        lines[7] = QStringLiteral("Manual");
        writeSettingsFile(lines);
        TestWindow w;
        QVERIFY(w.button("btnOtherLanguage")->isChecked());
        QVERIFY(w.button("btnTons")->isChecked());
        QCOMPARE(w.label("labelUnitTons")->text(), QStringLiteral("tons"));
        QCOMPARE(w.state.portSearchStep, 1);

        // "Auto" sets the automatic search but leaves the radio buttons; the next save writes Manual again.
        lines[7] = QStringLiteral("Auto");
        writeSettingsFile(lines);
        w.window->settings().LoadSettings(TargetDefault);
        QCOMPARE(w.state.portSearchStep, 2);
        QVERIFY(w.button("btnManualPortSelect")->isChecked());
        w.window->settings().SaveToActiveFile();
        const QStringList saved = readLines(QStringLiteral("Vantoria.ini"));
        QCOMPARE(saved[7], QStringLiteral("Manual"));
        QCOMPARE(saved[1], QStringLiteral("OTHER"));
        QCOMPARE(saved[3], QStringLiteral("NO"));
        QCOMPARE(w.state.portSearchStep, 1);
    }

    void viewOptionsAndTheTonsChoiceFollowTheirLines() {
        QStringList lines = settingsLayout();
        lines[3] = QStringLiteral("YES");
        lines[5] = QStringLiteral("NO");
        lines[23] = QStringLiteral("NO");
        writeSettingsFile(lines);
        TestWindow w;
        QVERIFY(w.edit("editSensor32")->isHidden());
        QVERIFY(w.label("labelSensor41")->isHidden());
        QCOMPARE(w.state.pollMode, 1);
        QVERIFY(w.edit("editKFactor")->isHidden());
        QVERIFY(!w.edit("editTolerance")->isHidden());
        QCOMPARE(w.label("labelUnitTons")->text(), QStringLiteral("UStons"));
        const int usTonsLeft = w.label("labelUnitTons")->x();

        w.button("btnShowSingleValue")->setChecked(true);
        w.button("btnTons")->setChecked(true);
        w.window->settings().SaveToActiveFile();
        QVERIFY(!w.edit("editSensor32")->isHidden());
        QCOMPARE(w.state.pollMode, 2);
        QVERIFY(w.label("labelUnitTons")->x() > usTonsLeft); // the shorter caption moves right
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).mid(3, 3), (QStringList{"NO", lines[4], "YES"}));
    }

    void positionLinesThatNameOneCornerTwiceStillGiveAPermutation() {
        QStringList lines = settingsLayout();
        for (int line : {11, 13, 15, 17})
            lines[line] = QStringLiteral("TopLeft");
        writeSettingsFile(lines);
        TestWindow w;
        const ChannelPositions& positions = w.window->positions();
        QCOMPARE(positions.checkedCorner(1), int(PositionTopRight));
        QCOMPARE(positions.checkedCorner(2), int(PositionBottomLeft));
        QCOMPARE(positions.checkedCorner(3), int(PositionBottomRight));
        QCOMPARE(positions.checkedCorner(4), int(PositionTopLeft));
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
        QCOMPARE(w.state.reservedPortsText, QStringLiteral("3,7,"));
    }

    void leavingTheSettingsPageSavesTheSettings() {
        TestWindow w;
        QTabWidget* pages = w.control<QTabWidget>("tabSystem");
        pages->setCurrentWidget(w.control("tabSettings"));
        w.button("btnEnglish")->setChecked(true);
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(1),
                 QStringLiteral("DE")); // nothing saved yet
        pages->setCurrentWidget(w.control("tabGraph"));
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(1), QStringLiteral("EN"));
        QCOMPARE(pages->tabText(0), QStringLiteral("Main view")); // and the language was applied
        w.button("btnItalian")->setChecked(true);
        pages->setCurrentWidget(w.control("tabMainView")); // from another page: no save
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(1), QStringLiteral("EN"));
    }

    void everySaveAndLoadRestartsTheSessionAtTheConnectState() {
        TestWindow w;
        w.state.sessionState = 8;
        w.state.stateTick = 40;
        w.window->settings().SaveToActiveFile();
        QCOMPARE(w.state.sessionState, 2);
        QCOMPARE(w.state.stateTick, 0u);
        QVERIFY(w.window->timerDeviceCom().isActive());
        w.window->timerDeviceCom().stop();
        w.state.sessionState = 1;
        w.window->settings().LoadSettings(TargetDefault);
        QCOMPARE(w.state.sessionState, 2);
        QVERIFY(w.window->timerDeviceCom().isActive());
    }

    void aStartWhereNoFileCanBeWrittenSaysSoOnceAndLeavesNoEmptyFiles() { // regression: five boxes, and
        // empty files that the next start took for damaged ones
        for (const char* name : {"Vantoria.ini", "German.txt", "English.txt", "Italian.txt", "KELVARA.url"})
            QFile::remove(QLatin1String(name));
        std::unique_ptr<TestWindow> w;
        {
            DiskFull full;
            w = std::make_unique<TestWindow>();
        }
        QVERIFY(w->dialogs.errors.size() >= 1);
        for (const char* name : {"Vantoria.ini", "German.txt", "English.txt", "Italian.txt", "KELVARA.url"}) {
            QVERIFY2(w->dialogs.errors[0].contains(QLatin1String(name)), name);
            QVERIFY2(!QFile::exists(QLatin1String(name)), name);
        }
        QCOMPARE(w->window->settings().lines(), SettingsFile::shippedLines()); // the built-in settings
    }

    void aFailedSaveIsReportedKeepsTheFileAndRestartsTheDeviceTimer() {
        TestWindow w;
        const QByteArray before = readFile(QStringLiteral("Vantoria.ini"));
        w.edit("editMachine")->setText(QStringLiteral("lost?"));
        {
            DiskFull full;
            w.window->settings().SaveToActiveFile();
        }
        QCOMPARE(w.dialogs.errors.size(), 1);
        QVERIFY(w.dialogs.errors[0].contains(QStringLiteral("Vantoria.ini")));
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")), before);
        QVERIFY(w.window->timerDeviceCom().isActive());
    }

    void anUnreadableCustomFileIsReportedAndTheDefaultLinesStandIn() {
        writeSettingsWith({{21, "gone/away.ini"}, {27, "from the default file"}});
        {
            TestWindow w; // the user keeps the custom file
            QCOMPARE(w.dialogs.questions.size(), 1);
            QVERIFY(w.dialogs.questions[0].contains(QStringLiteral("gone/away.ini")));
            QCOMPARE(w.edit("editMachine")->text(), QStringLiteral("from the default file"));
        }
        {
            TestWindow again([](ScriptedDialogs& d) { d.yesNoAnswers = {true}; }); // now it goes back
            QCOMPARE(again.dialogs.questions.size(), 1);
        }
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(21), QString());
        TestWindow third;
        QVERIFY(third.dialogs.questions.isEmpty() && third.dialogs.errors.isEmpty());
        QCOMPARE(third.edit("editMachine")->text(), QStringLiteral("from the default file"));
    }

    void aFailedCustomSaveLeavesNoDeadPath() { // regression: every later save reported the missing folder
        TestWindow w;
        w.dialogs.saveAnswers = {QStringLiteral("no/such/folder/setup.ini")};
        w.window->btnSaveCustomSettingsClick();
        QCOMPARE(w.dialogs.errors.size(), 1);
        QCOMPARE(w.window->settings().line(21), QString());
        w.window->settings().SaveToActiveFile();
        QCOMPARE(w.dialogs.errors.size(), 1);
    }

    void aSettingsFileCutShortIsCompletedAndADamagedOneSetAside() {
        writeFile(QStringLiteral("Vantoria.ini"), QByteArray());
        {
            TestWindow empty;
            QCOMPARE(readLines(QStringLiteral("Vantoria.ini")), settingsLayout());
            QCOMPARE(empty.dialogs.notices.size(), 1);
            QVERIFY(!empty.edit("editTolerance")->isHidden()); // the shown fields of the defaults
        }
        QStringList ten = settingsLayout().mid(0, 10);
        ten[1] = QStringLiteral("EN");
        writeSettingsFile(ten);
        {
            TestWindow shortFile;
            QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).mid(0, 10), ten);
            QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).size(), settingsLayout().size());
            QVERIFY(shortFile.button("btnEnglish")->isChecked());
        }
        const QByteArray garbage("\x7F\x45\x4C\x46\x02\x01\x01\0\0\0\x03\0line21", 19);
        writeFile(QStringLiteral("Vantoria.ini"), garbage);
        TestWindow damaged;
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini.damaged")), garbage);
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")), shippedFile(QStringLiteral("Vantoria.ini")));
        QCOMPARE(damaged.dialogs.notices.size(), 1);
        QVERIFY(damaged.dialogs.errors.isEmpty());
        QCOMPARE(damaged.button("btnMeasurement")->text(), QStringLiteral("START"));
    }

    void aLoadedCustomFileIsRecordedSoTheNextStartOpensIt() {
        writeSettingsWith({{21, "presse7.ini"}, {27, "Presse 7"}},
                          QStringLiteral("presse7.ini")); // as the program saves custom files
        {
            TestWindow w;
            w.dialogs.openAnswers = {QStringLiteral("presse7.ini")};
            w.window->btnLoadCustomSettingsClicked();
            QCOMPARE(w.edit("editMachine")->text(), QStringLiteral("Presse 7"));
            QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(21), QStringLiteral("presse7.ini"));
        }
        TestWindow next;
        QCOMPARE(next.edit("editMachine")->text(), QStringLiteral("Presse 7"));
        next.dialogs.openAnswers = {QStringLiteral("gone.ini")}; // a failed load changes nothing
        next.window->btnLoadCustomSettingsClicked();
        QCOMPARE(next.dialogs.errors.size(), 1);
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(21), QStringLiteral("presse7.ini"));
        QCOMPARE(next.edit("editMachine")->text(), QStringLiteral("Presse 7"));
        // What is typed while the custom file is active survives the next start.
        next.edit("editMachine")->setText(QStringLiteral("Presse 8"));
        QVERIFY(next.window->FormClose());
        TestWindow third;
        QCOMPARE(third.edit("editMachine")->text(), QStringLiteral("Presse 8"));
    }
};

QTEST_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
