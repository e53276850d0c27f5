// Pictures of the window: the bitmap bytes, saving, printing, and the page they show.

#include "Testing.h"
#include "capture/Bitmap.h"
#include "capture/Screenshots.h"

#include <QImage>
#include <QPrinter>
#include <QtEndian>

namespace {
std::uint32_t le32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
} // namespace

class TestCapture : public QObject {
    Q_OBJECT

private slots:
    void init() { freshFolder(); }

    void aBitmapHasItsHeadersThenPaddedRowsBottomUp() {
        QImage image(5, 3, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 30));
        image.setPixelColor(0, 0, QColor(1, 2, 3));      // top left
        image.setPixelColor(4, 2, QColor(200, 100, 50)); // bottom right
        const QByteArray fill("1e 14 0a ");              // blue, green, red
        const QByteArray headers =
            "42 4d 66 00 00 00 00 00 00 00 36 00 00 00 "       // 54 + 3 rows of 16 bytes, data at 54
            "28 00 00 00 05 00 00 00 03 00 00 00 01 00 18 00 " // 40, 5 x 3, 1 plane, 24 bits
            + QByteArray("00 ").repeated(24);
        QCOMPARE(bitmap::encode(image).toHex(' ') + ' ', // the bottom row first, each padded to 16 bytes
                 headers + fill.repeated(4) + "32 64 c8 00 " + fill.repeated(5) + "00 03 02 01 " +
                     fill.repeated(4) + "00 ");

        const QByteArray wide = bitmap::encode(QImage(1032, 2, QImage::Format_RGB32));
        QCOMPARE(le32(wide, 18), 1032u);
        QCOMPARE(le32(wide, 2), 54u + 2 * 3096); // rows of 3096 bytes need no padding
        QCOMPARE(le32(bitmap::encode(QImage(7, 1, QImage::Format_RGB32)), 2), 54u + 24); // 21 bytes padded
    }

    void theFileSizeIsReckonedIn64BitsAndLimitedTo4GiB() {
        QCOMPARE(bitmap::fileSize(65536, 21845), quint64(4294901814)); // the largest that fits
        QVERIFY(bitmap::fits(65536, 21845));
        QCOMPARE(bitmap::fileSize(65536, 21846), quint64(4295098422)); // one row more wraps 32 bits
        QVERIFY(!bitmap::fits(65536, 21846));
        QCOMPARE(bitmap::fileSize(2147483647, 2), quint64(12884901942)); // the widest QImage
    }

    void aFailedSaveIsReportedAndShowsNothingASavedPictureIsExactlyTheNewOneAndIsShownNamesEndInP() {
        SKIP_ON_WINDOWS("a full disk");
        TestWindow w;
        // Only a last "p" keeps a name as it is.
        writeFile(QStringLiteral("map"), "old");
        writeFile(QStringLiteral("shot.BMP"), QByteArray(5'000'000, 'x')); // a bigger old picture
        w.dialogs.saveAnswers = {QStringLiteral("map"), QStringLiteral("no/such/folder/x.jpg"),
                                 QStringLiteral("shot.BMP")};
        {
            DiskFull full;
            w.window->btnSaveClick();
        }
        w.window->btnSaveClick();
        QCOMPARE(w.dialogs.errors.size(), 2);
        QVERIFY(w.dialogs.errors[0].contains(QStringLiteral("\"map\"")));
        QVERIFY(w.dialogs.errors[1].contains(QStringLiteral("\"no/such/folder/x.jpg.bmp\"")));
        QCOMPARE(readFile(QStringLiteral("map")), QByteArray("old"));
        QVERIFY(w.dialogs.opened.isEmpty());

        w.window->btnSaveClick();
        QCOMPARE(w.dialogs.saveRequests.last().filter, QStringLiteral("Bitmap (*.bmp)|*.BMP"));
        QCOMPARE(QImage(QStringLiteral("shot.BMP"), "BMP").size(),
                 w.window->size()); // offscreen: the client area
        QCOMPARE(readFile(QStringLiteral("shot.BMP")).size(), qsizetype(54 + 3092 * 637));
        QCOMPARE(w.dialogs.opened.size(), 1);
        QVERIFY(w.dialogs.opened[0].toLocalFile().endsWith(QStringLiteral("/shot.BMP")));
        w.dialogs.saveAnswers = {std::nullopt};
        w.window->btnGraphSaveClick();
        QCOMPARE(w.dialogs.saveRequests.last().fileName, QString()); // emptied after the save
    }

    void thePictureShowsThePageThatIsShown() {
        TestWindow w;
        const QImage main = w.window->screenshots().capture();
        w.control<QTabWidget>("tabSystem")->setCurrentWidget(w.control("tabGraph"));
        const QImage graph = w.window->screenshots().capture();
        // The graph page is dark grey where the main view is light.
        QCOMPARE(graph.pixelColor(500, 300), QColor(69, 69, 69));
        QVERIFY(main.pixelColor(500, 300) != QColor(69, 69, 69));
    }

    void printingGoesThroughTheDialogAndFitsOnOnePage() {
        TestWindow w;
        w.window->btnPrintClick(); // cancelled
        QVERIFY(QFile::exists(QStringLiteral("Printscreen.bmp")));
        QFile::remove(QStringLiteral("Printscreen.bmp"));
        w.dialogs.printAnswer = true;
        w.dialogs.printerChoice = [](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QStringLiteral("page.pdf"));
        };
        w.window->btnGraphPrintClick();
        QCOMPARE(w.dialogs.printRuns, 2);
        const QByteArray pdf = readFile(QStringLiteral("page.pdf"));
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
        QVERIFY(pdf.contains("/Subtype /Image"));
        QVERIFY(!QFile::exists(QStringLiteral("Printscreen.bmp"))); // the working file is gone
    }
};

QTEST_MAIN(TestCapture)
#include "test_capture.moc"
