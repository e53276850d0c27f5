#include "app/Application.h"

#include "Resources.h"
#include "dialogs/Dialogs.h"

#include <QDebug>
#include <QFile>
#include <QStyleFactory>

#include <exception>

VantoriaApplication::VantoriaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vantoria"));
    setApplicationDisplayName(QString::fromLatin1(ApplicationTitle));
    setApplicationVersion(QString::fromLatin1(ApplicationVersion));
    // The desktop entry it belongs to, for the menu, the task bar and Wayland.
    setDesktopFileName(QStringLiteral("vantoria"));
}

void VantoriaApplication::applyVisualStyle() {
    ensureResources();
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        setStyle(fusion);
    QFile sheet(QStringLiteral(":/vantoria.qss"));
    if (sheet.open(QIODevice::ReadOnly | QIODevice::Text))
        setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

bool VantoriaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
    return false;
}

void VantoriaApplication::showError(const QString& message) {
    if (!dialogs_ || showingError_) {
        qWarning().noquote() << "Error:" << message;
        return;
    }
    showingError_ = true;
    try {
        dialogs_->showError(message);
    } catch (...) {
        qWarning().noquote() << "Error:" << message;
    }
    showingError_ = false;
}
