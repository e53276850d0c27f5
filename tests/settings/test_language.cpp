// Applying a language file to the window, and choosing the user's own file.

#include "Testing.h"
#include "evaluation/ValueDisplay.h"
#include "settings/LanguageApplier.h"
#include "settings/OwnTexts.h"
#include <QLibraryInfo>

namespace {
QStringList shippedLines(const char* name) {
    return textfile::decode(shippedFile(QString::fromLatin1(name))).lines;
}
int number(const QStringList& lines, int line) { return lines.value(line).toInt(); }
} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void channelSensorAndMainValueCaptionsFollowTheCornersAndTheDeviceUnit() {
        TestWindow w;
        w.button("btnChannel4TopRight")->setChecked(true);    // channel 2 moves to bottom right
        w.button("btnChannel1BottomRight")->setChecked(true); // channel 2 moves on to top left
        QCOMPARE(w.state.channelPosition, (std::array<std::int32_t, 4>{4, 1, 3, 2}));
        w.button("btnChannel3BottomLeft")->click(); // already checked: nothing moves
        QCOMPARE(w.state.channelPosition, (std::array<std::int32_t, 4>{4, 1, 3, 2}));
        QCOMPARE(w.label("labelChannel2")->text(), QStringLiteral("Kanal 2")); // not before the next apply
        w.applyLanguage();
        const auto text = [&](const char* label) { return w.label(QString::fromLatin1(label))->text(); };
        QCOMPARE((QStringList{text("labelChannel2"), text("labelSensor21"), text("labelSensor22"),
                              text("labelChannel4"), text("labelSensor42"), text("labelChannel1"),
                              text("labelChannel2BigView")}),
                 (QStringList{"Kanal 4", QString::fromUtf8("Sensor 4.1 [µε]"),
                              QString::fromUtf8("Sensor 4.2 [µε]"), "Kanal 1",
                              QString::fromUtf8("Sensor 1.2 [µε]"), "Kanal 2", "Kanal 4"}));
        const QStringList german = shippedLines("German.txt");
        QCOMPARE(w.label("labelChannel2")->x(), number(german, lang::LeftChannel1 + 2));
        QCOMPARE(w.label("labelChannel4BigView")->x(), number(german, lang::LeftChannel1BigView + 6));
        QCOMPARE(w.control<QGroupBox>("groupChannel3Position")->title(), QStringLiteral("Kanal 3"));
        // The main value caption follows the device unit.
        w.button("btnUStons")->setChecked(true);
        w.state.deviceUnit = 3;
        w.applyLanguage();
        QCOMPARE(w.label("labelMainValue")->x(), number(german, lang::LeftMainValueUnit1 + 4) - 10);
        QCOMPARE(w.label("labelMainValueBigView")->x(),
                 number(german, lang::LeftMainValueBigViewUnit1 + 4) - 2); // 2 px on a language change
        // An unknown unit leaves caption and place alone.
        w.state.deviceUnit = 7;
        w.button("btnTons")->setChecked(true);
        w.applyLanguage();
        QCOMPARE(w.label("labelMainValue")->text(), QStringLiteral("Durchschnittskraft [UStons]"));
        QCOMPARE(w.label("labelMainValue")->x(), number(german, lang::LeftMainValueUnit1 + 4) - 10);
        QCOMPARE(w.label("labelMainValueTons")->text(), QStringLiteral("Gesamtkraft [tons]")); // the total
    }

    // A language change rewrites captions, status lines, device names and the program's own texts; the
    // data log header takes the whole delimiter.
    void aLanguageChangeRewritesCaptionsStatusLinesDeviceNamesAndOwnTexts() {
        TestWindow w;
        w.edit("editCRVDelimiter")->setText(QStringLiteral(", "));
        w.applyLanguage();
        const QString header = w.window->dataLog().header();
        const QStringList fields = header.split(QStringLiteral(", "));
        QCOMPARE(fields.size(), 21);
        QCOMPARE((QStringList{fields[0], fields[1], fields[5], fields[15], fields[20]}),
                 (QStringList{"Einheit", "Kanal 1", QString::fromUtf8("Sensor 1.1 [µε]"),
                              "Gesamtkraft [tons]", "Datum"}));
        QVERIFY(!header.endsWith(QStringLiteral(", ")));
        QCOMPARE(w.button("btnSave")->toolTip(), ownText(OwnText::SaveScreenshot, QStringLiteral("DE")));
        w.window->SetProgramStateText(3, lang::MeasurementRunning);
        w.applyLanguage("btnEnglish");
        const QStringList english = shippedLines("English.txt");
        QCOMPARE(w.statusLine(4), english[lang::MeasurementRunning]);
        QCOMPARE(w.statusLine(0), english[lang::Ready]);
        QCOMPARE(w.label("labelMachine")->text(), english[lang::Machine]);
        QCOMPARE(w.label("labelMachine")->x(), number(english, lang::LeftMachine));
        QCOMPARE(w.control<QTabWidget>("tabSystem")->tabText(3), english[lang::PageSettings]);
        QComboBox* devices = w.control<QComboBox>("comboDeviceSelect");
        QCOMPARE(devices->count(), 5);
        QCOMPARE(devices->itemText(4), english[lang::LastDeviceName]);
        QCOMPARE(devices->currentText(), QStringLiteral("AMP4-P")); // settings line 25
        QCOMPARE(w.button("btnChannel3Active")->text(), english[lang::ChannelWord] + QStringLiteral("3"));
        QCOMPARE(w.button("btnMeasurement")->text(), english[lang::StartCaption]);
        QCOMPARE(w.button("btnGraphStartStop")->text(), english[lang::StartCaption]);
        QVERIFY(w.window->timerDeviceCom().isActive());
        w.button("btnReset")->setEnabled(true); // a measurement runs
        w.applyLanguage();
        QCOMPARE(w.button("btnMeasurement")->text(), english[lang::StopCaption]);
        w.applyLanguage("btnItalian");
        const QString it = QStringLiteral("IT");
        QCOMPARE(w.button("btnGraphPrint")->toolTip(), ownText(OwnText::PrintScreenshot, it));
        QCOMPARE(w.label("labelWebsite")->text(), ownText(OwnText::Manual, it));
        QVERIFY(w.button("btnChannel2BottomLeft")->toolTip().endsWith(ownText(OwnText::BottomLeft, it)));
        QFile::copy(QStringLiteral("Italian.txt"), QStringLiteral("Mine.txt")); // an own file: English
        w.edit("editLanguageFilePath")->setText(QStringLiteral("Mine.txt"));
        w.applyLanguage("btnOtherLanguage");
        QCOMPARE(w.label("labelWebsite")->text(), ownText(OwnText::Manual, QStringLiteral("EN")));
    }

    void captionsAndQtsOwnTextsFollowUnitAndLanguage() {
        const bool qtTranslations = QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                                                  QStringLiteral("/qtbase_de.qm"));
        const struct {
            const char *language, *main, *sensor, *cancel;
            int unit;
            bool usTons;
        } rows[] = {{"btnGerman", "Durchschnittskraft [kN]", "Sensor 1.1 [kN]", "Abbrechen", 2, false},
                    {"btnEnglish", "Average force [tons]", "Sensor 1.1 [tons]", "Cancel", 3, false},
                    // The sensors are never converted to US tons.
                    {"btnItalian", "Forza media [UStons]", "Sensore 1.1 [tons]", "Annulla", 3, true},
                    {"btnOtherLanguage", "Deformazione media [µε]", "Sensore 1.1 [µε]", "Cancel", 1, true},
                    {"btnOtherLanguage", "Average force [kN]", "Sensore 1.1 [kN]", "Cancel", 2, false}};
        for (const auto& row : rows) {
            TestWindow w; // German
            writeSettingsFile(shippedLines("Italian.txt"), QStringLiteral("Mine.txt"));
            w.edit("editLanguageFilePath")->setText(QStringLiteral("Mine.txt"));
            w.button(row.usTons ? "btnUStons" : "btnTons")->setChecked(true);
            w.applyLanguage(row.language);
            w.state.deviceUnit = row.unit; // as the amplifier reports it
            w.window->valueDisplay().showUnit(row.unit);
            QCOMPARE(w.label("labelSensor11")->text(), QString::fromUtf8(row.sensor));
            w.applyLanguage();
            for (const QString& caption :
                 {w.label("labelMainValue")->text(), w.label("labelMainValueBigView")->text(),
                  w.window->graph().leftAxisTitle()})
                QCOMPARE(caption, QString::fromUtf8(row.main));
            QCOMPARE(w.label("labelSensor11")->text(), QString::fromUtf8(row.sensor));
            if (qtTranslations)
                QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                         QString::fromUtf8(row.cancel));
        }
    }

    void theUsersOwnFileIsNamedByItsPath() {
        TestWindow w;
        QDir().mkpath(QStringLiteral("Lang"));
        QFile::copy(QStringLiteral("English.txt"), QStringLiteral("Lang/Francais.txt"));
        const QString path = QDir::current().absoluteFilePath(QStringLiteral("Lang/Francais.txt"));
        w.dialogs.openAnswers = {std::nullopt, path};
        w.window->editLanguageFilePathClick(); // cancelled: nothing changes
        QCOMPARE(w.edit("editLanguageFilePath")->text(), QString());
        // The own file chosen without a path means German.
        w.applyLanguage("btnEnglish");
        w.button("btnOtherLanguage")->setChecked(true);
        QCOMPARE(w.window->languageApplier().chosenFile(), QStringLiteral("German.txt"));
        w.applyLanguage();
        QCOMPARE(w.label("labelComment")->text(), QStringLiteral("Bemerkung"));
        w.window->editLanguageFilePathClick();
        QCOMPARE(w.edit("editLanguageFilePath")->text(), path);
        QCOMPARE(w.button("btnOtherLanguage")->text(), QStringLiteral("Francais"));
        w.applyLanguage();
        QCOMPARE(w.button("btnOtherLanguage")->text(), path.chopped(4));
        QCOMPARE(w.label("labelComment")->text(), shippedLines("English.txt")[lang::Comment]);
        QCOMPARE(w.dialogs.errors, QStringList());
        // Regression: no device matched. A missing or short file is reported once; the built-in copy stands
        // in.
        QFile::remove(QStringLiteral("English.txt"));
        w.applyLanguage("btnEnglish");
        QCOMPARE(w.dialogs.errors.size(), 1);
        QVERIFY(w.dialogs.errors[0].contains(QStringLiteral("English.txt")));
        QCOMPARE(w.label("labelComment")->text(), shippedLines("English.txt")[lang::Comment]);
        QCOMPARE(w.control<QComboBox>("comboDeviceSelect")->count(), 5); // the session finds its device
        QVERIFY(w.window->timerDeviceCom().isActive());
        w.applyLanguage();
        QCOMPARE(w.dialogs.errors.size(), 1); // once

        // An own file cut short: German stands in.
        writeSettingsFile(shippedLines("Italian.txt").mid(0, 100), QStringLiteral("Mine.txt"));
        w.edit("editLanguageFilePath")->setText(QStringLiteral("Mine.txt"));
        w.applyLanguage("btnOtherLanguage");
        QCOMPARE(w.dialogs.errors.size(), 2);
        QVERIFY(w.dialogs.errors[1].contains(QStringLiteral("100")));
        QCOMPARE(w.label("labelComment")->text(), QStringLiteral("Bemerkung"));
    }

    // Regressions: a 10 MB line stalled the window; a bad number moved a caption to 0.
    void aBadNumberLineKeepsOnlyThatPlaceAndOverLongLinesAreCutAndReportedOnce() {
        TestWindow w;
        QStringList lines = shippedLines("English.txt");
        lines[lang::LeftChannel1] = QStringLiteral("abc");
        lines[lang::FontSizeReset] = QString();
        lines[lang::LeftChannel1 + 2] = QStringLiteral("2147483647");        // positions stay in the window
        lines[lang::LeftMainValueUnit1 + 4] = QStringLiteral("-2147483648"); // minus 10 for US tons
        lines[lang::Machine] = QString(4096, QLatin1Char('m'));              // as long as a line may be
        lines[lang::Comment] = QString(1 << 22, QLatin1Char('c'));
        lines[lang::StartCaption] = QString(4097, QLatin1Char('s'));
        writeSettingsFile(lines, QStringLiteral("English.txt"));
        w.button("btnUStons")->setChecked(true);
        w.state.deviceUnit = 3;
        const int channel1Left = w.label("labelChannel1")->x();
        const QFont resetFont = w.button("btnReset")->font();
        w.applyLanguage("btnEnglish");
        w.applyLanguage();
        QVERIFY(w.dialogs.errors.isEmpty());
        QCOMPARE(w.label("labelChannel1")->x(), channel1Left);
        QCOMPARE(w.button("btnReset")->font(), resetFont);
        QCOMPARE(w.label("labelChannel2")->x(), w.window->width() - w.label("labelChannel2")->width());
        QCOMPARE(w.label("labelMainValue")->x(), 0);
        QCOMPARE(w.label("labelGraphTimeUnit")->text(), lines[lang::GraphTimeUnit]); // later steps ran
        QCOMPARE(w.label("labelMachine")->text(), lines[lang::Machine]);
        QCOMPARE(w.label("labelComment")->text(), QString(4096, QLatin1Char('c')));
        QCOMPARE(w.button("btnMeasurement")->text(), QString(4096, QLatin1Char('s')));
        QCOMPARE(w.dialogs.notices.filter(QStringLiteral("(29, 42)")).size(), 1);
    }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
