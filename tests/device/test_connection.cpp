// Opening the port, identifying the amplifier, the polling loop, the user's commands and the port choice.

#include "serial/PortSelection.h"
#include "Testing.h"
#include "device/Connection.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {
QString language(SimulatedRig& rig, int line) { return rig.window().language().text(line); }

// One full pass of the polling loop after identification.
void pollOnce(SimulatedRig& rig) {
    QVERIFY(rig.tickUntil([&] { return rig.state().identifyStep == StepReadBarDiameter; }, 20));
    QVERIFY(rig.tickUntil([&] { return rig.state().identifyStep == StepReadUnit; }, 20));
}
} // namespace

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    // One rig through the polling loop: identification on a fixed port, the polled values, a stray byte
    // (regression: it shifted every later reply for good), values out of range, US tons, an entry that
    // pauses the loop, then the user's commands.
    void aFixedPortIsIdentifiedPolledAndCommanded() {
        SimulatedRig rig({.settings = {{3, "YES"}}});
        rig.w().button("btnLogDataActive")->setChecked(true);
        ampsim::Amplifier& amp = rig.sim().amplifier();
        amp.setUnit(2);
        amp.setEModulus(205);
        amp.setBarDiameter(120);
        QVERIFY(rig.connect());
        pollOnce(rig);
        pollOnce(rig);
        QCOMPARE(rig.commands(), (QStringList{"P0", "Ei", "EM", "DU", "Ei", "EM", "DU"}));
        const auto polled = [&] {
            return QStringList{rig.w().statusLine(0), QString::number(rig.state().deviceUnit),
                               rig.w().label("labelMainValue")->text(), rig.w().edit("editEModul")->text(),
                               rig.w().edit("editBarDiameter")->text()};
        };
        const QStringList expected{"AMP4-P", "2", "Durchschnittskraft [kN]", "205", "120"};
        QCOMPARE(polled(), expected);
        QCOMPARE(controls::fontColour(rig.w().label("labelUnitKN")), controls::clBlack);
        QCOMPARE(controls::fontColour(rig.w().label("labelUnitUEBigView")), controls::clSilver);

        rig.sim().injectGarbage({0x7F}); // noise before the next reply, the unit's
        pollOnce(rig);
        pollOnce(rig);
        QCOMPARE(polled(), expected);
        QCOMPARE(rig.window().session().surplusFaults(), 1);
        QCOMPARE(rig.state().sessionState, int(StateReadSettings)); // no time-out, no reconnection
        // A byte between two transactions (an adapter powering up) is dropped before the next command.
        QVERIFY(rig.tickUntil([&] { return rig.state().identifyStep == StepReadEModulus; }, 20));
        rig.sim().sendRaw({0x55});
        pollOnce(rig);
        QCOMPARE(rig.window().session().surplusFaults(), 1);
        QCOMPARE(polled(), expected);

        // Only values from 1 to 999 are shown.
        amp.setEModulus(0);
        amp.setBarDiameter(1000);
        pollOnce(rig);
        QCOMPARE(polled().mid(3), expected.mid(3));
        amp.setEModulus(1);
        amp.setBarDiameter(999);
        pollOnce(rig);
        QCOMPARE(polled().mid(3), (QStringList{"1", "999"}));

        amp.setUnit(3); // tons, shown as US tons: the captions move
        pollOnce(rig);
        const auto placed = [&](const char* name) {
            return rig.w().label(name)->text() + QLatin1Char('@') + QString::number(rig.w().label(name)->x());
        };
        const QString caption = QStringLiteral("Durchschnittskraft [UStons]@");
        QCOMPARE(
            (QStringList{placed("labelMainValue"), placed("labelMainValueBigView")}),
            (QStringList{
                caption + QString::number(language(rig, lang::LeftMainValueUnit1 + 4).toInt() - 10),
                caption + QString::number(language(rig, lang::LeftMainValueBigViewUnit1 + 4).toInt() - 15)}));
        QCOMPARE(controls::fontColour(rig.w().label("labelUnitTonsBigView")), controls::clBlack);

        rig.w().edit("editBarDiameter")->setEnabled(true); // the user types a new diameter
        QVERIFY(rig.tickUntil([&] { return rig.state().identifyStep == StepReadBarDiameter; }, 20));
        rig.sim().clearLog();
        rig.tick(100); // no command, no read, no time-out
        QVERIFY(rig.commands().isEmpty());
        QCOMPARE(rig.w().statusLine(2), rig.window().language().own(OwnText::WaitingForEntry));
        QCOMPARE(rig.state().sessionState, int(StateReadSettings));

        // The user's commands wait for the acknowledgement; the values are clamped.
        rig.w().edit("editBarDiameter")->setEnabled(false);
        rig.w().edit("editBarDiameter")->setText(QStringLiteral("1234"));
        rig.sim().clearLog();
        rig.window().session().enter(StateSendBarDiameter);
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 5));
        QCOMPARE(rig.commands().first(), QStringLiteral("du<03><e7>"));
        QCOMPARE(rig.sim().amplifier().barDiameter(), 999);
        QCOMPARE(rig.w().statusLine(2), language(rig, lang::BarDiameterSent));

        rig.w().edit("editEModul")->setText(QStringLiteral("-5"));
        rig.sim().clearLog();
        rig.sim().silenceAfter(0); // the answers come from the test
        rig.window().session().enter(StateSendEModulus);
        rig.tick();
        QList<int> states;
        for (const char* answer : {"no", "iO"}) {
            rig.sim().sendRaw({std::uint8_t(answer[0]), std::uint8_t(answer[1])});
            rig.tick();
            states << rig.state().sessionState;
        }
        QCOMPARE(states, (QList<int>{StateSendEModulus, StateReadSettings})); // only "iO" is taken
        rig.sim().silenceAfter(-1);
        QCOMPARE(rig.commands().first(), QStringLiteral("em<00><00>"));
        QCOMPARE(rig.w().statusLine(2), language(rig, lang::EModulusSent));
        const QStringList log = controls::lines(rig.w().memo("memoUSBCommunication"));
        QVERIFY(log.contains(QStringLiteral("TX du\x03") + QChar(0xE7)));
        QVERIFY(log.contains(QStringLiteral("TX em"))); // the line ends at the first zero byte

        rig.window().session().enter(StateChangeUnit);
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 5));
        pollOnce(rig);
        QCOMPARE(rig.state().deviceUnit, 1); // from tons round to micro-strain
        rig.window().session().enter(StateResetDevice);
        QVERIFY(rig.tickUntil([&] { return rig.state().sessionState == StateReadSettings; }, 5));
        QCOMPARE(rig.state().identifyStep, int(StepReadUnit));
        QCOMPARE(rig.w().statusLine(2), language(rig, lang::DeviceReset));
    }

    void eachTypeAdaptsTheWindow_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("singleValues");
        QTest::addColumn<bool>("shownBefore"); // the sensor displays, before the amplifier answered
        // Device timer and shortest graph sampling in ms; poll mode and the first step of a cycle; the
        // buttons for measuring, K-factor, tolerance, bar diameter and E-modulus (+ enabled); the single
        // values' button enabled and checked, their displays; the K-factor and E-modulus shown.
        QTest::addColumn<QString>("expected");
        QTest::newRow("QT31") << "QT31" << true << true << "35 245 | 1 91 | +++-- | -- hidden | 2.00 210";
        QTest::newRow("QT32") << "QT32" << true << false << "20 140 | 1 91 | +++-- | -- hidden | 3.00 199";
        QTest::newRow("QT33") << "QT33" << true << true << "35 245 | 1 91 | +++++ | -- hidden | 3.00 199";
        QTest::newRow("QT34 single values")
            << "QT34" << true << false << "20 140 | 2 81 | +++++ | ++ shown | 3.00 199";
        QTest::newRow("QT34 without")
            << "QT34" << false << false << "20 140 | 1 91 | +++++ | +- hidden | 3.00 199";
        QTest::newRow("QT34 without, shown before: they stay")
            << "QT34" << false << true << "20 140 | 1 91 | +++++ | +- shown | 3.00 199";
        QTest::newRow("QT35 single values")
            << "QT35" << true << false << "20 140 | 2 81 | +++++ | -+ shown | 3.00 199";
    }

    void eachTypeAdaptsTheWindow() {
        QFETCH(QString, type);
        QFETCH(bool, singleValues);
        QFETCH(bool, shownBefore);
        QFETCH(QString, expected);
        SimulatedRig rig({.type = type, .singleValues = singleValues, .settings = {{37, "3.00"}}});
        rig.w().edit("editSensor22")->setVisible(shownBefore);
        rig.w().edit("editEModul")->setText(QStringLiteral("199"));
        QVERIFY(rig.connect());
        TestWindow& w = rig.w();
        QString buttons;
        for (const char* name :
             {"btnMeasurement", "btnKFactor", "btnTolerance", "btnBarDiameter", "btnEModul"})
            buttons += QLatin1Char(w.button(QString::fromLatin1(name))->isEnabled() ? '+' : '-');
        QAbstractButton* single = w.button("btnShowSingleValue");
        // The types without parameters work with the amplifier's own E-modulus and K-factor.
        QCOMPARE(QString::asprintf(
                     "%d %u | %d %d | %s | %c%c %s | %s %s", rig.window().timerDeviceCom().interval(),
                     rig.state().graphMinSamplingMs, rig.state().pollMode, rig.state().measureStep,
                     qPrintable(buttons), single->isEnabled() ? '+' : '-', single->isChecked() ? '+' : '-',
                     w.edit("editSensor22")->isHidden() ? "hidden" : "shown",
                     qPrintable(w.edit("editKFactor")->text()), qPrintable(w.edit("editEModul")->text())),
                 expected);
        QCOMPARE(w.statusLine(0), SimulatedRig::deviceName(type));
    }

    void anAmplifierOfAnotherTypeIsRejectedAndTheWindowReset() {
        SimulatedRig rig(
            {.type = QStringLiteral("QT31"), .settings = {{25, SimulatedRig::deviceName("QT32")}}});
        rig.w().button("btnMeasurement")->setEnabled(true);
        rig.w().edit("editChannel2")->setText(QStringLiteral("123"));
        rig.window().timerGraph().start();
        QVERIFY(rig.tickUntil([&] { return rig.commands().contains("P0"); }, 10));
        rig.tick();
        QCOMPARE(
            (QStringList{QString::number(rig.state().sessionState),
                         rig.window().session().port().IsOpen() ? "open" : "closed",
                         rig.w().button("btnMeasurement")->isEnabled() ? "enabled" : "disabled",
                         rig.w().button("btnMeasurement")->text(), rig.w().edit("editChannel2")->text(),
                         rig.window().timerGraph().isActive() ? "graph" : "no graph", rig.w().statusLine(0)}),
            (QStringList{"2", "closed", "disabled", language(rig, lang::StartCaption), "E01", "no graph",
                         rig.window().language().own(OwnText::OtherTypeFound).arg("AMP4-E", "AMP4-S")}));
        rig.tick(); // the port is opened again: the finding stays instead of "Connecting..."
        QVERIFY(rig.w().statusLine(0).contains(QStringLiteral("AMP4-E")));
        // The same port is tried again, with the same answer.
        rig.tick(4);
        QCOMPARE(rig.commands().count("P0"), 2);
    }

    // Regressions: /dev/null spun and a FIFO hung; the search said nothing of a port another program held.
    void aPortThatIsNoSerialDeviceOrThatAnotherProgramHoldsIsNamed() {
#ifdef Q_OS_WIN
        QSKIP("ports/ and its links are Linux's; the Windows serial test opens a held port");
#else
        QDir().mkpath(QStringLiteral("ports"));
        QFile::link(QStringLiteral("/dev/null"), QStringLiteral("ports/COM7"));
        SimulatedRig rig({.settings = {{9, "7"}}}); // the simulator on COM2, which another program holds
        const int other = ::open(rig.sim().slavePath().c_str(), O_RDWR | O_NOCTTY);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        rig.tick(3);
        QCOMPARE(rig.state().sessionState, int(StateConnect));
        QVERIFY(!rig.window().session().port().IsOpen());
        QCOMPARE(rig.w().statusLine(2), rig.window().language().own(OwnText::NotASerialPort).arg("7"));
        rig.window().btnCOMPortSelectClick(); // the user chooses COM2
        rig.w().edit("editCOMPortNr")->setText(QStringLiteral("2"));
        rig.window().btnCOMPortSelectClick();
        rig.tick(3);
        QVERIFY(!rig.window().session().port().IsOpen());
        QCOMPARE(rig.w().statusLine(2), rig.window().language().own(OwnText::PortInUse).arg("2"));
        ::close(other);
        QVERIFY(rig.connect());
#endif
    }

    // COM1 is no serial device, COM2 answers nothing, COM3 is reserved, COM4 is the amplifier, COM5 is free,
    // another program holds COM6.
    void theSearchSkipsReservedPortsAndTheEvaluationReservesTheFreeOnesTheTooltipNames() {
#ifdef Q_OS_WIN
        QSKIP("ports/, /dev and sysfs are Linux's");
#else
        ampsim::PtyAmplifier silent("QT34", 2), free("QT34", 5), held("QT34", 6);
        for (ampsim::PtyAmplifier* other : {&silent, &free, &held})
            QVERIFY(other->start());
        silent.silenceAfter(0);
        QFile::link(QStringLiteral("/dev/null"), QStringLiteral("ports/COM1")); // not the host's own COM1
        SimulatedRig rig({.com = 4, .manualPort = false, .settings = {{43, "3,"}}});
        QCOMPARE(rig.state().reservedPorts, QList<std::int32_t>{3});
        rig.tick(2);
        QCOMPARE(rig.w().label("labelCOMPort")->text(), QStringLiteral("COM2"));
        QCOMPARE(rig.state().sessionState, int(StateIdentify));
        rig.tick(75); // "P0" and 74 reads without an answer
        QCOMPARE(rig.state().sessionState, int(StateConnect));
        rig.tick(); // COM3: reserved, nothing is opened
        QCOMPARE(rig.w().label("labelCOMPort")->text(), QStringLiteral("COM2"));
        rig.tick(); // COM4
        QCOMPARE(rig.w().label("labelCOMPort")->text(), QStringLiteral("COM4"));
        QVERIFY(rig.connect());
        QCOMPARE((QList<int>{DeviceSession::nextCandidate(255), DeviceSession::nextCandidate(256)}),
                 (QList<int>{256, 1}));

        CSerial otherProgram;
        QCOMPARE(otherProgram.Open(L"\\\\.\\COM6"), 0);
        rig.window().btnEvalReservedComPortsClicked(); // the program holds COM4 itself
        QCOMPARE(rig.state().availablePorts + rig.state().reservedPorts, (QList<std::int32_t>{2, 5, 2, 5}));
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).mid(42),
                 (QStringList{"ReservedComPorts:", "2,5,"}));
        QCOMPARE(rig.w().edit("editCOMPortNr")->text(), QStringLiteral("255"));
        QCOMPARE(rig.state().sessionState, int(StateConnect));
        QVERIFY(rig.window().timerDeviceCom().isActive());

        QVERIFY(PortSelection::describePort(5).contains(QString::fromStdString(free.slavePath())));
        QVERIFY(PortSelection::describePort(17).contains(QStringLiteral("/dev/ttyUSB0")));
        QVERIFY(PortSelection::describePort(300).contains(QStringLiteral("not present")));
        // A USB adapter as sysfs shows it, behind ports/COM8.
        for (const char* folder : {"sys/devices/usb1/1-2/1-2:1.0", "sys/class/tty/ttyUSB0", "dev"})
            QVERIFY(QDir().mkpath(QString::fromLatin1(folder)));
        for (const QString entry :
             {"idVendor 0403", "idProduct 6001", "manufacturer FTDI", "product FT232R USB UART"})
            writeFile("sys/devices/usb1/1-2/" + entry.section(' ', 0, 0),
                      entry.section(' ', 1).toLatin1() + "\n");
        QFile::link(QDir::current().absoluteFilePath(QStringLiteral("sys/devices/usb1/1-2/1-2:1.0")),
                    QStringLiteral("sys/class/tty/ttyUSB0/device"));
        writeFile(QStringLiteral("dev/ttyUSB0"), "");
        QFile::link(QDir::current().absoluteFilePath(QStringLiteral("dev/ttyUSB0")),
                    QStringLiteral("ports/COM8"));
        const QString usb =
            PortSelection::describePort(8, QDir::current().absoluteFilePath(QStringLiteral("sys")));
        QVERIFY2(usb.contains(QStringLiteral("FTDI FT232R USB UART (0403:6001)")), qPrintable(usb));
