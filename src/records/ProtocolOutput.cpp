#include "records/ProtocolOutput.h"

#include "app/Application.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

namespace records {

namespace {
bool failed(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}
} // namespace

bool writeProtocolPdf(const QString& path, const Record& record, const QList<Record>& trend,
                      const ProtocolTexts& texts, QString* error) {
    const QString shownPath = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(error, texts.notWritten.arg(shownPath, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(300);
        writer.setTitle(record.machine.isEmpty()
                            ? texts.title
                            : texts.title + QStringLiteral(" - ") + record.machine.left(200));
        writer.setCreator(QString::fromLatin1(ApplicationTitle));
        QPainter painter;
        if (!painter.begin(&writer))
            return failed(error, texts.notWritten.arg(shownPath, file.errorString()));
        drawProtocol(painter, QRectF(painter.viewport()), record, trend, texts);
        painter.end();
    }
    // The drawing is kept in memory until the painter ends; a full disk shows here, before the rename.
    if (!file.commit())
        return failed(error, texts.notWritten.arg(shownPath, file.errorString()));
    return true;
}

bool printProtocol(QPrinter& printer, const Record& record, const QList<Record>& trend,
                   const ProtocolTexts& texts, QString* error) {
    // The page keeps its own margins; the printer's unprintable edge lies within them.
    printer.setFullPage(true);
    printer.setDocName(texts.title + QLatin1Char(' ') + record.machine.left(100));
    QPainter painter;
    if (!painter.begin(&printer))
        return failed(error, texts.cannotPrint.arg(printer.printerName()));
    drawProtocol(painter, printer.paperRect(QPrinter::DevicePixel), record, trend, texts);
    return painter.end() || failed(error, texts.cannotPrint.arg(printer.printerName()));
}

} // namespace records
