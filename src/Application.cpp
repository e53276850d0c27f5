#include "Application.h"

#include "Dialogs.h"

#include <QDebug>

#include <exception>

VantoriaApplication::VantoriaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vantoria"));
    setApplicationDisplayName(QString::fromLatin1(ApplicationTitle));
    setApplicationVersion(QStringLiteral("4.0.3.38"));
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
