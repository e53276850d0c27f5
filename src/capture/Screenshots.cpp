#include "capture/Screenshots.h"

#include "Errors.h"
#include "capture/Bitmap.h"
#include "dialogs/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QScreen>
#include <QUrl>
#include <QWidget>

Screenshots::Screenshots(QWidget& window, Dialogs& dialogs, FileDialogState& dialogSave)
    : window_(window), dialogs_(dialogs), dialogSave_(dialogSave) {}

QImage Screenshots::capture() const {
    if (QGuiApplication::platformName() == QLatin1String("xcb") && window_.isVisible()) {
        const QRect frame = window_.frameGeometry();
        const QPixmap shot =
            window_.screen()->grabWindow(0, frame.x(), frame.y(), frame.width() - 4, frame.height());
        if (!shot.isNull())
            return shot.toImage();
    }
    return window_.grab().toImage();
}

void Screenshots::save() {
    const QImage picture = capture();
    dialogSave_.filter = QStringLiteral("Bitmap (*.bmp)|*.BMP");
    if (!dialogs_.runSaveDialog(dialogSave_) || dialogSave_.fileName.isEmpty())
        return;
    const QString path = bitmap::fileNameFor(dialogSave_.fileName);
    try {
        bitmap::write(path, picture);
    } catch (const UserError& error) {
        dialogs_.showError(error.message());
        return;
    }
    dialogs_.openExternally(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    dialogSave_.fileName.clear();
}

void Screenshots::print() {
    const QImage picture = capture();
    const QString file = QString::fromLatin1(PrintFile);
    try {
        bitmap::write(file, picture);
    } catch (const UserError&) {
        // The working file is a by-product: the picture is printed from memory all the same.
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs_.runPrintDialog(printer))
        return;
    printer.setDocName(QString::fromLatin1(JobTitle));
    printImage(printer, picture);
    QFile::remove(file);
}

void Screenshots::printImage(QPrinter& printer, const QImage& image) {
    QPainter painter;
    if (!painter.begin(&printer))
        throw UserError(QStringLiteral("The printer \"%1\" cannot print.").arg(printer.printerName()));
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    painter.end();
}
