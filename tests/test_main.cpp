// The main window as the constructor leaves it, the clock, the status slots and closing the window.

#include "Testing.h"
#include "app/UserFolder.h"

#include <QUrl>

#include <tuple>

class TestMain : public QObject {
    Q_OBJECT

    QString start_; // every test's own working folder, given back afterwards

private slots:
    void init() {
        start_ = QDir::currentPath();
        freshFolder();
    }
    void cleanup() { QVERIFY(QDir::setCurrent(start_)); }

    void everyValueDisplayStartsAtTheErrorText() {
        TestWindow w;
        QStringList displays = {"editMainValue", "editMainValueKN", "editMainValueTons",
                                "editMainValueBigView"};
        for (int n = 1; n <= 4; ++n)
            displays << numbered("editChannel%1", n) << numbered("editChannel%1BigView", n)
                     << sensorControl("editSensor", n, 1) << sensorControl("editSensor", n, 2);
        for (const QString& name : displays) {
            QCOMPARE(w.edit(name)->text(), QStringLiteral("E01"));
            QVERIFY2(!w.edit(name)->isEnabled(), qPrintable(name));
        }
        for (const QString name : {"editChannel3", "editSensor42", "editMainValue", "editChannel2BigView"})
            QCOMPARE(controls::background(w.edit(name)), controls::windowTextColour());
        QCOMPARE(w.state.readingText[14], QStringLiteral("E01"));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Vantoria 4.0.3"));
        QCOMPARE(w.control<QTabWidget>("tabSystem")->currentWidget()->objectName(),
                 QStringLiteral("tabMainView"));
    }

    void loadingTheSettingsStartsTheDeviceTimer() {
        CSerial port;
        ProgramState state;
        ScriptedDialogs dialogs;
        TfrmMain window(port, state, dialogs);
        QVERIFY(window.timerDeviceCom().isActive());
        QVERIFY(window.timerClock().isActive());
        QVERIFY(!window.timerGraph().isActive());
    }

