#include "AboutGroup.h"

#include "dialogs/Dialogs.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QUrl>
#include <QWidget>

AboutGroup::AboutGroup(QWidget& window, QLabel* version, const QComboBox* device,
                       std::vector<QWidget*> debugControls, Dialogs& dialogs)
    : window_(window), version_(version), device_(device), debugControls_(std::move(debugControls)),
      dialogs_(dialogs) {}

void AboutGroup::imageLogoSettingsClick() {
    const bool debug = device_->currentText() == QLatin1String(AccessCode);
    window_.setWindowTitle(debug ? QStringLiteral("Vantoria 4.0.3 (DEBUG)")
                                 : QStringLiteral("Vantoria 4.0.3.38"));
    version_->setText(debug ? QStringLiteral("Version 4.0.3 (DEB)") : QStringLiteral("Version 4.0.3.38"));
    for (QWidget* control : debugControls_)
        control->setVisible(debug);
}

QString AboutGroup::shortcutAddress(const QByteArray& shortcut) {
    for (const QByteArray& line : shortcut.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("URL="))
            return QString::fromUtf8(trimmed.mid(4)).trimmed();
    }
    return {};
}

void AboutGroup::labelWebsiteClick() {
    const QString name = QString::fromLatin1(ShortcutFile);
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs_.showError(QStringLiteral("Cannot open file \"%1\". %2").arg(name, file.errorString()));
        return;
    }
    const QString address = shortcutAddress(file.readAll());
    if (address.isEmpty()) {
        dialogs_.showError(QStringLiteral("The file \"%1\" names no address (no line \"URL=\").").arg(name));
        return;
    }
    dialogs_.openExternally(QUrl(address));
}
