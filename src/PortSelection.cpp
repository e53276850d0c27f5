#include "PortSelection.h"

#include "Controls.h"
#include "Errors.h"
#include "Form.h"
#include "MainContext.h"
#include "ProgramState.h"
#include "Serial.h"
#include "settings/SettingsFile.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {
QString devicePath(const QString& number) { return QStringLiteral("\\\\.\\COM") + number; }

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

PortSelection::PortSelection(const MainContext& context, SettingsFile& settings)
    : context_(context), settings_(settings) {}

void showPortControls(const Form& form, const QString& number) {
    form.edit(QStringLiteral("editCOMPortNr"))->setText(number);
    QLabel* port = form.label(QStringLiteral("labelCOMPort"));
    controls::setCaption(port, QStringLiteral("COM") + number);
    controls::setCaption(form.label(QStringLiteral("labelCOMPortFull")),
                         QStringLiteral("\\\\.\\") + port->text());
}

int PortSelection::confirmedPortNumber(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok)
        return 1;
    return qBound(1, number, 255);
}

void PortSelection::btnAutoPortSelectClick() {
    context_.form.edit(QStringLiteral("editCOMPortNr"))->setEnabled(false);
    settings_.SaveToActiveFile();
}

bool PortSelection::editOrConfirm(QWidget* field) {
    field->setEnabled(!field->isEnabled());
    return !field->isEnabled();
}

void PortSelection::reconnectAndSave() {
    context_.devicePort.Close();
    context_.state.sessionState = StateConnect;
    context_.state.stateTick = 0;
    settings_.SaveToActiveFile();
}

void PortSelection::btnCOMPortSelectClick() {
    QLineEdit* number = context_.form.edit(QStringLiteral("editCOMPortNr"));
    if (!editOrConfirm(number))
        return;
    showPortControls(context_.form, QString::number(confirmedPortNumber(number->text())));
    reconnectAndSave();
}

void PortSelection::btnDeviceSelectClick() {
    if (editOrConfirm(context_.form.combo(QStringLiteral("comboDeviceSelect"))))
        reconnectAndSave();
}

void PortSelection::btnEvalReservedComPortsClicked() {
    QTimer& timer = context_.timers.deviceCom;
    timer.stop();
    ListAvailablePorts();
    try {
        SaveReservedPorts();
    } catch (const UserError& error) {
        context_.dialogs.showError(error.message());
    }
    timer.start();
}

void PortSelection::ListAvailablePorts() {
    QList<std::int32_t>& available = context_.state.availablePorts;
    available.clear();
    for (int n = 1; n <= 255; ++n) {
        showPortControls(context_.form, QString::number(n));
        const QString path = context_.form.label(QStringLiteral("labelCOMPortFull"))->text();
        if (CSerial::ProbePort(path.toStdWString()) == CSerial::PortAvailable)
            available.append(n);
    }
}

void PortSelection::SaveReservedPorts() {
    settings_.storeReservedPorts(SettingsFile::reservedPortsText(context_.state.availablePorts));
    context_.state.reservedPorts = context_.state.availablePorts;
}

QString PortSelection::describePort(int number, const QString& sysfsRoot) {
    const QString name = QStringLiteral("COM%1").arg(number);
    const QString path =
        QString::fromStdString(ResolveDevicePath(devicePath(QString::number(number)).toStdWString()));
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
