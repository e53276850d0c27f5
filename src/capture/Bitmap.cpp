#include "capture/Bitmap.h"

#include "Errors.h"
#include "WholeFile.h"

#include <QImage>

#include <cstring>

namespace bitmap {

namespace {
void put16(char* at, std::uint16_t value) {
    at[0] = char(value & 0xFF);
    at[1] = char(value >> 8);
}
void put32(char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = char((value >> (8 * i)) & 0xFF);
}
} // namespace

QByteArray encode(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const auto width = std::uint32_t(rgb.width());
    const auto height = std::uint32_t(rgb.height());
    const std::uint32_t row = (3 * width + 3) / 4 * 4;
    const std::uint32_t pixels = row * height;
    QByteArray bytes(qsizetype(54 + pixels), '\0');
    char* d = bytes.data();
    d[0] = 'B';
    d[1] = 'M';
    put32(d + 2, 54 + pixels);
    put32(d + 10, 54);
    put32(d + 14, 40);
    put32(d + 18, width);
    put32(d + 22, height);
    put16(d + 26, 1);
    put16(d + 28, 24);
    for (std::uint32_t y = 0; y < height; ++y) {
        const uchar* source = rgb.constScanLine(int(height - 1 - y));
        char* target = d + 54 + y * row;
        for (std::uint32_t x = 0; x < width; ++x) {
            target[3 * x] = char(source[3 * x + 2]);
            target[3 * x + 1] = char(source[3 * x + 1]);
            target[3 * x + 2] = char(source[3 * x]);
        }
    }
    return bytes;
}

QString fileNameFor(const QString& chosenName) {
    if (chosenName.endsWith(QLatin1Char('p')) || chosenName.endsWith(QLatin1Char('P')))
        return chosenName;
    return chosenName + QStringLiteral(".bmp");
}

void write(const QString& path, const QImage& image) {
    QString reason;
    if (!writeWholeFile(path, encode(image), &reason))
        throw UserError(QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
}

} // namespace bitmap
