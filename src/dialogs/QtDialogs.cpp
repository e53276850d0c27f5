#include "dialogs/QtDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>

namespace {
QString title() { return QApplication::applicationDisplayName(); }

void showLater(QWidget* parent, QMessageBox::Icon icon, const QString& message) {
    auto* box = new QMessageBox(icon, title(), message, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    // Once the event loop runs, so the window it belongs to is up first.
    QMetaObject::invokeMethod(box, &QMessageBox::show, Qt::QueuedConnection);
}
} // namespace

void QtDialogs::showError(const QString& message) { QMessageBox::critical(parent_, title(), message); }

void QtDialogs::inform(const QString& message) { showLater(parent_, QMessageBox::Information, message); }

void QtDialogs::warn(const QString& message) { showLater(parent_, QMessageBox::Critical, message); }

bool QtDialogs::askYesNo(const QString& question) {
    return QMessageBox::question(parent_, title(), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

Dialogs::SaveChoice QtDialogs::askSaveDiscardCancel(const QString& question) {
    switch (QMessageBox::question(parent_, title(), question,
                                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                  QMessageBox::Save)) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

QString QtDialogs::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The description already names the lower-case pattern; add the stored one so both cases match.
        const int open = description.indexOf(QLatin1Char('('));
        const QString name = open >= 0 ? description.left(open).trimmed() : description.trimmed();
        QStringList all = open >= 0
                              ? description.mid(open + 1).remove(QLatin1Char(')')).split(QLatin1Char(' '))
                              : QStringList();
        for (const QString& pattern : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (!all.contains(pattern))
                all.append(pattern);
        all.removeAll(QString());
        filters.append(QStringLiteral("%1 (%2)").arg(name, all.join(QLatin1Char(' '))));
    }
    return filters.join(QLatin1String(";;"));
}

bool QtDialogs::runSaveDialog(FileDialogState& state) {
    const QString name =
        QFileDialog::getSaveFileName(parent_, QString(), state.fileName, qtFilter(state.filter), nullptr,
                                     QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return false;
    state.fileName = name;
    return true;
}

bool QtDialogs::runOpenDialog(FileDialogState& state) {
    const QString name =
        QFileDialog::getOpenFileName(parent_, QString(), state.fileName, qtFilter(state.filter));
    if (name.isEmpty())
        return false;
    state.fileName = name;
    return true;
}

bool QtDialogs::runPrintDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, parent_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::askText(const QString& question, QString& text) {
    bool ok = false;
    const QString typed = QInputDialog::getMultiLineText(parent_, title(), question, text, &ok);
    if (ok)
        text = typed;
    return ok;
}

void QtDialogs::openExternally(const QUrl& url) {
    if (!QDesktopServices::openUrl(url))
        // A file by the name the user knows it by: C:\...\press7.bmp on Windows, not file:///C:/...
        showError(QStringLiteral("No program on this computer opens \"%1\".")
                      .arg(url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile())
                                             : url.toDisplayString()));
}