    void theClockTheStatusSlotsAndTheSessionStateWriteTheirLines() {
        TestWindow w;
        w.memo("memoLanguageObjects")->setPlainText(QStringLiteral("zero\none\ntwo\nthree"));
        w.window->setClockSource([] { return QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3)); });
        // Toggle 0 -> 1: the notice stays; 1 -> 0: cleared. One put in right after the clearing tick survives
        // one more tick.
        QStringList seen;
        for (int tick = 0; tick < 4; ++tick, seen << w.statusLine(2)) {
            if (tick % 2 == 0)
                w.window->SetProgramStateText(2, 3);
            w.window->timerClockTimer();
        }
        QCOMPARE(seen, (QStringList{"three", "", "three", ""}));
        QCOMPARE(w.state.programStateTextIndex[1], 0);
        QCOMPARE(w.label("labelTime")->text() + QLatin1Char(' ') + w.label("labelDate")->text(),
                 QStringLiteral("09:05:03 07.03.2026")); // leading zeros

        for (int slot = 1; slot <= 3; ++slot)
            w.window->SetProgramStateText(slot, slot);
        QCOMPARE((QStringList{w.statusLine(0), w.statusLine(2), w.statusLine(4)}),
                 (QStringList{"one", "two", "three"}));
        w.window->SetProgramStateText(3, 0); // empties the line; it does not show language line 0
        QCOMPARE(w.statusLine(4), QString());
        const QString before = w.memo("memoProgramState")->toPlainText();
        w.window->SetProgramStateText(4, 2); // no such slot
        QCOMPARE(w.memo("memoProgramState")->toPlainText(), before);
        QCOMPARE(w.state.programStateTextIndex, (std::array<std::int32_t, 3>{1, 2, 0}));

        // The session state line is written when its page shows, not on every tick while it is hidden.
        w.clickTab(QStringLiteral("tabGraph"));
        w.state.sessionState = StateMeasure;
        w.window->timerDeviceComTimer();
        QCOMPARE(w.statusLine(1), QString());
        w.clickTab(QStringLiteral("tabMainView"));
        QCOMPARE(w.statusLine(1), QString::number(StateMeasure));
    }

    void closingWritesOnlyTheFreeTextsKFactorAndTolerance() {
        // Other lines must survive byte for byte: odd spacing, an empty value, a Windows-1252 character.
        QStringList lines = settingsLayout();
        lines[0] = QStringLiteral("  Sprache (DE, EN, IT)  ");
        lines[33] = QStringLiteral("Größe\t");
        const QByteArray original = textfile::encode(lines, {textfile::Codec::Windows1252, false});
        writeFile(QStringLiteral("Vantoria.ini"), original);
        TestWindow w;
        QStringList expected = lines;
        for (const auto& [line, edit, text] : {std::tuple{27, "editMachine", "Presse 7"},
                                               {29, "editSerialNr", "SN-0815"},
                                               {31, "editComment", "Werkzeug B"},
                                               {37, "editKFactor", "2.10"},
                                               {39, "editTolerance", "7"}}) {
            w.edit(QString::fromLatin1(edit))->setText(QString::fromLatin1(text));
            expected[line] = QString::fromLatin1(text);
        }
        w.edit("editBarDiameter")->setText(QStringLiteral("140")); // not a settings line: not written
        QVERIFY(w.window->FormClose());
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")),
                 textfile::encode(expected, {textfile::Codec::Windows1252, false}));
    }

    void aFailedWriteOnCloseOffersToCloseWithoutSaving() {
        SKIP_ON_WINDOWS("a full disk");
        TestWindow w;
        const QByteArray before = readFile(QStringLiteral("Vantoria.ini"));
        w.edit("editMachine")->setText(QStringLiteral("changed"));
        {
            DiskFull full;
            w.dialogs.yesNoAnswers = {false};
            QVERIFY(!w.window->FormClose()); // the user keeps the window open
            w.dialogs.yesNoAnswers = {true};
            QVERIFY(w.window->FormClose()); // and may still end the program
        }
        QCOMPARE(w.dialogs.questions.size(), 2);
        QVERIFY(w.dialogs.questions[0].contains(QStringLiteral("Vantoria.ini")));
        QCOMPARE(readFile(QStringLiteral("Vantoria.ini")), before);
    }

    void theLogoSwitchesDebugModeOnlyForTheExactCode() {
        writeSettingsWith({{25, "welk5Tarn62"}}); // typed into the device box and saved before
        TestWindow w;
        const QStringList debugControls =
            names("memoSettings memoLanguageObjects labelLanguageFilePath "
                  "editLanguageFilePath memoCSV btnShowErrorInfo memoUSBCommunication "
                  "btnLogDataActive editDeviceComSpeed btnDeviceComSpeed");
        w.window->imageLogoSettingsClick();
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Vantoria 4.0.3 (DEBUG)"));
        QCOMPARE(w.label("labelSoftwareVersion")->text(), QStringLiteral("Version 4.0.3 (DEB)"));
        for (const QString& name : debugControls)
            QVERIFY2(!w.control(name)->isHidden(), qPrintable(name));
        QComboBox* device = w.control<QComboBox>("comboDeviceSelect");
        for (const QString wrong : {"welk5tarn62", "welk5Tarn62 "}) {
            device->setCurrentText(wrong);
            w.window->imageLogoSettingsClick();
            QCOMPARE(w.window->windowTitle(),
                     QStringLiteral("Vantoria 4.0.3.38")); // never "Vantoria 4.0.3" again
            QCOMPARE(w.label("labelSoftwareVersion")->text(), QStringLiteral("Version 4.0.3.38"));
            for (const QString& name : debugControls)
                QVERIFY2(w.control(name)->isHidden(), qPrintable(name));
        }
    }

    void theWebLabelOpensTheAddressOfTheShortcut() {
        TestWindow w;
        w.window->labelWebsiteClick(); // as installed on the first start
        QCOMPARE(w.dialogs.opened.size(), 1);
        QVERIFY(w.dialogs.opened[0].isValid());
        writeFile(QStringLiteral("KELVARA.url"), "[InternetShortcut]\r\nURL=https://example.org/manual\r\n");
        w.window->labelWebsiteClick();
        QCOMPARE(w.dialogs.opened.last(), QUrl(QStringLiteral("https://example.org/manual")));
        writeFile(QStringLiteral("KELVARA.url"), "[InternetShortcut]\r\n");
        w.window->labelWebsiteClick();
        QFile::remove(QStringLiteral("KELVARA.url"));
        w.window->labelWebsiteClick();
        QCOMPARE(w.dialogs.errors.filter(QStringLiteral("KELVARA.url")).size() + w.dialogs.errors.size(), 4);
        QCOMPARE(w.dialogs.opened.size(), 2);
    }

    // Where a start from the desktop menu keeps its files, and what happens where that folder cannot be used.

    void theFolderFollowsXdgDataHomeUnlessItIsUnsetOrRelative() {
        const auto path = [](const char* xdgDataHome) {
            return user_folder::path(QString::fromUtf8(xdgDataHome), QStringLiteral("/home/me"));
        };
        QCOMPARE((QStringList{path("/data/me"), path(nullptr), path("data"), path("/with space/")}),
                 (QStringList{"/data/me/Vantoria", "/home/me/.local/share/Vantoria",
                              "/home/me/.local/share/Vantoria", "/with space/Vantoria"}));
    }

    void aMissingFolderIsMadeWithItsParentsAndBecomesTheWorkingFolder() {
        const QString folder = QDir::current().absoluteFilePath(QStringLiteral("home/.local/share/Vantoria"));
        const user_folder::Entered entered = user_folder::enter(folder);
        QVERIFY2(entered.problem.isEmpty(), qPrintable(entered.problem));
        QVERIFY(!entered.standIn);
        QCOMPARE(QDir::currentPath(), folder);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList()); // the probe is gone
    }

    void anUnusableFolderIsNamedWithTheReasonAndTheProgramGoesToAStandInThatGoesAtTheEnd() {
        writeFile(QStringLiteral("afile"), "x");
        const QString folder = QDir::current().absoluteFilePath(QStringLiteral("afile/Vantoria"));
        const QString problem = user_folder::problemWith(folder);
        QVERIFY2(problem.contains(QStringLiteral("directory"), Qt::CaseInsensitive), qPrintable(problem));
        const QString start = QDir::currentPath();
        user_folder::Entered entered = user_folder::enter(folder);
        QVERIFY(!entered.problem.isEmpty());
        QVERIFY(entered.standIn);
        const QString standIn = entered.standIn->path();
        QCOMPARE(QDir::currentPath(), QDir(standIn).canonicalPath());
        entered.standIn.reset();
        QVERIFY(!QFileInfo::exists(standIn));
        QCOMPARE(readFile(start + QStringLiteral("/afile")), QByteArray("x")); // nothing was made in its way
    }

    void theStandInGetsWritableCopiesOfTheUsersFilesAndNothingElse() {
        QVERIFY(QDir().mkpath(QStringLiteral("theirs")));
        writeFile(QStringLiteral("theirs/Vantoria.ini"), "DE\r\n");
        writeFile(QStringLiteral("theirs/Vantoria.journal"), "row\r\n");
        writeFile(QStringLiteral("theirs/shift.csv"), "big\r\n");
#ifndef _WIN32
        QVERIFY(QDir().mkpath(QStringLiteral("theirs/ports")));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), QStringLiteral("theirs/ports/COM3")));
