#include "serial/PortSelection.h"

#include "Controls.h"
#include "Errors.h"
#include "ProgramState.h"
#include "Views.h"
#include "device/DeviceSession.h"
#include "dialogs/Dialogs.h"
#include "serial/Serial.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/SettingsFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#ifndef _WIN32
namespace {
QString firstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

// Maker and product of the USB device a tty belongs to, found by walking up its sysfs device path to the
// folder that carries the USB identifiers.
QString usbDescription(const QString& ttyName, const QString& sysfsRoot) {
    QString dir = QFileInfo(sysfsRoot + QStringLiteral("/class/tty/") + ttyName + QStringLiteral("/device"))
                      .canonicalFilePath();
    for (int depth = 0; depth < 6 && !dir.isEmpty() && dir != sysfsRoot; ++depth) {
        if (QFile::exists(dir + QStringLiteral("/idVendor"))) {
            const QString maker = firstLine(dir + QStringLiteral("/manufacturer"));
            const QString product = firstLine(dir + QStringLiteral("/product"));
            const QString ids = firstLine(dir + QStringLiteral("/idVendor")) + QLatin1Char(':') +
                                firstLine(dir + QStringLiteral("/idProduct"));
            return QStringList{maker, product, QStringLiteral("(%1)").arg(ids)}
                .join(QLatin1Char(' '))
                .simplified();
        }
        dir = QFileInfo(dir).path();
    }
    return {};
}
} // namespace
#endif

PortSelection::PortSelection(const PortControls& controls, DeviceSession& session, SettingsFile& settings,
                             ProgramState& state, Dialogs& dialogs)
    : controls_(controls), session_(session), settings_(settings), state_(state), dialogs_(dialogs) {}

void PortSelection::showPort(const QString& number) {
    controls_.number->setText(number);
    controls::setCaption(controls_.name, QStringLiteral("COM") + number);
    controls::setCaption(controls_.fullName, DeviceSession::devicePath(number));
}

int PortSelection::confirmedPortNumber(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok)
        return 1;
    return qBound(1, number, 255);
}

void PortSelection::btnAutoPortSelectClick() {
    controls_.number->setEnabled(false);
    settings_.SaveToActiveFile();
}

bool PortSelection::editOrConfirm(QWidget* field) {
    field->setEnabled(!field->isEnabled());
    return !field->isEnabled();
}

void PortSelection::reconnectAndSave() {
    session_.restartFromLastPort();
    settings_.SaveToActiveFile();
}

void PortSelection::btnCOMPortSelectClick() {
    if (!editOrConfirm(controls_.number))
        return;
    session_.choosePort(QString::number(confirmedPortNumber(controls_.number->text())));
    reconnectAndSave();
}

void PortSelection::btnDeviceSelectClick() {
    if (editOrConfirm(controls_.device))
        reconnectAndSave();
}

void PortSelection::btnEvalReservedComPortsClicked() {
    const DeviceSession::Pause paused = session_.pause();
    ListAvailablePorts();
    try {
        SaveReservedPorts();
    } catch (const UserError& error) {
        dialogs_.showError(error.message());
    }
}

void PortSelection::ListAvailablePorts() {
    state_.availablePorts.clear();
    for (int n = 1; n <= 255; ++n) {
        const QString path = DeviceSession::devicePath(QString::number(n));
        if (CSerial::ProbePort(path.toStdWString()) == CSerial::PortAvailable)
            state_.availablePorts.append(n);
    }
    session_.choosePort(QStringLiteral("255"));
}

void PortSelection::SaveReservedPorts() {
    settings_.storeReservedPorts(SettingsFile::reservedPortsText(state_.availablePorts));
    state_.reservedPorts = state_.availablePorts;
}

QString PortSelection::describeShownPort() const {
    return describePort(controls_.name->text().mid(3).toInt());
}

#ifdef _WIN32
// Windows names its ports itself (the Device Manager shows which device is which): the tooltip says whether
// the port is there and free.
QString PortSelection::describePort(int number, const QString&) {
    const QString path = DeviceSession::devicePath(QString::number(number));
    QString state;
    switch (CSerial::ProbePort(path.toStdWString())) {
    case CSerial::PortAvailable:
        state = QStringLiteral("free");
        break;
    case CSerial::PortInUse:
        state = QStringLiteral("in use");
        break;
    case CSerial::PortNotAvailable:
        state = QStringLiteral("not present");
        break;
    case CSerial::PortUnknownError:
        state = QStringLiteral("cannot be opened");
        break;
    }
    return QStringLiteral("COM%1: %2 (%3)").arg(QString::number(number), path, state);
}
#else
QString PortSelection::describePort(int number, const QString& sysfsRoot) {
    const QString name = QStringLiteral("COM%1").arg(number);
    const QString path = QString::fromStdString(
        ResolveDevicePath(DeviceSession::devicePath(QString::number(number)).toStdWString()));
    if (path.isEmpty())
        return QStringLiteral("%1: no device (link it as ports/%1)").arg(name);
    QStringList parts{QStringLiteral("%1: %2").arg(name, path)};
    const QFileInfo info(path);
    if (info.isSymLink())
        parts.append(QStringLiteral("-> ") + info.symLinkTarget());
    const QString device = info.canonicalFilePath();
    if (device.isEmpty()) {
        parts.append(QStringLiteral("(not present)"));
        return parts.join(QLatin1Char(' '));
    }
    if (device != path && device != info.symLinkTarget())
        parts.append(QStringLiteral("= ") + device);
    const QString usb = usbDescription(QFileInfo(device).fileName(), sysfsRoot);
    if (!usb.isEmpty())
        parts.append(QStringLiteral("\n") + usb);
    return parts.join(QLatin1Char(' '));
}
#endif

void PortSelection::applyLanguage(const Language& language) {
    controls_.group->setTitle(language.text(lang::ConnectionGroup));
    controls_.autoSelect->setText(language.text(lang::AutoPort));
    controls_.manualSelect->setText(language.text(lang::ManualPort));
    QComboBox* devices = controls_.device;
    devices->clear();
    for (int line = lang::FirstDeviceName; line <= lang::LastDeviceName; ++line)
        devices->addItem(language.text(line));
    devices->setCurrentText(settings_.chosenDevice());
}