#endif
    }

    void theReservedListCreatesItsLinesAsNeeded_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("43 lines") << 43;
        QTest::newRow("41 lines: regression, the list was written past the end and lost") << 41;
    }

    void theReservedListCreatesItsLinesAsNeeded() {
        QFETCH(int, length);
        QStringList lines = settingsLayout().mid(0, length);
        if (length > 42)
            lines[42] = QStringLiteral("old marker");
        if (length > 43)
            lines[43] = QStringLiteral("9,");
        writeSettingsFile(lines);
        TestWindow w;
        w.window->settings().storeReservedPorts(QStringLiteral("5,6,"));
        // A file cut short gets empty value lines up to the marker, so the list lands where loads read it.
        QStringList expected = lines.mid(0, qMin(length, 42));
        while (expected.size() < 42)
            expected << QString();
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")), expected << "ReservedComPorts:"
                                                                     << "5,6,");
    }

    void aConfirmedPortNumberIsKeptWithinOneTo255TheDeviceAndTheSearchSavedAndRestarted() {
        TestWindow w;
        QLineEdit* number = w.edit("editCOMPortNr");
        const QList<QPair<QString, QString>> cases = {{"300", "255"}, {"0", "1"}, {"abc", "1"}, {"7", "7"}};
        for (const auto& [typed, shown] : cases) {
            w.window->btnCOMPortSelectClick(); // start editing
            QVERIFY(number->isEnabled());
            number->setText(typed);
            w.state.sessionState = StateReadSettings;
            w.window->btnCOMPortSelectClick(); // confirm
            QVERIFY(!number->isEnabled());
            QCOMPARE((QStringList{number->text(), w.label("labelCOMPortFull")->text(),
                                  readLines(QStringLiteral("Vantoria.ini")).value(9)}),
                     (QStringList{shown, QStringLiteral("\\\\.\\COM") + shown, shown}));
            QCOMPARE(w.state.sessionState, int(StateConnect));
        }

        QComboBox* device = w.control<QComboBox>("comboDeviceSelect");
        w.window->btnDeviceSelectClick();
        QVERIFY(device->isEnabled());
        device->setCurrentText(QStringLiteral("AMP4-L"));
        w.window->btnDeviceSelectClick();
        QVERIFY(!device->isEnabled());
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(25), QStringLiteral("AMP4-L"));
        QCOMPARE(device->currentText(), QStringLiteral("AMP4-L"));

        w.button("btnManualPortSelect")->setChecked(true);
        w.window->btnCOMPortSelectClick();
        w.window->btnCOMPortSelectClick();
        QCOMPARE(w.state.portSearchStep, int(StepManualPort));
        w.button("btnAutoPortSelect")->setChecked(true);
        w.window->btnAutoPortSelectClick();
        QCOMPARE(w.state.portSearchStep, int(StepAutoPort));
        QVERIFY(!w.edit("editCOMPortNr")->isEnabled());
        QCOMPARE(readLines(QStringLiteral("Vantoria.ini")).value(7), QStringLiteral("Auto"));
    }
};

QTEST_MAIN(TestConnection)
#include "test_connection.moc"