#endif
        QVERIFY(QFile::setPermissions(QStringLiteral("theirs/Vantoria.ini"), QFile::ReadOwner));
        std::unique_ptr<user_folder::StandIn> standIn =
            user_folder::standInFor(QDir::current().absoluteFilePath(QStringLiteral("theirs")));
        QVERIFY(standIn);
        QCOMPARE(readFile(standIn->filePath(QStringLiteral("Vantoria.ini"))), QByteArray("DE\r\n"));
        QCOMPARE(readFile(standIn->filePath(QStringLiteral("Vantoria.journal"))), QByteArray("row\r\n"));
        QVERIFY(QFileInfo(standIn->filePath(QStringLiteral("Vantoria.ini"))).permission(QFile::WriteOwner));
        QCOMPARE(QDir(standIn->path()).entryList(QDir::Files),
                 (QStringList{"Vantoria.ini", "Vantoria.journal"}));
#ifndef _WIN32
        // The amplifier's link is reached through the stand-in as in the user's folder.
        QCOMPARE(QFileInfo(standIn->filePath(QStringLiteral("ports/COM3"))).canonicalFilePath(),
                 QStringLiteral("/dev/null"));
        // Removing the stand-in removes the link, never the user's folder behind it.
        standIn.reset();
        QVERIFY(QFileInfo(QStringLiteral("theirs/ports/COM3")).isSymLink());
#endif
    }
};

QTEST_MAIN(TestMain)
#include "test_main.moc"
