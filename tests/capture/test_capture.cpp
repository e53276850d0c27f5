// Pictures of the window: the bitmap bytes, saving, printing, and the page they show.

#include "Testing.h"
#include "capture/Bitmap.h"
#include "capture/Screenshots.h"

#include <QImage>
#include <QPrinter>

namespace {
std::uint32_t le32(const QByteArray& bytes, int at) {
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 |
           std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
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
        const QByteArray bytes = bitmap::encode(image);
        QByteArray expected(
            "BM\x66\0\0\0\0\0\0\0\x36\0\0\0" // 54 + 3 rows of 16 bytes (15 and a zero), data at 54
            "\x28\0\0\0\x05\0\0\0\x03\0\0\0\x01\0\x18\0" // 40, 5 x 3, 1 plane, 24 bits
            "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
            54);
        const QByteArray fill("\x1e\x14\x0a", 3);                                // blue, green, red
        expected += fill + fill + fill + fill + QByteArray("\x32\x64\xc8\0", 4); // bottom row first, padded
        expected += fill + fill + fill + fill + fill + QByteArray(1, '\0');
        expected += QByteArray("\x03\x02\x01", 3) + fill + fill + fill + fill + QByteArray(1, '\0');
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));

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
